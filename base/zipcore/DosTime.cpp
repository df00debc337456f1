#include "base/zipcore/DosTime.h"

namespace zipcore {

namespace {

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return (month == 2 && IsLeap(year)) ? 29 : kDays[month - 1];
}

bool IsValidDateTime(const DateTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) &&
           t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 &&
           t.second < 60;
}

std::optional<DateTime> DecodeDosTime(std::uint32_t dos) {
    const std::uint32_t date = dos >> 16, time = dos & 0xFFFF;
    DateTime t;
    t.year = kDosMinYear + static_cast<int>(date >> 9);
    t.month = static_cast<int>((date >> 5) & 0x0F);
    t.day = static_cast<int>(date & 0x1F);
    t.hour = static_cast<int>(time >> 11);
    t.minute = static_cast<int>((time >> 5) & 0x3F);
    t.second = static_cast<int>(time & 0x1F) * 2;
    if (!IsValidDateTime(t)) return std::nullopt;
    return t;
}

std::optional<std::uint32_t> EncodeDosTime(const DateTime& in) {
    if (!IsValidDateTime(in)) return std::nullopt;
    DateTime t = in;
    if (t.second % 2 != 0) {
        // Carry the rounded second upwards through the calendar.
        if (++t.second == 60) {
            t.second = 0;
            if (++t.minute == 60) {
                t.minute = 0;
                if (++t.hour == 24) {
                    t.hour = 0;
                    if (++t.day > DaysInMonth(t.year, t.month)) {
                        t.day = 1;
                        if (++t.month > 12) {
                            t.month = 1;
                            ++t.year;
                        }
                    }
                }
            }
        }
    }
    if (t.year < kDosMinYear) t = DateTime{kDosMinYear, 1, 1, 0, 0, 0};
    if (t.year > kDosMaxYear) t = DateTime{kDosMaxYear, 12, 31, 23, 59, 58};
    const std::uint32_t date = (static_cast<std::uint32_t>(t.year - kDosMinYear) << 9) |
                               (static_cast<std::uint32_t>(t.month) << 5) |
                               static_cast<std::uint32_t>(t.day);
    const std::uint32_t time = (static_cast<std::uint32_t>(t.hour) << 11) |
                               (static_cast<std::uint32_t>(t.minute) << 5) |
                               static_cast<std::uint32_t>(t.second / 2);
    return (date << 16) | time;
}

} // namespace zipcore
