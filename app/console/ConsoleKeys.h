// What a console sends its device for each key and paste: text in the window's encoding,
// Ctrl+letter as its control character (Ctrl+C is 0x03), Alt+key behind ESC, the other keys
// as the emulator encodes them in its present modes (ESC [ A, or ESC O A in application
// cursor mode), Enter and Backspace as the user chose. A paste is bracketed when the device
// asked for it, its line ends sent as Enter is.
#pragma once

#include "app/console/ConsoleKey.h"
#include "app/text/TextEncoding.h"

#include <string>
#include <string_view>

class ConsoleEmulator;

class ConsoleKeys {
public:
    enum class Enter { CR, LF, CRLF };
    enum class Backspace { DEL, BS };

    // The emulator must outlive this; its output() is taken by every call here.
    explicit ConsoleKeys(ConsoleEmulator& emulator) : emulator_(emulator) {}

    void setEnter(Enter enter) { enter_ = enter; }
    Enter enter() const { return enter_; }
    void setBackspace(Backspace backspace) { backspace_ = backspace; }
    Backspace backspace() const { return backspace_; }

    // The bytes for one key, "" for none.
    std::string press(ConsoleKey key, ConsoleModifiers modifiers);
    // The bytes for a character typed with modifiers (Shift is in the character already);
    // a character the encoding has no byte for sends nothing.
    std::string type(char32_t ch, ConsoleModifiers modifiers);
    // The bytes of a paste of text, whole.
    std::string paste(std::u32string_view text);
    std::string enterBytes() const;

private:
    std::string encode(char32_t ch) const;

    ConsoleEmulator& emulator_;
    Enter enter_ = Enter::CR;
    Backspace backspace_ = Backspace::DEL;
};
