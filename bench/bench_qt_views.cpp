// How fast the window's text views follow the document, under the offscreen platform, in each
// view mode: the receive view when its whole 2047-character buffer changed at a tick, a tick
// with nothing new, and the transmit editor after one keystroke at the end of a message of
// 1,000 characters, 64 KiB and 1 MiB; in Latin-1, then in UTF-8 ("u8"). Medians of many runs; goals 2 ms, 0.1 ms, 16 ms (the
// first two messages) and 100 ms. Exits 1 when a goal is missed. Usage: bench_qt_views [--runs N]
#include "bench/BenchTerminal.h"
#include "bench/PaintCounter.h"
#include "devices/Device.h"
#include "toolkit/qt/TextEditorWidget.h"
#include "toolkit/qt/TextViewWidget.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double receiveGoalMs = 2.0;
constexpr double idleGoalMs = 0.1;
// Typing must keep up with a person at any message length the editor is likely to hold; a
// pasted megabyte may be slower, but not so slow that typing after it stalls.
struct KeystrokeCase {
    std::size_t length;
    double goalMs;
    const char* name;
};
constexpr KeystrokeCase keystrokeCases[] = {
    {1000, 16.0, "1000 chars"}, {64 * 1024, 16.0, "64 KiB"}, {1024 * 1024, 100.0, "1 MiB"}};
const char* const modeNames[] = {"text", "mixed", "decimal", "hex"};

struct Figures {
    double median = 0;
    double p90 = 0;
    double worst = 0;
};

Figures summarize(std::vector<double> millis)
{
    std::sort(millis.begin(), millis.end());
    const std::size_t n = millis.size();
    const double median = n % 2 ? millis[n / 2] : (millis[n / 2 - 1] + millis[n / 2]) / 2;
    return Figures{median, millis[std::min(n - 1, n * 9 / 10)], millis.back()};
}

// Delivers what the widgets posted for themselves, as the event loop would in the same turn:
// the layout request when a scroll bar comes or goes, the resize that follows, the repaints.
void catchUp()
{
    for (int pass = 0; pass < 3; ++pass)
        QCoreApplication::sendPostedEvents();
}

// Times `action` plus everything it made the widgets do, painting included.
double timedMs(const std::function<void()>& action)
{
    const auto start = Clock::now();
    action();
    catchUp();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Lets the caret blink and the read timer fire between samples, and their repaints land.
void settle()
{
    QCoreApplication::processEvents();
    catchUp();
}

std::string randomBytes(std::mt19937& random, std::size_t count)
{
    std::uniform_int_distribution<int> byte(0x00, 0xFF);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(random));
    return bytes;
}

// Something a person would compose: words, a value or two outside ASCII, CR LF line ends.
std::u16string message(std::size_t length)
{
    const std::u16string line = u"AT+CMD=\"set\",42,ff\t\u00e9t\u00e9 ok 0123456789 abcdefghij xyz!\r\n";
    std::u16string text;
    text.reserve(length + line.size());
    while (text.size() < length)
        text += line;
    text.resize(length);
    return text;
}

class ViewBench {
public:
    ViewBench(MyDocumentWindow& window, int runs)
        : window_(window), controls_(window.controls()), document_(window.document()), runs_(runs),
          receivePaints_(window.receiveView()->viewport()), editorPaints_(window.sendEditor()->viewport())
    {
        std::mt19937 random(2047);
        for (int i = 0; i < 8; ++i)
            chunks_.push_back(randomBytes(random, Device::maxRecvChars));
    }

    // The receive view when every one of its 2047 characters is new. Consecutive chunks differ,
    // across view modes too, so no sample can find the text it already shows.
    Figures receiveUpdate()
    {
        return sample(runs_, [&] {
            const std::string& chunk = chunks_[nextChunk_++ % chunks_.size()];
            const int paints = receivePaints_.count();
            const double ms = timedMs([&] { document_.updateRecieveTF(chunk.data(), chunk.size()); });
            if (receivePaints_.count() == paints)
                throw std::runtime_error("the receive view did not repaint after its text changed");
            return ms;
        });
    }

    // A read tick that finds the port empty.
    Figures idleTick()
    {
        return sample(runs_, [&] {
            const int paints = receivePaints_.count() + editorPaints_.count();
            const double ms = timedMs([&] { document_.update(); });
            if (receivePaints_.count() + editorPaints_.count() != paints)
                throw std::runtime_error("a tick without data repainted a text view");
            return ms;
        });
    }

