// Letter case in paths: changed for a test, or as the file system spells a path.
#pragma once

#include "base/LongPaths.h"

#include <windows.h>

#include <string>

namespace testing_support {

inline std::string Upper(std::string s) {
    if (!s.empty()) CharUpperBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

inline std::string Lower(std::string s) {
    if (!s.empty()) CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// The path as the file system spells each of its folders and its name.
inline std::string OnDisk(const std::string& path) {
    const std::wstring wide = kname::LongPath(path);
    std::wstring spelled(wide.size() + MAX_PATH, L'\0');
    const DWORD n =
        GetLongPathNameW(wide.c_str(), spelled.data(), static_cast<DWORD>(spelled.size()));
    if (n == 0 || n >= spelled.size()) return path;
    spelled.resize(n);
    std::string shown = kname::Narrow(kname::ShownPathW(spelled), CP_ACP);
    // A folder keeps its closing backslash.
    if (!path.empty() && path.back() == '\\' && (shown.empty() || shown.back() != '\\'))
        shown += '\\';
    return shown;
}

} // namespace testing_support
