#include "app/send/CommandHistory.h"

#include "app/send/recordFile.h"
#include "app/send/saveFileAtomically.h"
#include "toolkit/RunLoop.h"
#include "toolkit/Timer.h"

#include <cstring>

namespace {

constexpr std::string_view header = "serialterm history 1";

} // namespace

CommandHistory::CommandHistory(std::string path)
    : path_(std::move(path))
{
}

CommandHistory::~CommandHistory()
{
    if (saveTimer_)
        saveTimer_->invalidate();
    save();
}

std::string CommandHistory::load()
{
    messages_.clear();
    resetRecall();
    dirty_ = false;
    if (path_.empty())
        return {};
    std::string problem;
    const std::vector<Record> records = loadRecords(path_, header, 0, problem);
    if (!problem.empty())
        return "The command history " + problem + "; it starts empty.";
    for (const Record& record : records) {
        if (!record.empty())
            messages_.push_back(record.front());
    }
    while (messages_.size() > limit)
        messages_.pop_front();
    resetRecall();
    return {};
}

void CommandHistory::add(std::string message)
{
    if (messages_.empty() || messages_.back() != message) {
        messages_.push_back(std::move(message));
        if (messages_.size() > limit)
            messages_.pop_front();
        dirty_ = true;
        if (!path_.empty() && !(saveTimer_ && saveTimer_->isValid())) {
            saveTimer_ = Timer::timerWithTimeInterval(saveDelaySeconds, [this](Timer&) {
                if (std::string status = save(); !status.empty() && onStatus_)
                    onStatus_(std::move(status));
            }, false);
            RunLoop::currentRunLoop().addTimer(saveTimer_);
        }
    }
    resetRecall();
}

std::optional<std::string> CommandHistory::older(std::string_view editing)
{
    if (cursor_ == 0)
        return std::nullopt;
    if (cursor_ == messages_.size())
        editing_ = editing;
    return messages_[--cursor_];
}

std::optional<std::string> CommandHistory::newer()
{
    if (cursor_ >= messages_.size())
        return std::nullopt;
    return ++cursor_ == messages_.size() ? editing_ : messages_[cursor_];
}

void CommandHistory::resetRecall()
{
    cursor_ = messages_.size();
    editing_.clear();
}

std::vector<std::string> CommandHistory::recent(std::size_t count) const
{
    std::vector<std::string> result;
    for (auto it = messages_.rbegin(); it != messages_.rend() && result.size() < count; ++it)
        result.push_back(*it);
    return result;
}

std::string CommandHistory::forget()
{
    messages_.clear();
    resetRecall();
    dirty_ = true;
    return save();
}

std::string CommandHistory::save()
{
    if (!dirty_ || path_.empty())
        return {};
    std::vector<Record> records;
    records.reserve(messages_.size());
    for (const std::string& message : messages_)
        records.push_back({message});
    if (const int error = saveFileAtomically(path_, writeRecords(header, records)); error != 0)
        return "The command history could not be saved (" + path_ + ": " + std::strerror(error) + ").";
    dirty_ = false;
    return {};
}
