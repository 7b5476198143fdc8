// Add, edit, reorder and remove the quick-send macros: a list on the left, the chosen one's
// name and message (in the editor's escapes, as the window's view mode writes them) on the
// right. Accepting hands back the whole set; a message that can't be read keeps OK off.
#pragma once

#include "app/send/MacroSet.h"
#include "app/text/TextEncoding.h"

#include <QDialog>

#include <optional>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class MacroDialog : public QDialog {
    Q_OBJECT

public:
    MacroDialog(std::vector<Macro> macros, int viewType, TextEncoding encoding, QWidget* parent = nullptr);

    const std::vector<Macro>& macros() const { return macros_; }
    QListWidget* list() const { return list_; }
    QLineEdit* nameField() const { return name_; }
    QLineEdit* messageField() const { return message_; }
    QPushButton* addButton() const { return add_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* upButton() const { return up_; }
    QPushButton* downButton() const { return down_; }

    // Runs the dialog; nothing when cancelled.
    static std::optional<std::vector<Macro>> ask(std::vector<Macro> macros, int viewType, TextEncoding encoding,
                                                 QWidget* parent);

private:
    void showList(int selected);
    void showChosen();
    void takeFields();
    void moveChosen(int by);

    std::vector<Macro> macros_;
    int viewType_;
    TextEncoding encoding_;
    bool showing_ = false;
    QListWidget* list_;
    QLineEdit* name_;
    QLineEdit* message_;
    QLabel* problem_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* up_;
    QPushButton* down_;
    QDialogButtonBox* buttons_;
};
