// The sending tools in a terminal window: Port menu items for the line ending, the message
// history, macros, repeats, pacing, file sends and X/Y/ZMODEM; the macro bar and a row under
// the transmit editor that shows the ending, a repeat's count and a transfer's progress. It
// attaches through the window's seams and acts through the document's Sender.
#pragma once

#include "app/send/MacroSet.h"
#include "app/send/ModemProtocol.h"

#include <QObject>

#include <string>

class MacroBar;
class MyDocument;
class MyDocumentWindow;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class TextEditorWidget;
class TransferProgressWidget;

class SendTools : public QObject {
    Q_OBJECT

public:
    // Lives as long as the window, as its child.
    explicit SendTools(MyDocumentWindow& window);

    // What the menu items do, also for tests; a path "" asks the user for one.
    void sendFile(const std::string& path);
    void transfer(ModemProtocol protocol, bool sending, const std::string& path);
    void startRepeat(int milliseconds);
    QAction* previousMessageItem() const { return previous_; }
    QAction* nextMessageItem() const { return next_; }
    MacroBar* macroBar() const { return bar_; }
    QLabel* endingLabel() const { return ending_; }
    QLabel* repeatLabel() const { return repeat_; }
    TransferProgressWidget* progress() const { return progress_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu(QMenu* port);
    void buildRow();
    void showRecent(QMenu* menu);
    void editMacros();
    void askRepeat();
    void askPacing();
    void show();
    void showCount();

    MyDocumentWindow* window_;
    MyDocument& document_;
    TextEditorWidget* editor_;
    QAction* previous_ = nullptr;
    QAction* next_ = nullptr;
    QAction* stopItem_ = nullptr;
    std::vector<QAction*> endings_;
    MacroBar* bar_ = nullptr;
    QLabel* ending_ = nullptr;
    QLabel* repeat_ = nullptr;
    QPushButton* stopRepeat_ = nullptr;
    TransferProgressWidget* progress_ = nullptr;
    std::vector<Macro> shownMacros_;
};
