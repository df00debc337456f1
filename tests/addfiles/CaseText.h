// Upper and lower case as the add-files dialog shows folders and files.
#pragma once

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

} // namespace testing_support
