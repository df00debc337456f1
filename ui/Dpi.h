// Display scale: every window is designed in pixels at 96 DPI and shown at its own DPI.
// The arithmetic is window-free; WindowDpi and SystemDpi ask the system.
#pragma once

#include <windows.h>

namespace ui {

constexpr int kDesignDpi = 96;
// Sent to a per-monitor aware window whose DPI changed; the program is built for Windows XP's
// headers, which lack it.
constexpr UINT kWmDpiChanged = 0x02E0;

// A length in design pixels at the given DPI, rounded to the nearest pixel, halves away from
// zero (as MulDiv rounds), so a design length and its negative scale alike.
constexpr int ScaleToDpi(int v, int dpi) {
    if (dpi == kDesignDpi) return v;
    const long long n = static_cast<long long>(v) * dpi;
    return static_cast<int>(n >= 0 ? (n + kDesignDpi / 2) / kDesignDpi
                                   : -((-n + kDesignDpi / 2) / kDesignDpi));
}

// A length at the given DPI in design pixels (what the settings file keeps).
constexpr int ScaleFromDpi(int v, int dpi) {
    if (dpi == kDesignDpi || dpi <= 0) return v;
    const long long n = static_cast<long long>(v) * kDesignDpi;
    return static_cast<int>(n >= 0 ? (n + dpi / 2) / dpi : -((-n + dpi / 2) / dpi));
}

// Each edge is scaled, not the width: controls that touch in the design still touch.
constexpr RECT ScaleRect(const RECT& r, int dpi) {
    return RECT{ScaleToDpi(r.left, dpi), ScaleToDpi(r.top, dpi), ScaleToDpi(r.right, dpi),
                ScaleToDpi(r.bottom, dpi)};
}

constexpr SIZE ScaleSize(SIZE s, int dpi) {
    return SIZE{ScaleToDpi(s.cx, dpi), ScaleToDpi(s.cy, dpi)};
}

// A font height (LOGFONT: negative for the character height) made for one DPI, at another.
constexpr LONG RescaleFontHeight(LONG height, int fromDpi, int toDpi) {
    if (fromDpi == toDpi || fromDpi <= 0) return height;
    const long long n = static_cast<long long>(height) * toDpi;
    return static_cast<LONG>(n >= 0 ? (n + fromDpi / 2) / fromDpi
                                    : -((-n + fromDpi / 2) / fromDpi));
}

// The DPI the system's fonts and metrics were made for.
int SystemDpi();
// The DPI a window is shown at: the monitor's for a per-monitor aware program, else the
// system's. Windows before 10 (1607) only know the system's.
int WindowDpi(HWND hwnd);

// A copy of a bitmap at the given DPI, stretched with halftoning; nullptr at 96 DPI, where
// the design bitmap is used as it is.
HBITMAP ScaledBitmapCopy(HBITMAP bitmap, int dpi);

// Draws a bitmap stretched to the destination with halftoning, so a picture scaled up stays
// smooth.
void DrawBitmapScaled(HDC dc, const RECT& dest, HBITMAP bitmap);

} // namespace ui
