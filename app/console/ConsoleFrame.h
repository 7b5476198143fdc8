// What a console's pixels show: the screen's cells and cursor as they were when the last frame
// was asked for. A view paints from it, never from the live emulator, so a frame that repaints
// some rows and moves the others stays true to one moment of the screen, however much arrives
// before the paint. It tells which rows the next frame must paint once the old ones moved up.
#pragma once

#include "app/console/ConsoleCell.h"
#include "app/console/ConsoleEmulator.h"

#include <vector>

class ConsoleFrame {
public:
    void capture(const ConsoleEmulator& emulator);
    bool empty() const { return rows_.empty(); }
    int rows() const { return static_cast<int>(rows_.size()); }
    int cols() const { return rows_.empty() ? 0 : static_cast<int>(rows_.front().size()); }
    const ConsoleCell& cell(int row, int col) const { return rows_[row][col]; }
    const ConsoleEmulator::Cursor& cursor() const { return cursor_; }

    // The rows of `next` to paint when this frame's pixels have moved up by `shift` rows: those
    // that differ from what moved under them, those nothing moved under, and the rows the
    // cursor left and reached. Frames of another size answer every row.
    std::vector<int> changedRows(const ConsoleFrame& next, int shift) const;

private:
    std::vector<std::vector<ConsoleCell>> rows_;
    ConsoleEmulator::Cursor cursor_;
};
