#include "addfiles/Splitter.h"

#include "ui/WindowClass.h"

namespace addfiles {

const char* Splitter::ClassName() {
    return ui::RegisterControlClass("KelvoraSplitter", &Splitter::WndProc,
                                    reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

void Splitter::Attach(HWND hwnd, Direction direction) {
    hwnd_ = hwnd;
    direction_ = direction;
    if (hwnd) SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK Splitter::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<Splitter*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    const bool vertical = self->direction_ == Vertical;
    switch (msg) {
    case WM_PAINT: {
        // Raised like a grip, so the user sees there is something to drag.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETCURSOR:
        SetCursor(LoadCursor(nullptr, vertical ? IDC_SIZEWE : IDC_SIZENS));
        return TRUE;
    case WM_LBUTTONDOWN:
        self->grab_ = vertical ? static_cast<short>(LOWORD(lp)) : static_cast<short>(HIWORD(lp));
        SetCapture(hwnd);
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == hwnd && self->OnMove) {
            POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            MapWindowPoints(hwnd, GetParent(hwnd), &pt, 1);
            self->OnMove((vertical ? pt.x : pt.y) - self->grab_);
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == hwnd) ReleaseCapture();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace addfiles
