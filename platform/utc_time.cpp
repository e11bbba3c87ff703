#include "platform/utc_time.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace platform {

std::string utcTimestamp(int64_t unixSeconds) {
    using namespace std::chrono;
    // Four-digit years only: 1970-01-01 to 9999-12-31.
    unixSeconds = std::clamp<int64_t>(unixSeconds, 0, 253402300799);
    int64_t days = unixSeconds / 86400;
    int64_t rest = unixSeconds % 86400;
    year_month_day date{sys_days{duration<int, days::period>{static_cast<int>(days)}}};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(rest / 3600),
                  static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60));
    return text;
}

bool parseUtcTimestamp(const char* text, size_t length, int64_t& unixSeconds) {
    // YYYY-MM-DDTHH:MM:SSZ
    static const char kShape[] = "dddd-dd-ddTdd:dd:ddZ";
    if (length != sizeof kShape - 1) return false;
    for (size_t i = 0; i < length; ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i]) return false;
    }
    auto number = [text](int at, int width) {
        int value = 0;
        for (int i = 0; i < width; ++i)
            value = value * 10 + (text[at + i] - '0');
        return value;
    };
    using namespace std::chrono;
    year_month_day date{year{number(0, 4)}, month{static_cast<unsigned>(number(5, 2))},
                        day{static_cast<unsigned>(number(8, 2))}};
    int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) return false;
    int64_t days = sys_days{date}.time_since_epoch().count();
    unixSeconds = days * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}

int64_t unixTimeNow() {
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace platform
