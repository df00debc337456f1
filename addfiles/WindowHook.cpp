#include "addfiles/WindowHook.h"

#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <commctrl.h>

#include <exception>

namespace addfiles {

bool WindowHook::Install(HWND hwnd, Handler handler) {
    Remove();
    if (!hwnd || !IsWindow(hwnd)) return false;
    handler_ = std::move(handler);
    if (!SetWindowSubclass(hwnd, &WindowHook::Proc, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = hwnd;
    return true;
}

void WindowHook::Remove() {
    if (!hwnd_) return;
    if (IsWindow(hwnd_))
        RemoveWindowSubclass(hwnd_, &WindowHook::Proc, reinterpret_cast<UINT_PTR>(this));
    hwnd_ = nullptr;
}

LRESULT CALLBACK WindowHook::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                  DWORD_PTR ref) {
    auto* self = reinterpret_cast<WindowHook*>(ref);
    if (msg == WM_NCDESTROY) {
        // The window goes away before its hook does: forget it.
        self->Remove();
        return DefSubclassProc(hwnd, msg, wp, lp);
    }
    // Exceptions must not cross the system's window procedure frames.
    try {
        LRESULT result = 0;
        if (self->handler_ && self->handler_(msg, wp, lp, result)) return result;
    } catch (const std::exception& e) {
        ui::SetAppCursor(ui::AppCursor::Default);
        ui::Dialogs().Error(hwnd, e.what());
        return 0;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

} // namespace addfiles
