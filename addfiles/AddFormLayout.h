// Where the add-files dialog's controls lie. Every control is a row of one table, in design
// pixels of the 632 x 453 client with the panes split at their design places and anchored as
// the window grows; the rows that move with the splitters say which of their edges follow
// which bar. The dialog keeps the bars' places and asks here for the rectangles.
#pragma once

#include "ui/Dpi.h"
#include "ui/Layout.h"

#include <span>

namespace addfiles {

constexpr SIZE kAddFormClient{632, 453}; // a 640 x 480 window

// The two bars' places: the width of the left pane and the height of the tree.
struct PaneSplit {
    int LeftWidth = 321;
    int TreeHeight = 87;
};

// Which edges of a control follow a bar (ui::Anchor bits: akLeft/akRight along the width,
// akTop/akBottom along the height). The options box and the remove buttons keep their design
// place until the left pane is wide enough to push them (`Box`).
struct PaneFollow {
    unsigned Bar = 0;     // the vertical bar between the panes
    unsigned TreeBar = 0; // the horizontal bar under the tree
    unsigned Box = 0;     // the options box's right edge
};

struct AddFormRow {
    ui::ControlSpec Control;
    PaneFollow Follow;
};

// Every control of the dialog, in creation order. The tree's row is made by the tree itself
// (`TDirTree::Create`), not by the table.
std::span<const AddFormRow> AddFormRows();
const AddFormRow& AddFormRowOf(int id);

// Below, the client size and the bars' places are pixels at the window's DPI; the table's
// design pixels (96 DPI) are scaled to it.

// The design places of the bars at a DPI, and bar places moved from one DPI to another.
PaneSplit DesignSplit(int dpi = ui::kDesignDpi);
PaneSplit RescaleSplit(PaneSplit split, int fromDpi, int toDpi);
// The bars kept where both panes, the tree and the list below it keep their least sizes.
PaneSplit ClampSplit(PaneSplit wanted, SIZE client, int dpi = ui::kDesignDpi);
// The rectangle of a row for this client size and these bar places.
RECT PlaceOf(const AddFormRow& row, SIZE client, PaneSplit split, int dpi = ui::kDesignDpi);
// The tree's height while the user has not placed its bar: the design height and two thirds
// of what the panes have grown by, so that in a large window tree and list share the pane.
int GrownTreeHeight(SIZE client, int dpi = ui::kDesignDpi);
// Where the horizontal bar's top edge is dragged to, as the tree's height.
int TreeHeightAt(int barTop, int dpi = ui::kDesignDpi);

} // namespace addfiles
