#include "ui/Form.h"

#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace ui {

namespace {
const char kFormClass[] = "KelvoraForm";
const char kDialogKeysProp[] = "KelvoraDialogKeys";
const char kFormProp[] = "KelvoraForm";

void RegisterFormClass(WNDPROC proc) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    RegisterClassExA(&wc);
    registered = true;
}

BOOL CALLBACK DisableOther(HWND hwnd, LPARAM lp) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(lp);
    if (hwnd != list->front() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        list->push_back(hwnd);
        EnableWindow(hwnd, FALSE);
    }
    return TRUE;
}
} // namespace

Form::~Form() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Form::Create(HWND owner) {
    if (hwnd_) return;
    RegisterFormClass(&Form::WndProc);
    CreateParams p = GetCreateParams();
    // Created at the system's DPI; a per-monitor window on another monitor is rescaled below.
    dpi_ = SystemDpi();
    RECT r{0, 0, Scale(p.ClientWidth), Scale(p.ClientHeight)};
    AdjustWindowRectEx(&r, p.Style, p.Menu != nullptr, p.ExStyle);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (dpi_ > kDesignDpi) {
        // A large window at a large scale may not fit the screen: it takes what there is.
        RECT work{};
        if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
            w = std::min<int>(w, work.right - work.left);
            h = std::min<int>(h, work.bottom - work.top);
        }
    }
    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    if (p.Centered) {
        x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    }
    minClient_ = p.MinClientSize; // asked for while the window is being created
    hwnd_ = CreateWindowExA(p.ExStyle, kFormClass, p.Caption.c_str(), p.Style & ~WS_VISIBLE, x, y,
                            w, h, owner, p.Menu, GetModuleHandleA(nullptr), this);
    if (!hwnd_) return;
    SetPropA(hwnd_, kFormProp, reinterpret_cast<HANDLE>(this));
    if (p.DialogKeys) SetPropA(hwnd_, kDialogKeysProp, reinterpret_cast<HANDLE>(1));
    if (p.AcceleratorTable)
        accelerators_ =
            LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(p.AcceleratorTable));
    layout_.SetDesignClient(SIZE{p.ClientWidth, p.ClientHeight});
    if (const int actual = WindowDpi(hwnd_); actual != dpi_) {
        dpi_ = actual;
        RECT sized{0, 0, Scale(p.ClientWidth), Scale(p.ClientHeight)};
        AdjustWindowRectEx(&sized, p.Style, p.Menu != nullptr, p.ExStyle);
        SetWindowPos(hwnd_, nullptr, 0, 0, sized.right - sized.left, sized.bottom - sized.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    layout_.SetDpi(dpi_);
    MakeFont();
    OnCreate();
    // The real client area can differ from the design (a menu bar wrapping to two lines).
    RECT client;
    GetClientRect(hwnd_, &client);
    layout_.Arrange(client.right, client.bottom);
    OnSize(client.right, client.bottom);
}

bool Form::IsDialogLike(HWND top) {
    return GetPropA(top, kDialogKeysProp) != nullptr;
}

void Form::SetDialogLike(HWND top) {
    SetPropA(top, kDialogKeysProp, reinterpret_cast<HANDLE>(1));
}

Form* Form::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Form*>(GetPropA(hwnd, kFormProp)) : nullptr;
}

void Form::CreateControls(std::span<const ControlSpec> specs) {
    layout_.Create(hwnd_, Font(), specs);
}

void Form::Show() {
    if (!hwnd_) Create();
    ShowWindow(hwnd_, showMaximized_ ? SW_SHOWMAXIMIZED : SW_SHOW);
    UpdateWindow(hwnd_);
    // The showing work runs with the window already on screen, so its message boxes have
    // their owner visible behind them. It runs outside any window procedure, so its errors
    // are shown here, as they would be for a command.
    try {
        OnShow();
    } catch (const std::exception& e) {
        SetAppCursor(AppCursor::Default);
        Dialogs().Error(hwnd_, e.what());
    }
}

void Form::Hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

std::string Form::Caption() const {
    char buf[512] = {};
    if (hwnd_) GetWindowTextA(hwnd_, buf, sizeof buf);
    return buf;
}

int Form::ShowModal() {
    modalResult_ = mrNone;
    return Dialogs().ShowModal(*this);
}

void Form::CloseModal(int result) {
    modalResult_ = result;
    // The modal loop hides the form when it sees the result.
    if (!inModal_) Hide();
}

int Form::RunModal() {
    if (!hwnd_) Create();
    // Every other window of this thread is disabled while the form is up.
    std::vector<HWND> disabled{hwnd_};
    EnumThreadWindows(GetCurrentThreadId(), DisableOther, reinterpret_cast<LPARAM>(&disabled));
    HWND previous = GetActiveWindow();
    modalResult_ = mrNone;
    inModal_ = true;
    Show();
    SetForegroundWindow(hwnd_);
    MSG msg;
    std::optional<int> quit;
    while (modalResult_ == mrNone) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0 && !EndsOnQuit()) {
                quit = static_cast<int>(msg.wParam);
                continue;
            }
            PostQuitMessage(static_cast<int>(msg.wParam));
            modalResult_ = mrCancel;
            break;
        }
        DispatchOne(msg);
        if (!IsWindow(hwnd_)) break;
    }
    // The quit the window held back goes to the loop below it.
    if (quit) PostQuitMessage(*quit);
    for (size_t i = 1; i < disabled.size(); ++i)
        EnableWindow(disabled[i], TRUE);
    inModal_ = false;
    Hide();
    if (previous && IsWindow(previous)) SetActiveWindow(previous);
    return modalResult_;
}

