// How a window turns the bytes a device speaks into characters and back: one character per
// byte (Latin-1, the default), or UTF-8. Whatever the encoding, the receive buffer and the
// transmit editor's history hold bytes; the encoding only decides how they are shown and read.
#pragma once

enum TextEncoding : int {
    TextEncodingLatin1 = 0, // each byte is the character U+0000-U+00FF of the same value
    TextEncodingUtf8 = 1,   // valid UTF-8 sequences are characters; any other byte stands alone
};
