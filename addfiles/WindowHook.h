// Hooks another window's messages for an object. The common controls' subclassing is used
// rather than swapping the window procedure by hand, so hooks on one window may be removed
// in any order and the window's own procedure is back once the last one is gone.
#pragma once

#include <windows.h>

#include <functional>

namespace addfiles {

class WindowHook {
public:
    // True when the message was handled; its result then goes back to the sender.
    using Handler = std::function<bool(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result)>;

    WindowHook() = default;
    ~WindowHook() { Remove(); }
    WindowHook(const WindowHook&) = delete;
    WindowHook& operator=(const WindowHook&) = delete;

    bool Install(HWND hwnd, Handler handler);
    void Remove();
    HWND Window() const { return hwnd_; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                 DWORD_PTR ref);
    HWND hwnd_ = nullptr;
    Handler handler_;
};

// Critical-error boxes ("no disk in drive A:") are suppressed for the scope.
class QuietDriveAccess {
public:
    QuietDriveAccess() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {
        SetErrorMode(previous_ | SEM_FAILCRITICALERRORS);
    }
    ~QuietDriveAccess() { SetErrorMode(previous_); }
    QuietDriveAccess(const QuietDriveAccess&) = delete;
    QuietDriveAccess& operator=(const QuietDriveAccess&) = delete;

private:
    UINT previous_;
};

} // namespace addfiles
