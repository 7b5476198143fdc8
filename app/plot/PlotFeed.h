// Feeds a plot from a window's received stream: every byte read, whatever the view shows,
// goes through a line reader into the model. A port that opens again starts a fresh line.
#pragma once

#include "app/plot/PlotLineReader.h"
#include "app/plot/PlotModel.h"
#include "app/stream/StreamConsumer.h"

class PlotFeed : public StreamConsumer {
public:
    explicit PlotFeed(PlotModel& model);

    void received(std::string_view bytes, const Moment& at) override;
    void portEvent(const PortEvent& event) override;

    const PlotLineReader& reader() const { return reader_; }

private:
    PlotModel& model_;
    PlotLineReader reader_;
};
