// Port ▸ Open Network Port…: asks for the address of a port on another machine,
// rfc2217://HOST:PORT, tcp://HOST:PORT or telnet://HOST:PORT, saying what is wrong with the
// text while it is no such address; the window opens it in the background.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

class QDialogButtonBox;
class QLabel;
class QLineEdit;

class NetworkPortDialog : public QDialog {
    Q_OBJECT

public:
    explicit NetworkPortDialog(const QString& last, QWidget* parent = nullptr);

    // The address typed; nothing while the text is not one.
    std::optional<std::string> address() const;
    QLineEdit* addressField() const { return field_; }

    // Runs the dialog; nothing when cancelled. The address last opened is offered again.
    static std::optional<std::string> ask(QWidget* parent);

private:
    void checkText();

    QLineEdit* field_;
    QLabel* problem_;
    QDialogButtonBox* buttons_;
};
