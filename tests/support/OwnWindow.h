// CTest runs test programs side by side on one desktop: a window another program shows with
// the same class and title (an engine's password prompt) must be neither answered nor taken
// for this program's own.
#pragma once

#include <windows.h>

namespace testing_support {

// The top-level window of this process with the class and title; null when there is none.
inline HWND FindOwnWindow(const char* className, const char* title) {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, title)) != nullptr;) {
        DWORD process = 0;
        GetWindowThreadProcessId(w, &process);
        if (process == GetCurrentProcessId()) return w;
    }
    return nullptr;
}

} // namespace testing_support
