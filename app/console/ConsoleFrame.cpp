#include "app/console/ConsoleFrame.h"

#include <algorithm>

void ConsoleFrame::capture(const ConsoleEmulator& emulator)
{
    rows_.resize(static_cast<std::size_t>(emulator.rows()));
    for (int row = 0; row < emulator.rows(); ++row) {
        std::vector<ConsoleCell>& cells = rows_[static_cast<std::size_t>(row)];
        cells.resize(static_cast<std::size_t>(emulator.cols()));
        for (int col = 0; col < emulator.cols(); ++col)
            cells[static_cast<std::size_t>(col)] = emulator.cell(row, col);
    }
    cursor_ = emulator.cursor();
}

std::vector<int> ConsoleFrame::changedRows(const ConsoleFrame& next, int shift) const
{
    std::vector<int> changed;
    const bool alike = rows() == next.rows() && cols() == next.cols() && shift >= 0;
    for (int row = 0; row < next.rows(); ++row) {
        const int under = row + shift; // the old row whose pixels now sit here
        if (!alike || under >= rows() || rows_[static_cast<std::size_t>(under)] != next.rows_[static_cast<std::size_t>(row)])
            changed.push_back(row);
    }
    // The cursor is drawn over its cell: where it was (moved with the rows) and where it is.
    const auto mark = [&](int row) {
        if (row >= 0 && row < next.rows() && std::find(changed.begin(), changed.end(), row) == changed.end())
            changed.push_back(row);
    };
    if (alike) {
        mark(cursor_.row - shift);
        mark(next.cursor_.row);
        std::sort(changed.begin(), changed.end());
    }
    return changed;
}