    // One character typed at the end of a message: the document rebuilds the whole editor text
    // in the view mode and the editor repaints. A long message takes fewer samples.
    Figures keystroke(std::size_t length)
    {
        TextView& editor = controls_.sendTF;
        editor.userReplaceCharacters(TextRange{0, editor.length()}, message(length));
        const AttributedText shown = editor.textStorage();
        const int runs = length > 100000 ? std::max(5, runs_ / 50) : runs_;
        return sample(runs, [&] {
            editor.setAttributedString(shown);
            editor.setSelectedRange(TextRange{shown.length(), 0});
            settle();
            const std::uint64_t revision = editor.textRevision();
            const int paints = editorPaints_.count();
            const double ms = timedMs([&] { QTest::keyClick(window_.sendEditor(), Qt::Key_X); });
            if (editor.textRevision() == revision || editorPaints_.count() == paints)
                throw std::runtime_error("the keystroke did not reach the editor, or it did not repaint");
            return ms;
        });
    }

private:
    static Figures sample(int runs, const std::function<double()>& run)
    {
        const int warmUp = std::max(3, runs / 10);
        std::vector<double> millis;
        for (int i = -warmUp; i < runs; ++i) {
            settle();
            const double ms = run();
            if (i >= 0)
                millis.push_back(ms);
        }
        return summarize(std::move(millis));
    }

    MyDocumentWindow& window_;
    TerminalControls& controls_;
    MyDocument& document_;
    int runs_;
    PaintCounter receivePaints_;
    PaintCounter editorPaints_;
    std::vector<std::string> chunks_;
    std::size_t nextChunk_ = 0;
};

int parseRuns(int argc, char** argv)
{
    if (argc == 1)
        return 1000;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) {
        char* end = nullptr;
        const long runs = std::strtol(argv[2], &end, 10);
        if (*end == '\0' && runs > 0 && runs <= 1000000)
            return static_cast<int>(runs);
    }
    std::fprintf(stderr, "usage: %s [--runs N]   (default 1000 per figure)\n", argv[0]);
    std::exit(2);
}

const char* verdict(double ms, double goal)
{
    return ms <= goal ? "met" : "MISSED";
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = parseRuns(argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    try {
        BenchTerminal terminal(argv[0]);
        terminal.openWindow();
        std::FILE* out = terminal.report();
        MyDocumentWindow& window = terminal.window();
        const QSize receiveSize = window.receiveView()->viewport()->size();
        const QSize editorSize = window.sendEditor()->viewport()->size();
        std::fprintf(out,
                     "Qt %s, platform %s; window %dx%d, receive view %dx%d (%d lines of %d cells), editor %dx%d "
                     "(%d lines).\n"
                     "Milliseconds per event, %d runs each: median / 90th percentile / slowest.\n"
                     "receive: the document appends 2047 new bytes and redraws the view, which lays the text out "
                     "again and paints (goal %.1f ms)\n"
                     "idle tick: a read tick that finds nothing, with whatever it repaints (goal %.1f ms)\n"
                     "keystroke: 'x' typed at the end of a message of each length, the editor rebuilt and "
                     "repainted (goals",
                     qVersion(), qPrintable(QGuiApplication::platformName()), window.width(), window.height(),
                     receiveSize.width(), receiveSize.height(), window.receiveView()->visibleLineCount(),
                     window.receiveView()->textLayout().columns(), editorSize.width(), editorSize.height(),
                     window.sendEditor()->visibleLineCount(), runs, receiveGoalMs, idleGoalMs);
        for (const KeystrokeCase& key : keystrokeCases)
            std::fprintf(out, " %.0f ms at %s%s", key.goalMs, key.name, &key == std::end(keystrokeCases) - 1 ? ")\n\n" : ",");
        std::fprintf(out, "%-8s %-28s %-28s", "mode", "receive", "idle tick");
        for (const KeystrokeCase& key : keystrokeCases)
            std::fprintf(out, " %-28s", (std::string("keystroke, ") + key.name).c_str());
        std::fprintf(out, "\n");

        const auto cell = [](const Figures& f, double goal) {
            char text[64];
            std::snprintf(text, sizeof text, "%.3f/%.3f/%.3f %s", f.median, f.p90, f.worst, verdict(f.median, goal));
            return std::string(text);
        };
        bool allMet = true;
        ViewBench bench(window, runs);
        // Random bytes are the worst UTF-8 there is: nearly every byte a gray U+FFFD or escape.
        for (int row = 0; row < 8; ++row) {
            const int mode = row % 4;
            const bool utf8 = row >= 4;
            window.document().setTextEncoding(utf8 ? TextEncodingUtf8 : TextEncodingLatin1);
            terminal.controls().viewFilter.userSelectSegment(mode);
            const Figures receive = bench.receiveUpdate();
            const Figures idle = bench.idleTick();
            std::fprintf(out, "%-8s %-28s %-28s", (std::string(utf8 ? "u8 " : "") + modeNames[mode]).c_str(),
                         cell(receive, receiveGoalMs).c_str(), cell(idle, idleGoalMs).c_str());
            std::fflush(out);
            allMet = allMet && receive.median <= receiveGoalMs && idle.median <= idleGoalMs;
            for (const KeystrokeCase& keyCase : keystrokeCases) {
                const Figures key = bench.keystroke(keyCase.length);
                std::fprintf(out, " %-28s", cell(key, keyCase.goalMs).c_str());
                std::fflush(out);
                allMet = allMet && key.median <= keyCase.goalMs;
            }
            std::fprintf(out, "\n");
        }
        std::fprintf(out, "\n%s\n", allMet ? "All goals met." : "A goal was missed.");
        return allMet ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_qt_views: %s\n", error.what());
        return 2;
    }
}
