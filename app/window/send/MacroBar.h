// The quick-send bar: one button per macro, named after it, with F1-F12 in its tooltip; a
// click (or the key the window binds) says which macro to send. Nothing here sends.
#pragma once

#include "app/send/MacroSet.h"

#include <QWidget>

class QHBoxLayout;
class QPushButton;

class MacroBar : public QWidget {
    Q_OBJECT

public:
    explicit MacroBar(QWidget* parent = nullptr);

    // Shows these macros' buttons, in order; an empty set hides the bar.
    void showMacros(const std::vector<Macro>& macros);
    QPushButton* button(int index) const;

signals:
    void macroClicked(int index);
    // The bar's "Edit…" button: the window opens the macro dialog.
    void editRequested();

private:
    QHBoxLayout* layout_;
    std::vector<QPushButton*> buttons_;
};
