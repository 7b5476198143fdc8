// Names for screen readers where a control's own text would leave the user guessing: the two
// Clear buttons say what they clear, each segment of the Read and View rows says which row it
// belongs to. Every other control is named by its text or by the caption it stands under.
#pragma once

class MyDocumentWindow;

void nameControls(MyDocumentWindow& window);
