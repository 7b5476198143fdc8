// The text form of what the program keeps across runs: a first line naming the kind and its
// version, then one line per record, its fields apart by tabs. Fields hold any bytes: those
// that aren't printable ASCII, and '%', are written %HH, so a file stays one record a line
// and can be read (and mended) by hand.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

using Record = std::vector<std::string>;

std::string writeRecords(std::string_view header, const std::vector<Record>& records);
// Nothing when the text is not such a file: another first line, a line cut short (the last
// one without its line feed), or a % that is not followed by two hexadecimal digits.
std::optional<std::vector<Record>> readRecords(std::string_view header, std::string_view text);
// Reads such a file whose records have `fields` fields each (0: any number, at least one). A
// file that is not there yet holds none. Otherwise `problem` says what went wrong, to follow
// the name of what the file keeps: "could not be read (path: reason)", "in path is damaged";
// it is "" when the records were read.
std::vector<Record> loadRecords(const std::string& path, std::string_view header, std::size_t fields,
                                std::string& problem);
