// A scroll bar that repaints only when a change of range or value would look different.
// A view whose text grows at every read tick changes its range each time, often by less than a
// pixel of the handle; the styled repaint costs more than all else in such a tick.
#pragma once

#include <QRect>
#include <QScrollBar>

class QuietScrollBar : public QScrollBar {
    Q_OBJECT

public:
    explicit QuietScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };

    Look look() const;

    Look painted_;
    bool everPainted_ = false;
};
