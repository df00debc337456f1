// What a window shows on screen, read back as pixels, and whether that is what the window
// draws when asked to draw itself whole: a control left unpainted after a resize differs.
#pragma once

#include "ui/Application.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace testing_support {

// The window's client area as 32-bit pixels, read from the screen.
inline std::vector<std::uint32_t> ClientPixels(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = r.right;
    bi.bmiHeader.biHeight = -r.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(hwnd);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    GdiFlush();
    auto* p = static_cast<std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(p, p + static_cast<size_t>(r.right) * r.bottom);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(dib);
    ReleaseDC(hwnd, screen);
    return pixels;
}

// True when the window, once everything waiting to be drawn is drawn, shows what it draws
// when all of it is drawn anew. The pending drawing is done at once rather than through the
// queue, where a quit message left by an earlier test would hold it back.
inline bool ShowsItsOwnDrawing(HWND hwnd) {
    ui::ProcessMessages();
    RedrawWindow(GetAncestor(hwnd, GA_ROOT), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::vector<std::uint32_t> shown = ClientPixels(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return !shown.empty() && shown == ClientPixels(hwnd);
}

} // namespace testing_support
