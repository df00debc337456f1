#include "mainwindow/TextFormat.h"

#include <windows.h>

#include <cmath>

namespace contents {

std::string EntryFileName(const std::string& name) {
    size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string EntryFolder(const std::string& name) {
    size_t slash = name.rfind('/');
    return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

std::string FormatThousands(const std::string& number) {
    size_t start = (!number.empty() && number[0] == '-') ? 1 : 0;
    if (start == number.size()) return number;
    for (size_t i = start; i < number.size(); ++i)
        if (number[i] < '0' || number[i] > '9') return number;
    std::string out = number.substr(0, start);
    size_t digits = number.size() - start;
    for (size_t i = 0; i < digits; ++i) {
        if (i > 0 && (digits - i) % 3 == 0) out += ' ';
        out += number[start + i];
    }
    return out;
}

std::string FormatThousands(std::int64_t number) {
    return FormatThousands(std::to_string(number));
}

std::int64_t RoundHalfEven(double value) {
    // nearbyint rounds to even in the default rounding mode.
    return static_cast<std::int64_t>(std::nearbyint(value));
}

std::int64_t Ratio(std::uint64_t compressed, std::uint64_t uncompressed) {
    if (uncompressed == 0) return 0;
    return RoundHalfEven(
        (1.0 - static_cast<double>(compressed) / static_cast<double>(uncompressed)) * 100.0);
}

bool DecodeDosDateTime(std::uint32_t value, DosDateTime& out) {
    out.year = 1980 + static_cast<int>((value >> 25) & 0x7F);
    out.month = static_cast<int>((value >> 21) & 0x0F);
    out.day = static_cast<int>((value >> 16) & 0x1F);
    out.hour = static_cast<int>((value >> 11) & 0x1F);
    out.minute = static_cast<int>((value >> 5) & 0x3F);
    out.second = static_cast<int>(value & 0x1F) * 2;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (out.month < 1 || out.month > 12 || out.day < 1) return false;
    bool leap = (out.year % 4 == 0 && out.year % 100 != 0) || out.year % 400 == 0;
    int maxDay = kDays[out.month - 1] + (out.month == 2 && leap ? 1 : 0);
    if (out.day > maxDay) return false;
    return out.hour < 24 && out.minute < 60 && out.second < 60;
}

std::string FormatDateTime(const DosDateTime& d) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(d.year);
    st.wMonth = static_cast<WORD>(d.month);
    st.wDay = static_cast<WORD>(d.day);
    st.wHour = static_cast<WORD>(d.hour);
    st.wMinute = static_cast<WORD>(d.minute);
    st.wSecond = static_cast<WORD>(d.second);
    char date[80] = {}, time[80] = {};
    if (!GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, sizeof date))
        return {};
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &st, nullptr, time, sizeof time))
        return {};
    return std::string(date) + "  " + time;
}

std::string FormatDosDateTime(std::int32_t value) {
    DosDateTime d;
    if (!DecodeDosDateTime(static_cast<std::uint32_t>(value), d)) return {};
    return FormatDateTime(d);
}

} // namespace contents
