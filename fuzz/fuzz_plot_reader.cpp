// Reads arbitrary bytes as the plot would, in pieces whose sizes the first byte picks, and
// holds the reader to its promises: the same samples however the bytes are split, every value
// finite, names within bounds and free of separators, and a model whose CSV reads back as itself.
#include "app/plot/PlotLineReader.h"
#include "app/plot/PlotModel.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

struct Run {
    std::string transcript;
    PlotModel model;
    PlotLineReader reader{[this](std::span<const PlotField> fields) {
        if (fields.empty() || fields.size() > PlotLineReader::maxFields)
            __builtin_trap();
        for (const PlotField& field : fields) {
            if (!std::isfinite(field.value) || field.name.empty() || field.name.size() > PlotLineReader::maxNameBytes ||
                field.name.find_first_of(",; \t\r\n:=") != std::string_view::npos)
                __builtin_trap();
            transcript.append(field.name).append(reinterpret_cast<const char*>(&field.value), sizeof field.value);
        }
        transcript += '\n';
        model.add(fields);
    }};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t step = data[0] % 16 + 1;
    const std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);

    Run whole, pieces;
    whole.model.setWindow(PlotModel::maxWindow);
    pieces.model.setWindow(PlotModel::maxWindow);
    whole.reader.feed(input);
    for (std::size_t at = 0; at < input.size(); at += step)
        pieces.reader.feed(input.substr(at, step));
    if (whole.transcript != pieces.transcript || whole.reader.skippedLines() != pieces.reader.skippedLines())
        __builtin_trap();

    // What the model exports reads back as the same export.
    const std::string csv = whole.model.csv();
    Run again;
    again.model.setWindow(PlotModel::maxWindow);
    again.reader.feed(csv);
    if (whole.model.droppedSeries() == 0 && again.model.csv() != csv)
        __builtin_trap();
    return 0;
}
