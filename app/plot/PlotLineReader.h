// Reads the numbers a device prints, line by line, from its bytes as they come in pieces of any
// size: a line of numbers split by commas, semicolons, spaces or tabs is one sample, its columns
// named by a first line of names or "value1", "value2"...; `name:value` and `name=value` name
// their series. Lines without a finite number are skipped; over-long lines are dropped whole.
#pragma once

#include "app/plot/PlotField.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class PlotLineReader {
public:
    // Told once per sample, the fields in the order of the line, never empty.
    using Sink = std::function<void(std::span<const PlotField>)>;
    static constexpr std::size_t maxLineBytes = 4096;
    static constexpr std::size_t maxFields = 64;
    static constexpr std::size_t maxNameBytes = 64;

    explicit PlotLineReader(Sink sink) : sink_(std::move(sink)) {}

    void feed(std::string_view bytes);
    // The stream starts over (the port opened again): a partial line is dropped, and a line
    // of names may name the columns again.
    void restart();

    std::uint64_t samples() const { return samples_; }
    std::uint64_t skippedLines() const { return skipped_; }

    // A whole field as a number: optional sign, decimals, exponent; nullopt for anything else
    // and for nan and infinity.
    static std::optional<double> number(std::string_view field);

private:
    void line(std::string_view text);
    std::string_view columnName(std::size_t column);
    bool isName(std::string_view field) const;

    Sink sink_;
    std::string pending_;
    bool overlong_ = false;
    // Until the first sample of unnamed columns, a line of names names them.
    bool headerOpen_ = true;
    std::vector<std::string> header_;
    // A deque: fields of the line being read point into the names made before them.
    std::deque<std::string> columnNames_;
    std::vector<PlotField> fields_;
    std::vector<std::pair<std::size_t, std::string_view>> words_; // column, name
    std::uint64_t samples_ = 0;
    std::uint64_t skipped_ = 0;
};
