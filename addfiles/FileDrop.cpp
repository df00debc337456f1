#include "addfiles/FileDrop.h"

TFileDrop::~TFileDrop() {
    Release();
}

void TFileDrop::SetEnableDrop(bool on) {
    if (!control_) return;
    enableDrop_ = on;
    if (IsWindow(control_)) DragAcceptFiles(control_, on);
}

void TFileDrop::Release() {
    if (!control_) return;
    SetEnableDrop(false);
    hook_.Remove();
    control_ = nullptr;
}

void TFileDrop::SetDropControl(HWND control) {
    if (control == control_) return;
    Release();
    if (!control) return;
    if (!hook_.Install(control, [this](UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
            if (msg != WM_DROPFILES) return false;
            HandleDrop(reinterpret_cast<HDROP>(wp));
            result = 0;
            return true;
        }))
        return;
    control_ = control;
    SetEnableDrop(true);
}

void TFileDrop::HandleDrop(HDROP drop) {
    // The shell hands the drop's memory to the target, which must give it back whatever
    // happens in the event.
    struct Finish {
        HDROP h;
        ~Finish() { DragFinish(h); }
    } finish{drop};
    std::vector<char> name(128);
    files_.clear();
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    dropPoint_ = POINT{0, 0};
    DragQueryPoint(drop, &dropPoint_);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileA(drop, i, nullptr, 0);
        if (length == 0) continue;
        if (length + 1 > name.size()) name.resize(length + 1);
        const UINT got = DragQueryFileA(drop, i, name.data(), static_cast<UINT>(name.size()));
        if (got > 0) files_.emplace_back(name.data(), got);
    }
    fileCount_ = static_cast<int>(files_.size());
    if (OnDrop) OnDrop(*this);
}
