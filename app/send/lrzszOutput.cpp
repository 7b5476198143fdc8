#include "app/send/lrzszOutput.h"

#include <cctype>

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// The number at the start of text after any spaces, with how far it reached.
std::optional<std::uint64_t> number(std::string_view text, std::size_t& end)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    std::uint64_t value = 0;
    const std::size_t first = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        value = value * 10 + static_cast<std::uint64_t>(text[i++] - '0');
    end = i;
    return i > first ? std::optional<std::uint64_t>(value) : std::nullopt;
}

} // namespace

void LrzszOutput::take(std::string_view bytes)
{
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') {
            line(partial_);
            partial_.clear();
        } else {
            partial_.push_back(c);
        }
    }
    // A progress line is rewritten in place and may not end for a long while: read it now.
    if (partial_.starts_with("Bytes ") || partial_.find("sectors/kbytes") != std::string::npos)
        line(partial_);
}

void LrzszOutput::line(std::string_view text)
{
    text = trimmed(text);
    if (text.empty())
        return;
    std::size_t end = 0;
    const auto after = [&](std::string_view label) -> std::optional<std::string_view> {
        const std::size_t at = text.find(label);
        return at == std::string_view::npos ? std::nullopt : std::optional(text.substr(at + label.size()));
    };
    if (auto rest = after("Bytes Sent:") ? after("Bytes Sent:") : after("Bytes received:")) {
        if (const auto value = number(*rest, end)) {
            done_ = *value;
            if (end < rest->size() && (*rest)[end] == '/')
                if (const auto size = number(rest->substr(end + 1), end))
                    total_ = *size;
            answered_ = answered_ || done_ > 0;
        }
        return;
    }
    if (auto rest = after("sectors/kbytes sent:")) {
        // XMODEM and YMODEM count 128-byte sectors.
        if (const auto sectors = number(*rest, end)) {
            done_ = *sectors * 128;
            answered_ = answered_ || done_ > 0;
        }
        return;
    }
    if (auto rest = after("Blocks received:")) {
        if (const auto blocks = number(*rest, end); blocks && *blocks > 0)
            answered_ = true;
        return;
    }
    for (const std::string_view label : {std::string_view("Sending:"), std::string_view("Receiving:")}) {
        if (text.starts_with(label)) {
            const std::string_view name = trimmed(text.substr(label.size()));
            if (!name.empty()) {
                files_.emplace_back(name);
                done_ = 0;
                total_.reset();
                if (label == "Receiving:")
                    answered_ = true;
            }
            return;
        }
    }
    lastMessage_ = std::string(text);
}
