// Registers a window class of the program's own controls, once, and returns its name.
#pragma once

#include <windows.h>

namespace ui {

inline const char* RegisterControlClass(const char* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSA wc{};
    if (GetClassInfoA(GetModuleHandleA(nullptr), name, &wc)) return name;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
    return name;
}

} // namespace ui
