#include "ui/Dpi.h"

namespace ui {

namespace {
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();

// Loaded by name: older Windows lack both.
template <typename Fn> Fn User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                  : nullptr;
}
} // namespace

int SystemDpi() {
    static const auto forSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem");
    if (forSystem) {
        if (UINT dpi = forSystem()) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kDesignDpi;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

int WindowDpi(HWND hwnd) {
    static const auto forWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (forWindow && hwnd) {
        if (UINT dpi = forWindow(hwnd)) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

HBITMAP ScaledBitmapCopy(HBITMAP bitmap, int dpi) {
    BITMAP bm{};
    if (dpi == kDesignDpi || !bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return nullptr;
    const RECT dest{0, 0, ScaleToDpi(bm.bmWidth, dpi), ScaleToDpi(bm.bmHeight, dpi)};
    HDC screen = GetDC(nullptr);
    HBITMAP copy = CreateCompatibleBitmap(screen, dest.right, dest.bottom);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (copy && mem) {
        HGDIOBJ old = SelectObject(mem, copy);
        DrawBitmapScaled(mem, dest, bitmap);
        SelectObject(mem, old);
    }
    if (mem) DeleteDC(mem);
    return copy;
}

void DrawBitmapScaled(HDC dc, const RECT& dest, HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || !GetObjectA(bitmap, sizeof bm, &bm)) return;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bitmap);
    const int w = dest.right - dest.left, h = dest.bottom - dest.top;
    if (w == bm.bmWidth && h == bm.bmHeight) {
        BitBlt(dc, dest.left, dest.top, w, h, mem, 0, 0, SRCCOPY);
    } else {
        const int oldMode = SetStretchBltMode(dc, HALFTONE);
        POINT oldOrigin;
        SetBrushOrgEx(dc, 0, 0, &oldOrigin);
        StretchBlt(dc, dest.left, dest.top, w, h, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
        SetStretchBltMode(dc, oldMode);
        SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    }
    SelectObject(mem, old);
    DeleteDC(mem);
}

} // namespace ui
