#include "app/console/ConsoleEmulator.h"

#include "app/console/appendUtf8.h"

#include <vterm.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

VTermColor fromRgb(std::uint32_t value)
{
    VTermColor colour;
    vterm_color_rgb(&colour, static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                    static_cast<uint8_t>(value));
    return colour;
}

VTermKey vtermKey(ConsoleKey key)
{
    switch (key) {
    case ConsoleKey::Enter: return VTERM_KEY_ENTER;
    case ConsoleKey::Tab: return VTERM_KEY_TAB;
    case ConsoleKey::Backspace: return VTERM_KEY_BACKSPACE;
    case ConsoleKey::Escape: return VTERM_KEY_ESCAPE;
    case ConsoleKey::Up: return VTERM_KEY_UP;
    case ConsoleKey::Down: return VTERM_KEY_DOWN;
    case ConsoleKey::Left: return VTERM_KEY_LEFT;
    case ConsoleKey::Right: return VTERM_KEY_RIGHT;
    case ConsoleKey::Insert: return VTERM_KEY_INS;
    case ConsoleKey::Delete: return VTERM_KEY_DEL;
    case ConsoleKey::Home: return VTERM_KEY_HOME;
    case ConsoleKey::End: return VTERM_KEY_END;
    case ConsoleKey::PageUp: return VTERM_KEY_PAGEUP;
    case ConsoleKey::PageDown: return VTERM_KEY_PAGEDOWN;
    default: break;
    }
    const int function = static_cast<int>(key) - static_cast<int>(ConsoleKey::F1) + 1;
    return static_cast<VTermKey>(VTERM_KEY_FUNCTION(function));
}

} // namespace

// libvterm calls back into the emulator through these, its user pointer being the emulator.
struct ConsoleEmulator::Callbacks {
    static ConsoleEmulator& of(void* user) { return *static_cast<ConsoleEmulator*>(user); }

    static int damage(VTermRect rect, void* user)
    {
        of(user).damage(rect.start_row, rect.end_row - 1);
        return 1;
    }
    static int moveCursor(VTermPos, VTermPos, int, void* user)
    {
        of(user).damage_.cursorMoved = true;
        return 1;
    }
    static int setTermProp(VTermProp prop, VTermValue* value, void* user)
    {
        ConsoleEmulator& e = of(user);
        switch (prop) {
        case VTERM_PROP_CURSORVISIBLE:
            e.cursor_.visible = value->boolean != 0;
            e.damage_.cursorMoved = true;
            break;
        case VTERM_PROP_ALTSCREEN: e.altScreen_ = value->boolean != 0; break;
        case VTERM_PROP_TITLE: e.title_ = value->string ? value->string : ""; break;
        default: break;
        }
        return 1;
    }
    static int bell(void* user)
    {
        ++of(user).bells_;
        return 1;
    }
    static int resize(int, int, void*) { return 1; }
    static int pushLine(int cols, const VTermScreenCell* cells, void* user)
    {
        ConsoleEmulator& e = of(user);
        std::vector<ConsoleCell> line;
        line.reserve(static_cast<std::size_t>(cols));
        for (int col = 0; col < cols; ++col)
            line.push_back(e.reader_.read(e.screen_, cells[col]));
        e.scrollback_.push(std::move(line), e.blank_);
        ++e.damage_.scrolled;
        return 1;
    }
    static int popLine(int cols, VTermScreenCell* cells, void* user)
    {
        ConsoleEmulator& e = of(user);
        std::vector<ConsoleCell> line;
        if (!e.scrollback_.pop(line))
            return 0;
        VTermColor fg;
        VTermColor bg;
        vterm_state_get_default_colors(vterm_obtain_state(e.vterm_.get()), &fg, &bg);
        for (int col = 0; col < cols; ++col) {
            VTermScreenCell& to = cells[col];
            to = VTermScreenCell{};
            to.width = 1;
            to.fg = fg;
            to.bg = bg;
            if (static_cast<std::size_t>(col) >= line.size())
                continue;
            const ConsoleCell& from = line[static_cast<std::size_t>(col)];
            // Every cell one wide: libvterm 0.1 writes out of bounds bringing a wide one back
            // into a narrower screen. The character still shows whole, over its blank twin.
            to.chars[0] = from.ch;
            to.width = 1;
            to.fg = fromRgb(from.fg);
            to.bg = fromRgb(from.bg);
            to.attrs.bold = from.has(ConsoleCell::Bold);
            to.attrs.underline = from.has(ConsoleCell::Underline) ? VTERM_UNDERLINE_SINGLE : VTERM_UNDERLINE_OFF;
            to.attrs.italic = from.has(ConsoleCell::Italic);
            to.attrs.reverse = from.has(ConsoleCell::Inverse);
            to.attrs.strike = from.has(ConsoleCell::Strike);
            to.attrs.blink = from.has(ConsoleCell::Blink);
        }
        return 1;
    }
    static void output(const char* bytes, std::size_t length, void* user) { of(user).output_.append(bytes, length); }

