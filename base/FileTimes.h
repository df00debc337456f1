// DOS date-times (local time, as zip stores them) and Windows file times (UTC). Both engines
// and the self-extractor convert with this one pair, so a file added and extracted again keeps
// its time. Each conversion applies the daylight-saving rule in force on the time's own date
// (as Info-ZIP's tools and the C library do), not the offset in force today: a member stored
// as 12:00 on a summer day extracts as 12:00 in winter too.
#pragma once

#include "base/zipcore/DosTime.h"
#include "base/zipcore/ExtraFields.h"

#include <windows.h>

#include <cstdint>
#include <string_view>

namespace kfiletime {

// 1980-01-01 00:00:00, the earliest DOS time.
constexpr std::uint32_t kEarliestDosTime = 0x00210000;

inline std::uint32_t DosTimeFromFileTime(const FILETIME& utc) {
    SYSTEMTIME universal, st;
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &st))
        return kEarliestDosTime;
    zipcore::DateTime t{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return zipcore::EncodeDosTime(t).value_or(kEarliestDosTime);
}

// False when the value is not a calendar date and time.
inline bool FileTimeFromDosTime(std::uint32_t dos, FILETIME* utc) {
    const auto t = zipcore::DecodeDosTime(dos);
    if (!t) return false;
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t->year);
    st.wMonth = static_cast<WORD>(t->month);
    st.wDay = static_cast<WORD>(t->day);
    st.wHour = static_cast<WORD>(t->hour);
    st.wMinute = static_cast<WORD>(t->minute);
    st.wSecond = static_cast<WORD>(t->second);
    SYSTEMTIME universal;
    return TzSpecificLocalTimeToSystemTime(nullptr, &st, &universal) &&
           SystemTimeToFileTime(&universal, utc);
}

inline FILETIME ToFileTime(std::uint64_t value) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(value);
    ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return ft;
}

inline std::uint64_t FromFileTime(const FILETIME& ft) {
    return (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

struct MemberTimes {
    FILETIME modified{}, accessed{}, created{};
    bool haveModified = false, haveAccessed = false, haveCreated = false;
};

// The times a member's file gets: the NTFS extra field's three when present, else the
// extended timestamp's modification time, else the DOS time.
inline MemberTimes TimesOfMember(std::string_view extra, std::uint32_t dosTime) {
    MemberTimes t;
    if (const auto ntfs = zipcore::ReadNtfsTimes(extra)) {
        t.modified = ToFileTime(ntfs->modified);
        t.haveModified = true;
        t.accessed = ToFileTime(ntfs->accessed);
        t.haveAccessed = ntfs->accessed != 0;
        t.created = ToFileTime(ntfs->created);
        t.haveCreated = ntfs->created != 0;
    } else if (const auto unixTime = zipcore::ReadExtendedModTime(extra)) {
        t.modified = ToFileTime(*unixTime);
        t.haveModified = true;
    } else {
        t.haveModified = FileTimeFromDosTime(dosTime, &t.modified);
    }
    return t;
}

} // namespace kfiletime
