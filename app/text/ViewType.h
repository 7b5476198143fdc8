// How a terminal window renders text in its receive view and transmit editor.
// A window's mode is held as a plain int: any value may be stored, and every value other
// than these four renders as plain text.
#pragma once

enum ViewType : int {
    ViewTypeText = 0,    // the characters themselves
    ViewTypeMixed = 1,   // printable ASCII plain, everything else as a gray decimal escape
    ViewTypeDecimal = 2, // every code unit as a gray decimal escape
    ViewTypeHex = 3,     // every code unit as a gray hexadecimal escape
};
