// TFileDrop: makes a window a target for files dragged from the shell. The window's drop
// messages are taken over; each drop fills Files and raises OnDrop.
#pragma once

#include "addfiles/WindowHook.h"

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <vector>

class TFileDrop {
public:
    TFileDrop() = default;
    ~TFileDrop();
    TFileDrop(const TFileDrop&) = delete;
    TFileDrop& operator=(const TFileDrop&) = delete;

    // The full paths of the last drop, in the shell's order.
    const std::vector<std::string>& Files() const { return files_; }
    int FileCount() const { return fileCount_; }
    // Where the last drop landed, in the drop window's client coordinates.
    POINT DropPoint() const { return dropPoint_; }

    bool EnableDrop() const { return enableDrop_; }
    // Ignored while no drop control is set.
    void SetEnableDrop(bool on);
    HWND DropControl() const { return control_; }
    // Moves the hook to this window (nullptr: none) and switches drops on for it.
    void SetDropControl(HWND control);

    std::function<void(TFileDrop& sender)> OnDrop;

    // The drop handling, also reached through the hooked window's WM_DROPFILES.
    void HandleDrop(HDROP drop);

private:
    void Release();

    addfiles::WindowHook hook_;
    HWND control_ = nullptr;
    bool enableDrop_ = false;
    std::vector<std::string> files_;
    int fileCount_ = 0;
    POINT dropPoint_{0, 0};
};
