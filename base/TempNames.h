// The temporary files the engines write beside what they make: a short prefix, 8 hex digits
// and ".tmp", so a name never grows with the name of the file it becomes (a member's name may
// take all 255 characters a folder entry allows). Each writer sweeps the leftovers of its own
// shape, which a killed process left, from the folders it writes; one still being written is
// open without sharing and so cannot be deleted.
#pragma once

#include "base/Handle.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <string_view>

namespace ktemp {

// prefix + 8 hex digits + ".tmp", letter case ignored.
inline bool IsTempName(std::wstring_view name, std::wstring_view prefix) {
    constexpr std::wstring_view kSuffix = L".tmp";
    if (name.size() != prefix.size() + 8 + kSuffix.size()) return false;
    auto same = [](wchar_t a, wchar_t b) {
        return (a < 0x80 && b < 0x80) ? (a | 0x20) == (b | 0x20) : a == b;
    };
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!same(name[i], prefix[i])) return false;
    for (size_t i = prefix.size(); i < prefix.size() + 8; ++i) {
        const wchar_t c = name[i];
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F')))
            return false;
    }
    for (size_t i = 0; i < kSuffix.size(); ++i)
        if (!same(name[prefix.size() + 8 + i], kSuffix[i])) return false;
    return true;
}

// The name for a seed: prefix + the seed in 8 hex digits + ".tmp".
inline std::wstring TempName(std::wstring_view prefix, DWORD seed) {
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%08lx.tmp", static_cast<unsigned long>(seed));
    return std::wstring(prefix) + digits;
}

// The next seed to try after a name was taken.
inline DWORD NextSeed(DWORD seed) {
    return seed * 1664525u + 1013904223u;
}

// A seed that differs between processes, threads and moments.
inline DWORD FreshSeed() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return NextSeed(static_cast<DWORD>(counter.QuadPart) ^ (GetCurrentProcessId() << 16) ^
                    GetCurrentThreadId());
}

// Deletes the files of that shape in the folder (a path for the wide calls, ending with '\').
inline void SweepTemps(const std::wstring& folder, std::wstring_view prefix) {
    WIN32_FIND_DATAW fd;
    ui::FindHandle find(FindFirstFileW((folder + std::wstring(prefix) + L"*.tmp").c_str(), &fd));
    if (!find) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsTempName(fd.cFileName, prefix))
            DeleteFileW((folder + fd.cFileName).c_str()); // fails while its writer has it open
    } while (FindNextFileW(find.Get(), &fd));
}

} // namespace ktemp
