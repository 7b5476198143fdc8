// The keys of a keyboard that are not text, as a console hands them to its device, and the
// modifiers held with a key. Toolkit-neutral: the window translates its own key events.
#pragma once

enum class ConsoleKey {
    Enter,
    Tab,
    Backspace,
    Escape,
    Up,
    Down,
    Left,
    Right,
    Insert,
    Delete,
    Home,
    End,
    PageUp,
    PageDown,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
};

struct ConsoleModifiers {
    bool shift = false;
    bool alt = false;
    bool ctrl = false;
};
