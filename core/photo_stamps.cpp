#include "core/photo_stamps.h"

#include <cstdio>

namespace vandrel {
namespace {

constexpr int64_t kMillisecondsPerDay = 86'400'000;

int64_t stampValue(const SystemTime& t) {
    const int64_t day = daysFromCivil(t.year, t.month, t.day);
    return day * kMillisecondsPerDay + ((t.hour * 60 + t.minute) * 60 + t.second) * int64_t{1000} +
           t.milliseconds;
}

std::string stampText(int64_t value) {
    int64_t day = value / kMillisecondsPerDay;
    int64_t rest = value % kMillisecondsPerDay;
    if (rest < 0) {
        rest += kMillisecondsPerDay;
        --day;
    }
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    civilFromDays(day, year, month, dayOfMonth);
    const auto ms = static_cast<int>(rest % 1000);
    const auto seconds = static_cast<int>(rest / 1000);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4d%.2d%.2d%.2d%.2d%.2d%.3d", year, month, dayOfMonth,
                  seconds / 3600, seconds / 60 % 60, seconds % 60, ms);
    return buffer;
}

}  // namespace

std::string PhotoStamps::next() {
    int64_t value = stampValue(clock_());
    if (value <= last_) {
        value = last_ + 1;
    }
    last_ = value;
    return stampText(value);
}

}  // namespace vandrel
