#include "app/console/ConsoleScrollback.h"

#include <utility>

void ConsoleScrollback::push(std::vector<ConsoleCell> line, const ConsoleCell& blank)
{
    if (capacity_ == 0)
        return;
    while (!line.empty() && line.back() == blank)
        line.pop_back();
    line.shrink_to_fit();
    if (lines_.size() == capacity_)
        lines_.pop_front();
    lines_.push_back(std::move(line));
}

bool ConsoleScrollback::pop(std::vector<ConsoleCell>& line)
{
    if (lines_.empty())
        return false;
    line = std::move(lines_.back());
    lines_.pop_back();
    return true;
}
