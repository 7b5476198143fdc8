// A scroll bar that repaints only when a change of range or value would look different, and,
// while the program rather than the user moves it (a view whose text grows changes its range at
// every tick), at most once a second: a styled repaint had cost more than all else in a tick.
#pragma once

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QRect>
#include <QScrollBar>

class QuietScrollBar : public QScrollBar {
    Q_OBJECT

public:
    explicit QuietScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    // While one lives, changes are the program's: a new look soon after the last paint waits
    // for the rest of the interval. The user's own scrolling always shows at once.
    class ProgramChange {
    public:
        explicit ProgramChange(QuietScrollBar& bar) : bar_(bar), was_(bar.byProgram_) { bar.byProgram_ = true; }
        ~ProgramChange() { bar_.byProgram_ = was_; }
        ProgramChange(const ProgramChange&) = delete;
        ProgramChange& operator=(const ProgramChange&) = delete;

    private:
        QuietScrollBar& bar_;
        bool was_;
    };

    static constexpr int paintInterval = 1000; // milliseconds

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

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
    bool byProgram_ = false;
    QElapsedTimer sincePaint_;
    QBasicTimer late_;
};