    static constexpr VTermScreenCallbacks screen{damage, nullptr, moveCursor, setTermProp,
                                                 bell,   resize,  pushLine,   popLine};
};

void ConsoleEmulator::VTermDeleter::operator()(VTerm* vterm) const
{
    vterm_free(vterm);
}

ConsoleEmulator::ConsoleEmulator(int rows, int cols, std::size_t scrollbackLines)
    : vterm_(vterm_new(std::max(1, rows), std::max(minCols, cols))), rows_(std::max(1, rows)),
      cols_(std::max(minCols, cols)), scrollback_(scrollbackLines)
{
    VTerm* vt = vterm_.get();
    // Bytes reach libvterm as UTF-8 always: Latin-1 is widened on the way in.
    vterm_set_utf8(vt, 1);
    vterm_output_set_callback(vt, &Callbacks::output, this);
    screen_ = vterm_obtain_screen(vt);
    vterm_screen_set_callbacks(screen_, &Callbacks::screen, this);
    vterm_screen_enable_altscreen(screen_, 1);
    // Damage gathered over a whole feed, told once at its end: a callback per glyph cost more
    // than the drawing of it.
    vterm_screen_set_damage_merge(screen_, VTERM_DAMAGE_SCROLL);
    VTermState* state = vterm_obtain_state(vt);
    // Bold in one of the first eight colours shows in its bright twin, as xterm does.
    vterm_state_set_bold_highbright(state, 1);
    vterm_screen_reset(screen_, 1);
    blank_ = screenCell(0, 0);
    blank_.ch = 0;
    blank_.width = 1;
    blank_.attributes = 0;
    damage(0, rows_ - 1);
}

ConsoleEmulator::~ConsoleEmulator() = default;

void ConsoleEmulator::setEncoding(TextEncoding encoding)
{
    input_.setEncoding(encoding);
}

void ConsoleEmulator::feed(std::string_view bytes)
{
    write(input_.prepare(bytes));
    keepCursorOnScreen(false, {});
    vterm_screen_flush_damage(screen_);
}

void ConsoleEmulator::write(std::string_view bytes)
{
    const std::string_view kept = guard_.pass(bytes, guarded_);
    std::size_t done = 0;
    for (const CsiGuard::Repeat& repeat : guard_.repeats()) {
        vterm_input_write(vterm_.get(), kept.data() + done, repeat.at - done);
        done = repeat.at;
        repeatBeforeCursor(repeat.count);
    }
    vterm_input_write(vterm_.get(), kept.data() + done, kept.size() - done);
}

void ConsoleEmulator::repeatBeforeCursor(int count)
{
    // What a device means by REP is the character it has just printed, the one before the
    // cursor; it is written again up to the end of the line, and never past it, as libvterm's
    // own REP does.
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(vterm_.get()), &pos);
    if (pos.row < 0 || pos.row >= rows_ || pos.col < 1 || pos.col > cols_)
        return;
    ConsoleCell before = screenCell(pos.row, pos.col - 1);
    if (before.width == 0 && pos.col >= 2)
        before = screenCell(pos.row, pos.col - 2);
    if (before.ch == 0 || before.width == 0)
        return;
    std::string glyph;
    appendUtf8(glyph, before.ch);
    const int times = std::min(count, (cols_ - pos.col) / before.width);
    std::string text;
    text.reserve(glyph.size() * static_cast<std::size_t>(std::max(times, 0)));
    for (int i = 0; i < times; ++i)
        text += glyph;
    vterm_input_write(vterm_.get(), text.data(), text.size());
}

