#include "app/send/LineEnding.h"

std::string_view lineEndingBytes(LineEnding ending)
{
    switch (ending) {
    case LineEnding::Lf:
        return "\n";
    case LineEnding::Cr:
        return "\r";
    case LineEnding::CrLf:
        return "\r\n";
    case LineEnding::None:
        break;
    }
    return {};
}

std::string withLineEnding(std::string_view message, LineEnding ending)
{
    std::string bytes(message);
    bytes += lineEndingBytes(ending);
    return bytes;
}

std::string_view lineEndingName(LineEnding ending)
{
    switch (ending) {
    case LineEnding::Lf:
        return "LF";
    case LineEnding::Cr:
        return "CR";
    case LineEnding::CrLf:
        return "CR LF";
    case LineEnding::None:
        break;
    }
    return "None";
}
