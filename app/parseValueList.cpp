#include "app/parseValueList.h"

#include "app/readByteValue.h"

std::u16string parseValueList(std::string_view list)
{
    std::u16string result;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = list.find(',', start);
        const std::size_t end = comma == std::string_view::npos ? list.size() : comma;
        if (const auto value = readByteValue(list.substr(start, end - start), 10))
            result.push_back(static_cast<char16_t>(*value));
        if (comma == std::string_view::npos)
            return result;
        start = comma + 1;
    }
}
