// A flat tool button with a glyph: flat until the mouse is over it, raised while hot,
// sunken while pressed. A click sends WM_COMMAND with the button's ID to the parent.
#pragma once

#include "base/Handle.h"

#include <windows.h>

#include <string>

namespace ui {

class SpeedButton {
public:
    SpeedButton() = default;
    SpeedButton(const SpeedButton&) = delete;
    SpeedButton& operator=(const SpeedButton&) = delete;

    // The window class, registered on first use, for creating buttons from a control table.
    static const char* ClassName();
    void Create(HWND parent, int id, int x, int y, int w, int h);
    // Takes over a button window created elsewhere (from a control table).
    void Attach(HWND hwnd);
    HWND Handle() const { return hwnd_; }
    int Id() const { return id_; }
    // The glyph is not owned; the form keeps its bitmaps.
    void SetGlyph(HBITMAP glyph);
    HBITMAP Glyph() const { return glyph_; }
    void SetHint(HWND tooltip, const std::string& hint);
    // As a mouse click: the parent gets the command.
    void Click();

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Paint(HDC dc);

    HWND hwnd_ = nullptr;
    int id_ = 0;
    HBITMAP glyph_ = nullptr;
    // The glyph enlarged for the display scale, made at the first painting at that scale.
    BitmapHandle scaledGlyph_;
    int scaledDpi_ = 0;
    bool hot_ = false;
    bool pressed_ = false;
    std::string hint_;
};

} // namespace ui
