#include "app/plot/PlotLineReader.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

// Each sample as "name=value name=value", one string per sample.
struct Samples {
    std::vector<std::string> seen;
    PlotLineReader reader{[this](std::span<const PlotField> fields) {
        std::string sample;
        for (const PlotField& field : fields)
            sample += (sample.empty() ? "" : " ") + std::string(field.name) + "=" + shown(field.value);
        seen.push_back(sample);
    }};
    static std::string shown(double v)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%g", v);
        return text;
    }
    std::vector<std::string> read(std::string_view bytes)
    {
        reader.feed(bytes);
        return std::exchange(seen, {});
    }
};

using Lines = std::vector<std::string>;

} // namespace

TEST(PlotLineReaderTest, EverySeparatorSplitsColumnsAndEmptyFieldsKeepTheirPlace)
{
    Samples s;
    EXPECT_EQ(s.read("1,2;3 4\t5\n"), Lines{"value1=1 value2=2 value3=3 value4=4 value5=5"});
    EXPECT_EQ(s.read("  1 ,  2  ;3  \r\n"), Lines{"value1=1 value2=2 value3=3"});
    EXPECT_EQ(s.read("1,,3\n,2\n"), (Lines{"value1=1 value3=3", "value2=2"}));
}

TEST(PlotLineReaderTest, NumbersInEveryUsualFormAndNoOthers)
{
    Samples s;
    EXPECT_EQ(s.read("-3 0.5 1e-3 +7 .25 -2.5E+2\n"),
              Lines{"value1=-3 value2=0.5 value3=0.001 value4=7 value5=0.25 value6=-250"});
    // Not numbers, or not finite: their columns stay empty.
    EXPECT_EQ(s.read("nan 1 inf -inf 2 ++3 0x10 1e999 12V 4\n"), Lines{"value2=1 value5=2 value10=4"});
    EXPECT_EQ(PlotLineReader::number("+-1"), std::nullopt);
    EXPECT_EQ(PlotLineReader::number(""), std::nullopt);
}

TEST(PlotLineReaderTest, PlainDecimalsReadToTheSameBitsAsFromChars)
{
    const auto reference = [](std::string_view text) -> std::optional<double> {
        double value = 0;
        const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc{} || stop != text.data() + text.size())
            return std::nullopt;
        return value;
    };
    std::vector<std::string> cases{"0", "-0", "1.", ".5", "-.5", "-", ".", "1..2", "1.2.3", "-1-",
                                   "007.100", "999999999999999", "9999999999999999", "0.1", "0.3",
                                   "123456789.012345", "1234567890.123456", "-5e-324"};
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const int width = 1 + static_cast<int>(random() % 15);
        std::string digits = std::to_string(random() % 1000000000000000ULL).substr(0, static_cast<std::size_t>(width));
        digits.insert(random() % (digits.size() + 1), ".");
        cases.push_back((random() % 2 ? "-" : "") + digits);
    }
    for (const std::string& text : cases) {
        const std::optional<double> read = PlotLineReader::number(text), expected = reference(text);
        ASSERT_EQ(read.has_value(), expected.has_value()) << text;
        if (read) {
            ASSERT_EQ(std::bit_cast<std::uint64_t>(*read), std::bit_cast<std::uint64_t>(*expected)) << text;
        }
    }
}

TEST(PlotLineReaderTest, PairsNameTheirSeriesWithColonOrEqualsAndASpaceAfterTheMark)
{
    Samples s;
    EXPECT_EQ(s.read("temp:21.5 hum:40\n"), Lines{"temp=21.5 hum=40"});
    EXPECT_EQ(s.read("setpoint=100,actual=97.3\n"), Lines{"setpoint=100 actual=97.3"});
    EXPECT_EQ(s.read("temp: 22 hum: 41\n"), Lines{"temp=22 hum=41"});
    // A time is no name; a pair without a number adds nothing.
    EXPECT_EQ(s.read("12:30:01 temp:x 5\n"), Lines{"value3=5"});
    // A series that appears late joins the others; a line without names numbers its columns.
    EXPECT_EQ(s.read("a:1\na:2 b:3\n4 5 6\n"), (Lines{"a=1", "a=2 b=3", "value1=4 value2=5 value3=6"}));
}

TEST(PlotLineReaderTest, AFirstLineOfNamesNamesTheColumnsUntilSamplesBegin)
{
    Samples s;
    EXPECT_EQ(s.read("Booting sensor\n"), Lines{});
    EXPECT_EQ(s.read("time,temp,,pressure\n1,2,3,4\n"), Lines{"time=1 temp=2 value3=3 pressure=4"});
    // Once samples came, words are only words.
    EXPECT_EQ(s.read("a,b,c,d\n5\n"), Lines{"time=5"});
    s.reader.restart();
    EXPECT_EQ(s.read("x\n7\n"), Lines{"x=7"});
}

TEST(PlotLineReaderTest, LinesWithoutNumbersAreSkippedAndCounted)
{
    Samples s;
    EXPECT_EQ(s.read("\n\r\n\n"), Lines{});
    EXPECT_EQ(s.reader.skippedLines(), 0u);
    EXPECT_EQ(s.read("1\nerror: sensor timeout!\n\x01\x02\xff\n,;,\n2\n"), (Lines{"value1=1", "value1=2"}));
    EXPECT_EQ(s.reader.skippedLines(), 3u);
    EXPECT_EQ(s.reader.samples(), 2u);
}

TEST(PlotLineReaderTest, ANumberSplitAcrossReadsIsReadWhole)
{
    Samples s;
    EXPECT_EQ(s.read("temp:2"), Lines{});
    EXPECT_EQ(s.read("1.5"), Lines{});
    EXPECT_EQ(s.read("e1 h"), Lines{});
    EXPECT_EQ(s.read("um:4"), Lines{});
    EXPECT_EQ(s.read("0\r"), Lines{"temp=215 hum=40"});
    EXPECT_EQ(s.read("\n3\n4"), Lines{"value1=3"});
    // A port that opens again starts on a fresh line.
    s.reader.restart();
    EXPECT_EQ(s.read("5\n"), Lines{"value1=5"});
}

TEST(PlotLineReaderTest, ALineTooLongIsDroppedWholeAndTheNextReadAsUsual)
{
    Samples s;
    const std::string longLine(PlotLineReader::maxLineBytes + 1, '1');
    EXPECT_EQ(s.read(longLine.substr(0, 100)), Lines{});
    EXPECT_EQ(s.read(longLine.substr(100)), Lines{});
    EXPECT_EQ(s.read("2\n3\n"), Lines{"value1=3"});
    EXPECT_EQ(s.reader.skippedLines(), 1u);
    // A line of exactly the most is read.
    std::string most(PlotLineReader::maxLineBytes - 2, ' ');
    most.front() = '7';
    most.back() = '8';
    EXPECT_EQ(s.read(most + "\n"), Lines{"value1=7 value2=8"});
    // And fields past the most are left out.
    std::string many;
    for (std::size_t i = 0; i < PlotLineReader::maxFields + 5; ++i)
        many += "1,";
    EXPECT_EQ(s.reader.samples(), 2u);
    s.reader.feed(many + "\n");
    EXPECT_EQ(s.seen.size(), 1u);
    EXPECT_NE(s.seen.front().find("value64=1"), std::string::npos);
    EXPECT_EQ(s.seen.front().find("value65"), std::string::npos);
}
