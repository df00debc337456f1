#include "ui/Application.h"

#include "ui/Form.h"

namespace ui {

namespace {
AppCursor g_cursor = AppCursor::Default;

HCURSOR CursorHandle(AppCursor c) {
    switch (c) {
    case AppCursor::HourGlass:
        return LoadCursor(nullptr, IDC_WAIT);
    case AppCursor::Arrow:
        return LoadCursor(nullptr, IDC_ARROW);
    default:
        return nullptr;
    }
}
} // namespace

Application& App() {
    static Application app;
    return app;
}

void SetAppCursor(AppCursor cursor) {
    g_cursor = cursor;
    if (HCURSOR h = CursorHandle(cursor)) {
        SetCursor(h);
    } else {
        // Let the window under the mouse choose its own cursor again.
        POINT pt;
        if (GetCursorPos(&pt)) SetCursorPos(pt.x, pt.y);
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
    }
}

AppCursor GetAppCursor() {
    return g_cursor;
}

bool ApplyAppCursor() {
    if (HCURSOR h = CursorHandle(g_cursor)) {
        SetCursor(h);
        return true;
    }
    return false;
}

void DispatchOne(MSG& msg) {
    // Shortcuts belong to the top-level window the message is for, while it takes input.
    HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    Form* form = Form::FromHandle(top);
    if (form && form->Accelerators() && IsWindowEnabled(top) &&
        TranslateAcceleratorA(top, form->Accelerators(), &msg))
        return;
    if (top && Form::IsDialogLike(top) && IsDialogMessageA(top, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchOne(msg);
    }
}

int RunMessageLoop() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchOne(msg);
    return static_cast<int>(msg.wParam);
}

} // namespace ui
