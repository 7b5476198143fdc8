// Port ▸ Baud Rate…: asks for any whole rate from MyDocument::lowestRate to highestRate,
// offering the common rates beyond the pop-up's thirteen as suggestions.
#pragma once

#include <QDialog>

#include <optional>

class QComboBox;
class QDialogButtonBox;

class BaudRateDialog : public QDialog {
    Q_OBJECT

public:
    BaudRateDialog(int current, QWidget* parent = nullptr);

    // The rate typed or picked; nothing while the text is not a rate in range.
    std::optional<int> rate() const;
    QComboBox* rateBox() const { return rates_; }

    // Runs the dialog; nothing when cancelled.
    static std::optional<int> ask(int current, QWidget* parent);

private:
    void checkText();

    QComboBox* rates_;
    QDialogButtonBox* buttons_;
};
