// Feeds a plot from a window's received stream: every byte read, whatever the view shows,
// goes through a line reader into the model. A port that opens again starts a fresh line.
// Whoever shows the model is told after a delivery that changed what it would show.
#pragma once

#include "app/plot/PlotLineReader.h"
#include "app/plot/PlotModel.h"
#include "app/stream/StreamConsumer.h"

#include <functional>

class PlotFeed : public StreamConsumer {
public:
    explicit PlotFeed(PlotModel& model);

    void received(std::string_view bytes, const Moment& at) override;
    void portEvent(const PortEvent& event) override;

    const PlotLineReader& reader() const { return reader_; }
    void whenChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    PlotModel& model_;
    std::function<void()> changed_;
    PlotLineReader reader_;
};
