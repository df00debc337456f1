// What the shell hands a drop target: a DROPFILES block in movable global memory, posted
// with WM_DROPFILES. The target must release it with DragFinish.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

inline HDROP MakeDrop(const std::vector<std::string>& names, POINT at = {0, 0}) {
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& n : names)
        bytes += n.size() + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* block = static_cast<DROPFILES*>(GlobalLock(h));
    block->pFiles = sizeof(DROPFILES);
    block->pt = at;
    block->fWide = FALSE;
    char* p = reinterpret_cast<char*>(block + 1);
    for (const std::string& n : names) {
        std::memcpy(p, n.c_str(), n.size() + 1);
        p += n.size() + 1;
    }
    GlobalUnlock(h);
    return static_cast<HDROP>(h);
}

// Runs the messages waiting for this thread's windows.
inline void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Posts a drop to a window as the shell does and lets it arrive; returns the handle, which
// is no longer valid when the target released it.
inline HDROP PostDrop(HWND target, const std::vector<std::string>& names, POINT at = {0, 0}) {
    HDROP drop = MakeDrop(names, at);
    PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    Pump();
    return drop;
}

inline bool Released(HDROP drop) {
    return GlobalFlags(static_cast<HGLOBAL>(drop)) == GMEM_INVALID_HANDLE;
}

} // namespace testing_support
