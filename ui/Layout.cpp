#include "ui/Layout.h"

namespace ui {

RECT AnchoredRect(const RECT& d, unsigned anchors, SIZE designClient, SIZE client) {
    const int dx = client.cx - designClient.cx;
    const int dy = client.cy - designClient.cy;
    RECT r = d;
    // Following both edges stretches; following only the far edge moves.
    if (anchors & akRight) {
        r.right += dx;
        if (!(anchors & akLeft)) r.left += dx;
    }
    if (anchors & akBottom) {
        r.bottom += dy;
        if (!(anchors & akTop)) r.top += dy;
    }
    // A window made smaller than its design never turns a control inside out.
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void ControlLayout::Create(HWND parent, HFONT font, std::span<const ControlSpec> specs) {
    for (const ControlSpec& s : specs) {
        const RECT d = ScaleRect(s.Design, dpi_);
        HWND h =
            CreateWindowExA(s.ExStyle, s.ClassName, s.Caption ? s.Caption : "", s.Style | WS_CHILD,
                            d.left, d.top, d.right - d.left, d.bottom - d.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(s.Id)),
                            GetModuleHandleA(nullptr), nullptr);
        if (!h) continue;
        if (font) SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        items_.push_back({h, s.Id, s.Design, s.Anchors});
    }
}

bool ControlLayout::Arrange(int width, int height) const {
    if (items_.empty()) return false;
    bool moved = false;
    HDWP batch = BeginDeferWindowPos(static_cast<int>(items_.size()));
    for (const Item& it : items_) {
        if (it.anchors == akTopLeft) continue;
        moved = true;
        RECT r = Place(it, SIZE{width, height});
        if (batch)
            batch = DeferWindowPos(batch, it.hwnd, nullptr, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) EndDeferWindowPos(batch);
    return moved;
}

RECT ControlLayout::Place(const Item& it, SIZE client) const {
    return AnchoredRect(ScaleRect(it.design, dpi_), it.anchors, ScaleSize(design_, dpi_), client);
}

void ControlLayout::Rescale(int width, int height, HFONT font) const {
    HDWP batch = BeginDeferWindowPos(static_cast<int>(items_.size()));
    for (const Item& it : items_) {
        if (font) SendMessageA(it.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        RECT r = Place(it, SIZE{width, height});
        if (batch)
            batch = DeferWindowPos(batch, it.hwnd, nullptr, r.left, r.top, r.right - r.left,
                                   r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (batch) EndDeferWindowPos(batch);
}

RECT ControlLayout::Placed(int id, SIZE client) const {
    for (const Item& it : items_)
        if (it.id == id) return Place(it, client);
    return RECT{0, 0, 0, 0};
}

HWND ControlLayout::Find(int id) const {
    for (const Item& it : items_)
        if (it.id == id) return it.hwnd;
    return nullptr;
}

} // namespace ui