void ConsoleEmulator::keepCursorOnScreen(bool always, const std::string& before)
{
    // libvterm 0.1 can put its cursor off the screen (after a narrowing, or margins wider than
    // the screen): back onto it before anything more is written there.
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(vterm_.get()), &pos);
    if (!always && pos.row >= 0 && pos.row < rows_ && pos.col >= 0 && pos.col <= cols_)
        return;
    const std::string home = before + "\x1b[" + std::to_string(std::clamp(pos.row, 0, rows_ - 1) + 1) + ";" +
                             std::to_string(std::clamp(pos.col, 0, cols_ - 1) + 1) + "H";
    write(home);
}

void ConsoleEmulator::resize(int rows, int cols)
{
    rows = std::max(1, rows);
    cols = std::max(minCols, cols);
    if (rows == rows_ && cols == cols_)
        return;
    const bool shorter = rows < rows_;
    const bool narrower = cols < cols_;
    rows_ = rows;
    cols_ = cols;
    vterm_set_size(vterm_.get(), rows, cols);
    vterm_screen_flush_damage(screen_);
    // libvterm 0.1 keeps scroll regions and margins past the edges of a smaller screen, where
    // writing then takes the cursor: they go back to the whole screen.
    const std::string whole = std::string(shorter ? "\x1b[r" : "") + (narrower ? "\x1b[?69l" : "");
    keepCursorOnScreen(shorter || narrower, whole);
    damage(0, rows - 1);
}

ConsoleCell ConsoleEmulator::screenCell(int row, int col) const
{
    VTermScreenCell from;
    vterm_screen_get_cell(screen_, VTermPos{row, col}, &from);
    return reader_.read(screen_, from);
}

ConsoleCell ConsoleEmulator::cell(int row, int col) const
{
    if (col < 0 || row >= rows_)
        return blank_;
    if (row >= 0)
        return col < cols_ ? screenCell(row, col) : blank_;
    const std::size_t index = static_cast<std::size_t>(-row - 1);
    if (index >= scrollback_.size())
        return blank_;
    const std::vector<ConsoleCell>& line = scrollback_.line(index);
    return static_cast<std::size_t>(col) < line.size() ? line[static_cast<std::size_t>(col)] : blank_;
}

std::string ConsoleEmulator::rowText(int row) const
{
    std::string text;
    std::size_t kept = 0;
    const int width = row >= 0 ? cols_
                               : static_cast<int>(row >= -scrollbackLines()
                                                      ? scrollback_.line(static_cast<std::size_t>(-row - 1)).size()
                                                      : 0);
    for (int col = 0; col < width; ++col) {
        const ConsoleCell c = cell(row, col);
        if (c.width == 0)
            continue;
        appendUtf8(text, c.ch == 0 ? U' ' : c.ch);
        if (c.ch != 0 && c.ch != U' ')
            kept = text.size();
    }
    text.resize(kept);
    return text;
}

ConsoleEmulator::Cursor ConsoleEmulator::cursor() const
{
    // libvterm moves the cursor on a resize without telling: ask it.
    VTermPos pos;
    vterm_state_get_cursorpos(vterm_obtain_state(vterm_.get()), &pos);
    return {pos.row, pos.col, cursor_.visible};
}

ConsoleEmulator::Damage ConsoleEmulator::takeDamage()
{
    return std::exchange(damage_, Damage{});
}

void ConsoleEmulator::damage(int firstRow, int lastRow)
{
    if (lastRow < firstRow)
        return;
    damage_.firstRow = damage_.firstRow < 0 ? firstRow : std::min(damage_.firstRow, firstRow);
    damage_.lastRow = std::max(damage_.lastRow, lastRow);
}

void ConsoleEmulator::key(ConsoleKey key, ConsoleModifiers modifiers)
{
    const int mod = (modifiers.shift ? VTERM_MOD_SHIFT : 0) | (modifiers.alt ? VTERM_MOD_ALT : 0) |
                    (modifiers.ctrl ? VTERM_MOD_CTRL : 0);
    vterm_keyboard_key(vterm_.get(), vtermKey(key), static_cast<VTermModifier>(mod));
}

void ConsoleEmulator::startPaste()
{
    vterm_keyboard_start_paste(vterm_.get());
}

void ConsoleEmulator::endPaste()
{
    vterm_keyboard_end_paste(vterm_.get());
}

std::string ConsoleEmulator::takeOutput()
{
    return std::exchange(output_, std::string());
}
