#include "app/history/StampText.h"

#include <cstdio>
#include <ctime>

long long StampText::millisIntoSecond(std::chrono::system_clock::time_point wall)
{
    using namespace std::chrono;
    const long long millis = duration_cast<milliseconds>(wall.time_since_epoch()).count();
    const long long second = millis / 1000 - (millis % 1000 < 0 ? 1 : 0);
    if (second != second_) {
        const auto seconds = static_cast<std::time_t>(second);
        std::tm local{};
        ::localtime_r(&seconds, &local);
        char text[32];
        const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
        dateTime_.assign(text, length);
        second_ = second;
    }
    return millis - second * 1000;
}

void StampText::appendDateTime(std::string& out, std::chrono::system_clock::time_point wall)
{
    const long long millis = millisIntoSecond(wall);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(millis));
    out.append(dateTime_).append(fraction);
}

void StampText::appendTime(std::string& out, std::chrono::system_clock::time_point wall)
{
    const long long millis = millisIntoSecond(wall);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(millis));
    // The time of day is what follows the date and its space.
    out.append(dateTime_, dateTime_.size() - 8, 8).append(fraction);
}
