#include "app/send/MacroSet.h"

#include "app/send/recordFile.h"
#include "app/send/saveFileAtomically.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view header = "serialterm macros 1";

std::string noSuchMacro(std::size_t index)
{
    return "There is no macro " + std::to_string(index + 1) + ".";
}

} // namespace

MacroSet::MacroSet(std::string path)
    : path_(std::move(path))
{
}

std::string MacroSet::load()
{
    macros_.clear();
    if (path_.empty())
        return {};
    std::string problem;
    const std::vector<Record> records = loadRecords(path_, header, 2, problem);
    if (!problem.empty())
        return "The macro file " + problem + "; the bar starts empty.";
    for (const Record& record : records) {
        if (macros_.size() < limit)
            macros_.push_back({record[0], record[1]});
    }
    return {};
}

std::string MacroSet::add(Macro macro)
{
    if (macros_.size() >= limit)
        return "There are already " + std::to_string(limit) + " macros; remove one first.";
    macros_.push_back(std::move(macro));
    return save();
}

std::string MacroSet::edit(std::size_t index, Macro macro)
{
    if (index >= macros_.size())
        return noSuchMacro(index);
    macros_[index] = std::move(macro);
    return save();
}

std::string MacroSet::move(std::size_t from, std::size_t to)
{
    if (from >= macros_.size() || to >= macros_.size())
        return noSuchMacro(std::max(from, to));
    const auto first = macros_.begin();
    if (from < to)
        std::rotate(first + static_cast<long>(from), first + static_cast<long>(from) + 1, first + static_cast<long>(to) + 1);
    else
        std::rotate(first + static_cast<long>(to), first + static_cast<long>(from), first + static_cast<long>(from) + 1);
    return save();
}

std::string MacroSet::remove(std::size_t index)
{
    if (index >= macros_.size())
        return noSuchMacro(index);
    macros_.erase(macros_.begin() + static_cast<long>(index));
    return save();
}

std::string MacroSet::replace(std::vector<Macro> macros)
{
    if (macros.size() > limit)
        macros.resize(limit);
    macros_ = std::move(macros);
    return save();
}

std::string MacroSet::save()
{
    if (path_.empty())
        return {};
    std::vector<Record> records;
    for (const Macro& macro : macros_)
        records.push_back({macro.name, macro.bytes});
    if (const int error = saveFileAtomically(path_, writeRecords(header, records)); error != 0)
        return "The macro file could not be saved (" + path_ + ": " + std::strerror(error) + ").";
    return {};
}
