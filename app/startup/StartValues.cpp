#include "app/startup/StartValues.h"

#include "devices/CharacterFormat.h"
#include "serial/NetworkAddress.h"

#include <cctype>
#include <charconv>
#include <utility>

namespace {

std::string lowered(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string quoted(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

// The value a name stands for among `names`, each a list of spellings and its value.
template <typename Value, std::size_t N>
std::optional<Value> named(std::string_view text, const std::pair<const char*, Value> (&names)[N],
                           const char* what, const char* choices, std::string& error)
{
    const std::string lower = lowered(text);
    for (const auto& [name, value] : names)
        if (lower == name)
            return value;
    error = quoted(text) + " is not a " + what + "; use " + choices;
    return std::nullopt;
}

std::optional<CharacterFormat::Parity> parityOf(char letter)
{
    using Parity = CharacterFormat::Parity;
    switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'N': return Parity::None;
    case 'E': return Parity::Even;
    case 'O': return Parity::Odd;
    case 'M': return Parity::Mark;
    case 'S': return Parity::Space;
    default: return std::nullopt;
    }
}

// "even-7-1", as the Format pop-up names formats: parity, data bits, stop bits.
std::optional<CharacterFormat> fromTitle(std::string_view text)
{
    const std::size_t first = text.find('-');
    const std::size_t second = text.rfind('-');
    if (first == std::string_view::npos || second != first + 2 || text.size() != second + 2)
        return std::nullopt;
    const std::string parity = lowered(text.substr(0, first));
    for (const char* name : {"none", "even", "odd", "mark", "space"})
        if (parity == name)
            return CharacterFormat{text[first + 1] - '0', *parityOf(name[0]), text[second + 1] - '0'};
    return std::nullopt;
}

} // namespace

std::optional<int> StartValues::baud(std::string_view text, int lowest, int highest, std::string& error)
{
    int rate = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, rate);
    if (text.empty() || failure != std::errc() || stop != end || rate < lowest || rate > highest) {
        error = quoted(text) + " is not a baud rate; give a whole number from " + std::to_string(lowest) + " to " +
                std::to_string(highest);
        return std::nullopt;
    }
    return rate;
}

std::optional<int> StartValues::format(std::string_view text, bool markAndSpace, std::string& error)
{
    std::optional<CharacterFormat> format;
    if (text.size() == 3 && parityOf(text[1]))
        format = CharacterFormat{text[0] - '0', *parityOf(text[1]), text[2] - '0'};
    else
        format = fromTitle(text);
    if (!format || format->dataBits < 5 || format->dataBits > 8 || format->stopBits < 1 || format->stopBits > 2) {
        error = quoted(text) + " is not a character format; give data bits 5-8, parity N, E, O, M or S and stop bits "
                               "1 or 2, as in 8N1 or 7E1";
        return std::nullopt;
    }
    using Parity = CharacterFormat::Parity;
    if (!markAndSpace && (format->parity == Parity::Mark || format->parity == Parity::Space)) {
        error = quoted(text) + ": this system has no mark or space parity";
        return std::nullopt;
    }
    return format->toFlag();
}

std::optional<int> StartValues::flow(std::string_view text, std::string& error)
{
    static const std::pair<const char*, int> names[] = {
        {"none", 0}, {"xon", 1}, {"xonxoff", 1}, {"hw", 2}, {"hardware", 2}, {"rtscts", 2}};
    return named(text, names, "flow control", "none, xon or hw", error);
}

std::optional<ViewType> StartValues::view(std::string_view text, std::string& error)
{
    static const std::pair<const char*, ViewType> names[] = {{"text", ViewTypeText}, {"mixed", ViewTypeMixed},
        {"dec", ViewTypeDecimal}, {"decimal", ViewTypeDecimal}, {"hex", ViewTypeHex}, {"hexadecimal", ViewTypeHex}};
    return named(text, names, "view", "text, mixed, dec or hex", error);
}

std::optional<TextEncoding> StartValues::encoding(std::string_view text, std::string& error)
{
    static const std::pair<const char*, TextEncoding> names[] = {{"latin1", TextEncodingLatin1},
        {"latin-1", TextEncodingLatin1}, {"utf8", TextEncodingUtf8}, {"utf-8", TextEncodingUtf8}};
    return named(text, names, "text encoding", "latin1 or utf8", error);
}

bool StartValues::port(std::string_view text, std::string& error)
{
    if (text.empty()) {
        error = "An empty port name";
        return false;
    }
    return !NetworkAddress::looksLikeOne(text) || NetworkAddress::parse(text, error).has_value();
}
