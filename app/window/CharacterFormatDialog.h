// Port ▸ Character Format…: data bits 5 to 8, parity (mark and space only where the system
// has them) and one or two stop bits.
#pragma once

#include "devices/CharacterFormat.h"

#include <QDialog>

#include <optional>

class QComboBox;

class CharacterFormatDialog : public QDialog {
    Q_OBJECT

public:
    CharacterFormatDialog(const CharacterFormat& current, bool markSpace, QWidget* parent = nullptr);

    CharacterFormat format() const;
    QComboBox* dataBitsBox() const { return dataBits_; }
    QComboBox* parityBox() const { return parity_; }
    QComboBox* stopBitsBox() const { return stopBits_; }

    // Runs the dialog; nothing when cancelled.
    static std::optional<CharacterFormat> ask(const CharacterFormat& current, bool markSpace, QWidget* parent);

private:
    QComboBox* dataBits_;
    QComboBox* parity_;
    QComboBox* stopBits_;
};
