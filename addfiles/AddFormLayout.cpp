#include "addfiles/AddFormLayout.h"

#include "addfiles/AddFilesIds.h"
#include "addfiles/Splitter.h"
#include "ui/SpeedButton.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

namespace addfiles {
namespace {

using namespace ui;

constexpr int kHeaderHeight = 20; // the path label strips above the panes
constexpr int kBarSize = 4;
constexpr int kBottomHeight = 90; // the strip of buttons and options below the panes
constexpr int kMinPane = 200;     // either pane's least width, so the strip fits
constexpr int kMinTree = 40;
constexpr int kMinList = 40;
// The options box's right edge keeps this distance to the vertical bar once that passes it.
constexpr int kBoxGap = 4;
constexpr int kBoxRight = 346;

constexpr PaneSplit kDesignSplit{};
constexpr int kSplitX = kDesignSplit.LeftWidth;
constexpr int kTreeBottom = kHeaderHeight + kDesignSplit.TreeHeight;
constexpr int kPaneBottom = kAddFormClient.cy - kBottomHeight;
constexpr int kStripTop = kPaneBottom + 4;
constexpr int kW = kAddFormClient.cx;

constexpr unsigned kLeftBottom = akLeft | akBottom;
constexpr unsigned kLeftTopRight = akLeft | akTop | akRight;
constexpr unsigned kLeftTopBottom = akLeft | akTop | akBottom;
constexpr unsigned kRightBottom = akRight | akBottom;
constexpr DWORD kList =
    WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
constexpr DWORD kPath = WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS;
constexpr DWORD kCheck = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

std::vector<AddFormRow> MakeRows() {
    const char* flat = SpeedButton::ClassName();
    const char* bar = Splitter::ClassName();
    const int l = kSplitX, r0 = kSplitX + kBarSize, top = kStripTop;
    const int boxR = kBoxRight, checkR = kBoxRight - 6, removeL = kBoxRight + 12;
    const int h = kAddFormClient.cy;
    return {
        // The labels come before their panels, so they lie above them.
        {{"STATIC", IDC_PATHLABEL1, "", {4, 3, l - 4, kHeaderHeight - 2}, kPath}, {akRight}},
        {{"STATIC", IDC_PANEL6, "", {0, 0, l, kHeaderHeight}, WS_VISIBLE | WS_CLIPSIBLINGS},
         {akRight}},
        {{"STATIC",
          IDC_PATHLABEL2,
          "",
          {r0 + 4, 3, kW - 4, kHeaderHeight - 2},
          kPath,
          0,
          kLeftTopRight},
         {akLeft}},
        {{"STATIC",
          IDC_PANEL7,
          "",
          {r0, 0, kW, kHeaderHeight},
          WS_VISIBLE | WS_CLIPSIBLINGS,
          0,
          kLeftTopRight},
         {akLeft}},
        {{WC_LISTVIEWA,
          IDC_ADDLISTVIEW1,
          "",
          {0, kTreeBottom + kBarSize, l, kPaneBottom},
          kList,
          WS_EX_CLIENTEDGE,
          kLeftTopBottom},
         {akRight, akTop}},
        {{WC_LISTVIEWA,
          IDC_ADDLISTVIEW2,
          "",
          {r0, kHeaderHeight, kW, kPaneBottom},
          kList,
          WS_EX_CLIENTEDGE,
          akAll},
         {akLeft}},
        {{"LISTBOX", IDC_LISTBOX1, "", {}, LBS_NOINTEGRALHEIGHT}, {}}, // never shown
        {{"BUTTON",
          IDC_OPTIONSGROUP,
          "Add options",
          {186, top, boxR, h - 6},
          WS_VISIBLE | BS_GROUPBOX,
          0,
          kLeftBottom},
         {0, 0, akRight}},
        {{"BUTTON",
          IDC_RECURSECB,
          "Include &Subfolders",
          {196, top + 16, checkR, top + 34},
          kCheck,
          0,
          kLeftBottom},
         {0, 0, akRight}},
        {{"BUTTON",
          IDC_DIRNAMECB,
          "Save &Path Info",
          {196, top + 36, checkR, top + 54},
          kCheck,
          0,
          kLeftBottom},
         {0, 0, akRight}},
        {{"BUTTON",
          IDC_ENCRYPTCB,
          "Protect With Pass&word",
          {196, top + 56, checkR, top + 74},
          kCheck,
          0,
          kLeftBottom},
         {0, 0, akRight}},
        {{"BUTTON", IDOK, "OK", {kW - 172, h - 34, kW - 92, h - 9}, kButton, 0, kRightBottom}, {}},
        {{"BUTTON", IDCANCEL, "Cancel", {kW - 86, h - 34, kW - 6, h - 9}, kButton, 0, kRightBottom},
         {}},
        // The flat buttons show their caption under the glyph.
        {{flat,
          IDC_ADDFILESBTN,
          "&Add Selected",
          {4, top + 6, 92, top + 62},
          WS_VISIBLE | WS_TABSTOP,
          0,
          kLeftBottom},
         {}},
        {{flat,
          IDC_ADDDIRBTN,
          "Add &Folder",
          {94, top + 6, 182, top + 62},
          WS_VISIBLE | WS_TABSTOP,
          0,
          kLeftBottom},
         {}},
        {{flat,
          IDC_REMOVEITEMBTN,
          "&Remove Selected",
          {removeL, top + 6, removeL + 100, top + 62},
          WS_VISIBLE | WS_TABSTOP,
          0,
          kLeftBottom},
         {0, 0, akLeft | akRight}},
        {{flat,
          IDC_REMOVEALLBUT,
          "Remove A&ll",
          {removeL + 102, top + 6, removeL + 190, top + 62},
          WS_VISIBLE | WS_TABSTOP,
          0,
          kLeftBottom},
         {0, 0, akLeft | akRight}},
        {{bar, IDC_VSPLITTER, "", {l, 0, r0, kPaneBottom}, WS_VISIBLE, 0, kLeftTopBottom},
         {akLeft | akRight}},
        {{bar, IDC_HSPLITTER, "", {0, kTreeBottom, l, kTreeBottom + kBarSize}, WS_VISIBLE},
         {akRight, akTop | akBottom}},
        {{WC_TREEVIEWA, IDC_DIRTREE1, "", {0, kHeaderHeight, l, kTreeBottom}, WS_VISIBLE},
         {akRight, akBottom}},
    };
}

void Shift(LONG& low, LONG& high, unsigned edges, unsigned lowEdge, unsigned highEdge, int by) {
    if (edges & lowEdge) low += by;
    if (edges & highEdge) high += by;
}

} // namespace

std::span<const AddFormRow> AddFormRows() {
    static const std::vector<AddFormRow> rows = MakeRows();
    return rows;
}

const AddFormRow& AddFormRowOf(int id) {
    for (const AddFormRow& row : AddFormRows())
        if (row.Control.Id == id) return row;
    static const AddFormRow none{};
    return none;
}

PaneSplit DesignSplit(int dpi) {
    return PaneSplit{ScaleToDpi(kDesignSplit.LeftWidth, dpi),
                     ScaleToDpi(kDesignSplit.TreeHeight, dpi)};
}

PaneSplit RescaleSplit(PaneSplit s, int fromDpi, int toDpi) {
    return PaneSplit{MulDiv(s.LeftWidth, toDpi, fromDpi), MulDiv(s.TreeHeight, toDpi, fromDpi)};
}

PaneSplit ClampSplit(PaneSplit s, SIZE client, int dpi) {
    const auto px = [dpi](int design) { return ScaleToDpi(design, dpi); };
    const int paneBottom = client.cy - px(kBottomHeight);
    // The least sizes win over the greatest when the window is too small for both.
    s.LeftWidth =
        std::max(px(kMinPane), std::min(s.LeftWidth, int(client.cx) - px(kBarSize) - px(kMinPane)));
    s.TreeHeight = std::max(px(kMinTree), std::min(s.TreeHeight, paneBottom - px(kHeaderHeight) -
                                                                     px(kBarSize) - px(kMinList)));
    return s;
}

RECT PlaceOf(const AddFormRow& row, SIZE client, PaneSplit split, int dpi) {
    RECT r = AnchoredRect(ScaleRect(row.Control.Design, dpi), row.Control.Anchors,
                          ScaleSize(kAddFormClient, dpi), client);
    const PaneSplit design = DesignSplit(dpi);
    const int dx = split.LeftWidth - design.LeftWidth;
    const int dy = split.TreeHeight - design.TreeHeight;
    const int box =
        std::max(0, split.LeftWidth - ScaleToDpi(kBoxGap, dpi) - ScaleToDpi(kBoxRight, dpi));
    Shift(r.left, r.right, row.Follow.Bar, akLeft, akRight, dx);
    Shift(r.top, r.bottom, row.Follow.TreeBar, akTop, akBottom, dy);
    Shift(r.left, r.right, row.Follow.Box, akLeft, akRight, box);
    return r;
}

int GrownTreeHeight(SIZE client, int dpi) {
    const int grown = client.cy - ScaleToDpi(kAddFormClient.cy, dpi);
    // Two thirds of the growth: the list starts out taller than the tree, and in a window
    // about twice the design height the two are as good as even.
    return ScaleToDpi(kDesignSplit.TreeHeight, dpi) + std::max(0, grown) * 2 / 3;
}

int TreeHeightAt(int barTop, int dpi) {
    return barTop - ScaleToDpi(kHeaderHeight, dpi);
}

} // namespace addfiles
