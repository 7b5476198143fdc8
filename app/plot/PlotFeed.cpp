#include "app/plot/PlotFeed.h"

PlotFeed::PlotFeed(PlotModel& model)
    : model_(model), reader_([this](std::span<const PlotField> fields) { model_.add(fields); })
{}

void PlotFeed::received(std::string_view bytes, const Moment& at)
{
    (void)at;
    const std::uint64_t before = model_.revision();
    reader_.feed(bytes);
    if (changed_ && model_.revision() != before)
        changed_();
}

void PlotFeed::portEvent(const PortEvent& event)
{
    // A line cut by a closing port would join the first line after it opens again.
    if (event.kind != PortEvent::Kind::Note)
        reader_.restart();
}
