#include "toolkit/Log.h"

#include "toolkit/LogWriter.h"

#include <cstdarg>
#include <cstdio>
#include <string>

void logLine(std::string_view text)
{
    std::string line;
    line.reserve(text.size() + 1);
    line.append(text);
    line.push_back('\n');
    LogWriter::shared().write(line);
}

void logLinef(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (needed > 0) {
        text.resize(static_cast<std::size_t>(needed));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    logLine(text);
}

LogSink setLogSink(LogSink sink)
{
    return LogWriter::shared().setSink(std::move(sink));
}

bool flushLog(std::chrono::milliseconds timeout)
{
    return LogWriter::shared().flush(timeout);
}
