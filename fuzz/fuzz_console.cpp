// Feeds a console what a device might send: any bytes, in either text encoding, in reads of
// any size, with resizes and keys between them. Checks that every cell stays a character a
// screen can show, that the cursor stays on the screen and that the scroll-back keeps its bound.
//
// Input: the first byte picks the encoding and seeds the read sizes and sizes of the screen;
// the rest is the device's stream.
#include "app/console/ConsoleEmulator.h"
#include "app/console/ConsoleKeys.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool holds, int line = __builtin_LINE())
{
    if (!holds && fprintf(stderr, "check at %d\n", line))
        std::abort();
}

void look(const ConsoleEmulator& e, std::size_t bound)
{
    const ConsoleEmulator::Cursor cursor = e.cursor();
    check(cursor.row >= 0 && cursor.row < e.rows() && cursor.col >= 0 && cursor.col <= e.cols());
    check(static_cast<std::size_t>(e.scrollbackLines()) <= bound);
    for (int row = -std::min(e.scrollbackLines(), 3); row < e.rows(); ++row) {
        for (int col = 0; col < e.cols(); ++col) {
            const ConsoleCell cell = e.cell(row, col);
            check(cell.ch <= 0x10FFFF && cell.width <= 2);
        }
        (void)e.rowText(row);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    unsigned seed = data[0];
    std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
    constexpr std::size_t bound = 50;
    ConsoleEmulator e(1 + seed % 7, 1 + (seed >> 3) % 13, bound);
    e.setEncoding(seed & 0x80 ? TextEncodingUtf8 : TextEncodingLatin1);
    ConsoleKeys keys(e);
    while (!stream.empty()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t length = 1 + (seed >> 16) % 29;
        e.feed(stream.substr(0, length));
        stream.remove_prefix(std::min(length, stream.size()));
        switch ((seed >> 8) % 16) {
        case 0: e.resize(1 + (seed >> 4) % 9, 1 + (seed >> 12) % 15); break;
        case 1: (void)keys.press(static_cast<ConsoleKey>((seed >> 4) % 26), ConsoleModifiers{}); break;
        case 2: (void)keys.paste(U"a\r\nb\x1b"); break;
        default: break;
        }
        (void)e.takeOutput();
        (void)e.takeDamage();
        look(e, bound);
    }
    return 0;
}
