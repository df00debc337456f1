#include "ui/SpeedButton.h"

#include "base/Handle.h"
#include "ui/Dpi.h"
#include "ui/Form.h"
#include "ui/WindowClass.h"

#include <commctrl.h>

namespace ui {

namespace {
// The font the button was given arrives before the button object is attached.
const char kFontProp[] = "KelvoraSpeedButtonFont";

// Buttons on a form follow the form's DPI (it changes before the system tells the button).
int ButtonDpi(HWND hwnd) {
    if (const Form* form = Form::FromHandle(GetAncestor(hwnd, GA_ROOT))) return form->Dpi();
    return WindowDpi(hwnd);
}
} // namespace

const char* SpeedButton::ClassName() {
    return RegisterControlClass("KelvoraSpeedButton", &SpeedButton::WndProc, nullptr);
}

void SpeedButton::Create(HWND parent, int id, int x, int y, int w, int h) {
    Attach(CreateWindowExA(0, ClassName(), "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr));
}

void SpeedButton::Attach(HWND hwnd) {
    hwnd_ = hwnd;
    id_ = hwnd ? GetDlgCtrlID(hwnd) : 0;
    if (hwnd) SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void SpeedButton::SetGlyph(HBITMAP glyph) {
    glyph_ = glyph;
    scaledGlyph_.Reset();
    scaledDpi_ = 0;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void SpeedButton::SetHint(HWND tooltip, const std::string& hint) {
    hint_ = hint;
    TOOLINFOA ti{};
    ti.cbSize = TTTOOLINFOA_V1_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(hwnd_);
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    ti.lpszText = hint_.data();
    SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

void SpeedButton::Click() {
    SendMessageA(GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(id_, BN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd_));
}

void SpeedButton::Paint(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    static HBRUSH silver = CreateSolidBrush(RGB(192, 192, 192)); // lives as long as the program
    // A button with a caption sits on a dialog's face and shows the caption under its glyph;
    // one without sits on the silver tool panel.
    char caption[128] = {};
    const int captionLength = GetWindowTextA(hwnd_, caption, sizeof caption);
    FillRect(dc, &r, captionLength ? GetSysColorBrush(COLOR_BTNFACE) : silver);
    const int dpi = ButtonDpi(hwnd_);
    const int off = pressed_ && hot_ ? ScaleToDpi(1, dpi) : 0;
    const int captionHeight = ScaleToDpi(18, dpi);
    if (captionLength) {
        // The caption may take the button's whole width: a long one is not cut at its ends.
        RECT text{r.left + off, r.bottom - captionHeight + off, r.right + off,
                  r.bottom - ScaleToDpi(3, dpi) + off};
        HGDIOBJ given = GetPropA(hwnd_, kFontProp);
        SelectScope font(dc, given ? given : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        // An ampersand marks the letter that presses the button with Alt.
        DrawTextA(dc, caption, captionLength, &text, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    }
    if (glyph_) {
        // Glyphs grow with the display scale, smoothed: their edges blend into the silver
        // they are drawn on.
        if (dpi != kDesignDpi && scaledDpi_ != dpi) {
            scaledGlyph_.Reset(ScaledBitmapCopy(glyph_, dpi));
            scaledDpi_ = dpi;
        }
        HBITMAP shown = dpi != kDesignDpi && scaledGlyph_ ? scaledGlyph_.Get() : glyph_;
        BITMAP bm{};
        GetObjectA(shown, sizeof bm, &bm);
        HDC mem = CreateCompatibleDC(dc);
        {
            SelectScope sel(mem, shown);
            const int height = captionLength ? r.bottom - captionHeight : r.bottom;
            int x = (r.right - bm.bmWidth) / 2 + off, y = (height - bm.bmHeight) / 2 + off;
            // The glyphs are drawn on the panel's silver, which is the transparent colour.
            TransparentBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, bm.bmWidth, bm.bmHeight,
                           RGB(192, 192, 192));
        }
        DeleteDC(mem);
    }
    if (hot_) DrawEdge(dc, &r, pressed_ ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    if (GetFocus() == hwnd_) {
        const int inset = ScaleToDpi(3, dpi);
        RECT focus{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
        DrawFocusRect(dc, &focus);
    }
}

LRESULT CALLBACK SpeedButton::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETFONT) {
        SetPropA(hwnd, kFontProp, reinterpret_cast<HANDLE>(wp));
        if (LOWORD(lp)) InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    }
    if (msg == WM_GETFONT) return reinterpret_cast<LRESULT>(GetPropA(hwnd, kFontProp));
    if (msg == WM_NCDESTROY) RemovePropA(hwnd, kFontProp);
    auto* self = reinterpret_cast<SpeedButton*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        self->Paint(dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    // A button that takes the keyboard (one with WS_TABSTOP, reached with Tab) is pressed
    // with Space, with Enter (the dialog asks which button is the default: the focused one)
    // and with its mnemonic, which the dialog sends as BM_CLICK.
    case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
    case BM_CLICK:
        self->Click();
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_SPACE) {
            self->Click();
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, FALSE);
        break;
    case WM_MOUSEMOVE:
        if (!self->hot_) {
            self->hot_ = true;
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
            TrackMouseEvent(&tme);
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_MOUSELEAVE:
        self->hot_ = false;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        self->pressed_ = true;
        SetCapture(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP: {
        bool wasPressed = self->pressed_;
        self->pressed_ = false;
        ReleaseCapture();
        InvalidateRect(hwnd, nullptr, FALSE);
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        RECT r;
        GetClientRect(hwnd, &r);
        if (wasPressed && PtInRect(&r, pt)) self->Click();
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

} // namespace ui
