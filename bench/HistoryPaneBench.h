// The received-history pane on a full history, offscreen: opening it and painting, jumping to
// the start, paging down and jumping anywhere, copying everything, and how long a key posted
// at any moment waits while a search runs in the pane's steps.
#pragma once

#include "app/history/ReceivedHistory.h"
#include "app/text/ViewType.h"
#include "app/window/history/HistoryFindBar.h"
#include "app/window/history/HistoryLinesView.h"
#include "app/window/history/HistoryView.h"
#include "bench/Spread.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace historybench {

// Delivers what the widgets posted for themselves and paints the view's rows now.
inline void paintNow(HistoryView& view)
{
    QCoreApplication::sendPostedEvents();
    view.lines().viewport()->repaint();
}

inline bool paneOn64MiB(int runs, ReceivedHistory& history)
{
    using Clock = std::chrono::steady_clock;
    std::fprintf(stderr, "The pane on the same history (offscreen)\n");
    std::vector<double> open, jump, copy, page, jumpAbout, keyWait, keyWait90;
    double copiedMiB = 0;
    double worstPage = 0, worstJump = 0, worstKey = 0;
    std::mt19937 random(1);
    for (int run = 0; run < runs; ++run) {
        auto start = Clock::now();
        HistoryView view(history);
        view.resize(900, 600);
        view.show();
        if (!QTest::qWaitForWindowExposed(&view))
            throw std::runtime_error("the pane never showed");
        paintNow(view);
        open.push_back(millisSince(start));
        start = Clock::now();
        QTest::keyClick(&view.lines(), Qt::Key_Home, Qt::ControlModifier);
        paintNow(view);
        jump.push_back(millisSince(start));
        view.selectAll();
        start = Clock::now();
        const QString copied = QString::fromStdString(view.lines().selectedText());
        copy.push_back(millisSince(start));
        copiedMiB = static_cast<double>(copied.size()) * 2 / (1 << 20);
        view.lines().clearSelection();
        std::vector<double> pages, jumps;
        for (int i = 0; i < 200; ++i) {
            start = Clock::now();
            QTest::keyClick(&view.lines(), Qt::Key_PageDown);
            paintNow(view);
            pages.push_back(millisSince(start));
            start = Clock::now();
            QScrollBar* bar = view.lines().verticalScrollBar();
            bar->setValue(static_cast<int>(random() % static_cast<unsigned>(bar->maximum() + 1)));
            paintNow(view);
            jumps.push_back(millisSince(start));
        }
        page.push_back(spread(pages).median);
        jumpAbout.push_back(spread(jumps).median);
        worstPage = std::max(worstPage, spread(pages).high);
        worstJump = std::max(worstJump, spread(jumps).high);

        // Keys while a search runs in mixed, the slower view: another thread posts a key every
        // 20 ms, whenever that falls, and each is timed until the view gets it.
        view.setViewType(ViewTypeMixed);
        QTest::keyClick(&view.lines(), Qt::Key_Home, Qt::ControlModifier);
        view.openFind();
        view.findBar().patternField()->setText(QStringLiteral("\\13\\10"));
        std::vector<double> waits;
        std::mutex postedMutex;
        std::deque<Clock::time_point> posted;
        struct KeyTimer : QObject {
            std::function<void()> got;
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() == QEvent::KeyPress)
                    got();
                return false;
            }
        } filter;
        filter.got = [&] {
            const std::lock_guard lock(postedMutex);
            waits.push_back(millisSince(posted.front()));
            posted.pop_front();
        };
        view.lines().installEventFilter(&filter);
        std::atomic<bool> searching{true};
        HistoryLinesView* lines = &view.lines();
        std::thread typist([&] {
            while (searching) {
                {
                    const std::lock_guard lock(postedMutex);
                    posted.push_back(Clock::now());
                }
                QCoreApplication::postEvent(lines, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
                std::this_thread::sleep_for(std::chrono::milliseconds(20) + std::chrono::microseconds(random() % 1000));
            }
        });
        while (view.finder().hasWork())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        searching = false;
        typist.join();
        QCoreApplication::sendPostedEvents(lines);
        view.lines().removeEventFilter(&filter);
        keyWait.push_back(spread(waits).median);
        std::sort(waits.begin(), waits.end());
        keyWait90.push_back(waits[waits.size() * 9 / 10]);
        worstKey = std::max(worstKey, spread(waits).high);
        view.closeFind();
    }
    const Spread o = spread(open), j = spread(jump), k = spread(keyWait);
    std::fprintf(stderr, "  open and paint %s ms, jump to the start %s ms\n", shown(o).c_str(), shown(j).c_str());
    std::fprintf(stderr, "  select all and copy's text (%.0f MiB as UTF-16): %s ms\n", copiedMiB,
                 shown(spread(copy), 0).c_str());
    std::fprintf(stderr, "  page down: median %s ms (slowest %.2f); jump anywhere: median %s ms (slowest %.2f)\n",
                 shown(spread(page)).c_str(), worstPage, shown(spread(jumpAbout)).c_str(), worstJump);
    std::fprintf(stderr, "  a key during a search waits: median %s ms, 90th percentile %s ms, slowest %.2f ms\n\n",
                 shown(k).c_str(), shown(spread(keyWait90)).c_str(), worstKey);
    return o.median <= 100 && j.median <= 100 && worstKey <= 16;
}

} // namespace historybench
