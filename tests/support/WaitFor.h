// Under Wine a window's activation and keyboard focus follow the X server's, which can come
// late on a busy machine: tests wait for them, pumping messages, instead of taking them as given.
#pragma once

#include "ui/Application.h"

#include <windows.h>

namespace testing_support {

// Pumps messages until ready() holds; false when it still does not after `ms` milliseconds.
template <class Ready> bool WaitFor(Ready ready, int ms = 5000) {
    for (int waited = 0;; waited += 10) {
        ui::ProcessMessages();
        if (ready()) return true;
        if (waited >= ms) return false;
        Sleep(10);
    }
}

// Gives a control the keyboard focus once its window is active, and waits until it has it.
inline bool FocusAndWait(HWND control) {
    const HWND top = GetAncestor(control, GA_ROOT);
    return WaitFor([&] {
        if (GetActiveWindow() != top) {
            SetForegroundWindow(top);
            return false;
        }
        if (GetFocus() != control) SetFocus(control);
        return GetFocus() == control;
    });
}

} // namespace testing_support
