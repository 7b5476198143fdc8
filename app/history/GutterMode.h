// What the timestamp gutter beside each history line shows: the local time of its first
// byte with milliseconds, the time since the line before it, the time since the port was
// opened (or reconnected), or nothing.
#pragma once

enum class GutterMode : int {
    Clock = 0,
    SincePrevious = 1,
    SincePortOpened = 2,
    None = 3,
};
