#include "app/send/recordFile.h"

#include "app/send/saveFileAtomically.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

void appendField(std::string& out, std::string_view field)
{
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '%') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(hexDigits[byte >> 4]);
            out.push_back(hexDigits[byte & 0xF]);
        }
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> readField(std::string_view text)
{
    std::string field;
    field.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            field.push_back(text[i]);
            continue;
        }
        const int high = i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low < 0)
            return std::nullopt;
        field.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return field;
}

} // namespace

std::string writeRecords(std::string_view header, const std::vector<Record>& records)
{
    std::string out(header);
    out.push_back('\n');
    for (const Record& record : records) {
        for (std::size_t i = 0; i < record.size(); ++i) {
            if (i > 0)
                out.push_back('\t');
            appendField(out, record[i]);
        }
        out.push_back('\n');
    }
    return out;
}

std::optional<std::vector<Record>> readRecords(std::string_view header, std::string_view text)
{
    if (!text.starts_with(header) || text.substr(header.size(), 1) != "\n")
        return std::nullopt;
    text.remove_prefix(header.size() + 1);
    std::vector<Record> records;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        Record record;
        for (;;) {
            const std::size_t tab = line.find('\t');
            std::optional<std::string> field = readField(line.substr(0, tab));
            if (!field)
                return std::nullopt;
            record.push_back(std::move(*field));
            if (tab == std::string_view::npos)
                break;
            line.remove_prefix(tab + 1);
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::vector<Record> loadRecords(const std::string& path, std::string_view header, std::size_t fields,
                                std::string& problem)
{
    problem.clear();
    std::string text;
    if (const int error = readWholeFile(path, text); error != 0) {
        if (error != ENOENT)
            problem = "could not be read (" + path + ": " + std::strerror(error) + ")";
        return {};
    }
    std::optional<std::vector<Record>> records = readRecords(header, text);
    const auto wrong = [fields](const Record& record) { return fields != 0 && record.size() != fields; };
    if (!records || std::any_of(records->begin(), records->end(), wrong)) {
        problem = "in " + path + " is damaged";
        return {};
    }
    return std::move(*records);
}