HFONT Form::Font() const {
    return scaledFont_ ? scaledFont_.Get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void Form::MakeFont() {
    // The stock dialog font is made for the system's DPI: at that DPI it is used as it is.
    scaledFont_.Reset();
    const int system = SystemDpi();
    if (dpi_ == system) return;
    LOGFONTA lf{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = RescaleFontHeight(lf.lfHeight, system, dpi_);
    lf.lfWidth = RescaleFontHeight(lf.lfWidth, system, dpi_);
    scaledFont_.Reset(CreateFontIndirectA(&lf));
}

RECT Form::PlacedControl(int id) const {
    RECT client{};
    if (hwnd_) GetClientRect(hwnd_, &client);
    return layout_.Placed(id, SIZE{client.right, client.bottom});
}

void Form::ChangeDpi(int dpi, const RECT* suggested) {
    if (dpi <= 0 || dpi == dpi_) return;
    const int old = dpi_;
    dpi_ = dpi;
    layout_.SetDpi(dpi);
    FontHandle previous = std::move(scaledFont_); // still selected into the controls
    MakeFont();
    if (suggested) {
        SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client;
    GetClientRect(hwnd_, &client);
    layout_.Rescale(client.right, client.bottom, Font());
    OnDpiChanged(old, dpi);
    OnSize(client.right, client.bottom);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

HWND Form::CreateChild(const char* className, const std::string& text, DWORD style, int x, int y,
                       int w, int h, int id, DWORD exStyle) {
    HWND child = CreateWindowExA(exStyle, className, text.c_str(), style | WS_CHILD, x, y, w, h,
                                 hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
    if (child) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    return child;
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    return DefaultProc(msg, wp, lp);
}

LRESULT Form::Route(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            OnOK();
        } else if (LOWORD(wp) == IDCANCEL) {
            OnCancel();
        } else {
            OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
        }
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(reinterpret_cast<NMHDR*>(lp), result)) return result;
        break;
    }
    case WM_SIZE: {
        const bool moved = layout_.Arrange(LOWORD(lp), HIWORD(lp));
        OnSize(LOWORD(lp), HIWORD(lp));
        // Wine copies a moved control's old pixels and does not always draw it again (a
        // status bar or a button left blank after a maximize): everything is drawn anew.
        if (moved && wp != SIZE_MINIMIZED)
            RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return 0;
    }
    case DM_GETDEFID: {
        // Enter presses the focused button, as in a dialog; elsewhere it means OK.
        HWND focus = GetFocus();
        if (focus && GetParent(focus) == hwnd_ &&
            (SendMessageA(focus, WM_GETDLGCODE, 0, 0) &
             (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
            return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
        break;
    }
    case WM_GETMINMAXINFO:
        if (minClient_.cx > 0 || minClient_.cy > 0) {
            RECT r{0, 0, Scale(minClient_.cx), Scale(minClient_.cy)};
            AdjustWindowRectEx(&r, GetWindowLongA(hwnd_, GWL_STYLE), GetMenu(hwnd_) != nullptr,
                               GetWindowLongA(hwnd_, GWL_EXSTYLE));
            auto* limits = reinterpret_cast<MINMAXINFO*>(lp);
            limits->ptMinTrackSize = POINT{r.right - r.left, r.bottom - r.top};
            return 0;
        }
        break;
    case kWmDpiChanged:
        ChangeDpi(LOWORD(wp), reinterpret_cast<const RECT*>(lp));
        return 0;
    case WM_SETCURSOR:
        if (ApplyAppCursor()) return TRUE;
        break;
    case WM_CLOSE:
        if (!OnCloseQuery()) return 0;
        if (inModal_) {
            OnCancel();
            return 0;
        }
        if (App().MainForm == this) {
            DestroyWindow(hwnd_);
        } else {
            Hide();
        }
        return 0;
    case WM_DESTROY:
        RemovePropA(hwnd_, kFormProp);
        RemovePropA(hwnd_, kDialogKeysProp);
        OnDestroy();
        if (App().MainForm == this) PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return HandleMessage(msg, wp, lp);
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        auto* self = static_cast<Form*>(cs->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    try {
        LRESULT r = self->Route(msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            self->hwnd_ = nullptr;
        }
        return r;
    } catch (const std::exception& e) {
        SetAppCursor(AppCursor::Default);
        Dialogs().Error(hwnd, e.what());
    } catch (...) {
        SetAppCursor(AppCursor::Default);
        Dialogs().Error(hwnd, "Unexpected error");
    }
    return 0;
}

} // namespace ui
