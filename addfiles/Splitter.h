// A bar the user drags to share space between two panes. It only reports where the mouse
// wants it; the owner clamps the position and lays out the panes (and the bar) again.
#pragma once

#include <windows.h>

#include <functional>

namespace addfiles {

class Splitter {
public:
    enum Direction { Vertical, Horizontal }; // a vertical bar moves left and right

    static const char* ClassName();
    void Attach(HWND hwnd, Direction direction);
    HWND Handle() const { return hwnd_; }
    // The wanted position of the bar's left (or top) edge in the parent's client area.
    std::function<void(int position)> OnMove;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
    Direction direction_ = Vertical;
    int grab_ = 0; // where in the bar the mouse took hold
};

} // namespace addfiles
