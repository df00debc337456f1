// Controls as data: a window lists its controls once (class, ID, caption, design rectangle,
// style, anchors) and one helper creates them and keeps the anchored ones in place when the
// window is resized. Rectangles are in design pixels (96 DPI) of the window's design client
// size; they are scaled to the window's DPI when created and again when the DPI changes.
#pragma once

#include "ui/Dpi.h"

#include <windows.h>

#include <span>
#include <vector>

namespace ui {

// The edges of the client area a control keeps its distance to. Left|Top is the default;
// Left|Right stretches it with the width, Right alone moves it along.
enum Anchor : unsigned {
    akLeft = 1,
    akTop = 2,
    akRight = 4,
    akBottom = 8,
    akTopLeft = akLeft | akTop,
    akAll = akLeft | akTop | akRight | akBottom,
};

struct ControlSpec {
    const char* ClassName;
    int Id; // -1 for controls nobody addresses (labels, frames)
    const char* Caption;
    RECT Design; // left, top, right, bottom in design pixels
    DWORD Style; // WS_CHILD is added; WS_VISIBLE is not implied
    DWORD ExStyle = 0;
    unsigned Anchors = akTopLeft;
};

// Where an anchored control belongs in a client area of the given size.
RECT AnchoredRect(const RECT& design, unsigned anchors, SIZE designClient, SIZE client);

// The children one window created from its table, with their design rectangles.
class ControlLayout {
public:
    // One created control and the design it was made from.
    struct Item {
        HWND hwnd;
        int id;
        RECT design;
        unsigned anchors;
    };

    void SetDesignClient(SIZE size) { design_ = size; }
    // The DPI controls are created and placed at (96 unless told).
    void SetDpi(int dpi) { dpi_ = dpi; }
    int Dpi() const { return dpi_; }
    // Creates every control of the table as a child of parent with the given font.
    void Create(HWND parent, HFONT font, std::span<const ControlSpec> specs);
    // Moves the anchored controls for a client area of this size; true when there were any.
    bool Arrange(int width, int height) const;
    // After a change of DPI: every control to its scaled place for this client area, with
    // the font made for the new DPI.
    void Rescale(int width, int height, HFONT font) const;
    // Where a control of the table belongs in a client area of this size at the current DPI.
    RECT Placed(int id, SIZE client) const;
    HWND Find(int id) const;
    size_t Count() const { return items_.size(); }
    std::span<const Item> Items() const { return items_; }
    SIZE DesignClient() const { return design_; }

private:
    RECT Place(const Item& it, SIZE client) const;

    SIZE design_{0, 0};
    int dpi_ = 96;
    std::vector<Item> items_;
};

} // namespace ui
