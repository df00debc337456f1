// Thin wrappers over common controls: an HWND plus typed inline methods. They never own
// the window; the parent form does.
#pragma once

#include "base/MemberNames.h"

#include <windows.h>
#include <commctrl.h>

#include <richedit.h>

#include <string>
#include <string_view>

namespace ui {

// How wide a text is in a window's own font, in that window's pixels.
inline int TextWidth(HWND window, std::string_view text) {
    HDC dc = GetDC(window);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
}

class Control {
public:
    Control() = default;
    explicit Control(HWND h) : hwnd_(h) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    void Attach(HWND h) { hwnd_ = h; }
    HWND Handle() const { return hwnd_; }
    void SetBounds(int x, int y, int w, int h) { MoveWindow(hwnd_, x, y, w, h, TRUE); }
    void SetText(const std::string& s) { SetWindowTextA(hwnd_, s.c_str()); }
    std::string Text() const {
        int n = GetWindowTextLengthA(hwnd_);
        std::string s(n + 1, '\0');
        GetWindowTextA(hwnd_, s.data(), n + 1);
        s.resize(n);
        return s;
    }
    void SetEnabled(bool on) { EnableWindow(hwnd_, on); }
    bool Enabled() const { return IsWindowEnabled(hwnd_); }
    void SetVisible(bool on) { ShowWindow(hwnd_, on ? SW_SHOW : SW_HIDE); }

protected:
    HWND hwnd_ = nullptr;
};

class StatusBar : public Control {
public:
    void SetParts(const int* rightEdges, int count) {
        SendMessageA(hwnd_, SB_SETPARTS, count, reinterpret_cast<LPARAM>(rightEdges));
    }
    void SetPanelText(int panel, const std::string& text) {
        SendMessageA(hwnd_, SB_SETTEXTA, panel, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Read wide: Wine's status bar gives the ANSI length in characters, which cuts a text in
    // a multi-byte code page (UTF-8).
    std::string PanelText(int panel) const {
        int n = LOWORD(SendMessageW(hwnd_, SB_GETTEXTLENGTHW, panel, 0));
        std::wstring w(n + 1, L'\0');
        SendMessageW(hwnd_, SB_GETTEXTW, panel, reinterpret_cast<LPARAM>(w.data()));
        w.resize(n);
        return kname::Narrow(w, CP_ACP);
    }
};

class ProgressBar : public Control {
public:
    void SetRange(int lo, int hi) { SendMessageA(hwnd_, PBM_SETRANGE32, lo, hi); }
    void SetPosition(int pos) { SendMessageA(hwnd_, PBM_SETPOS, pos, 0); }
    int Position() const { return static_cast<int>(SendMessageA(hwnd_, PBM_GETPOS, 0, 0)); }
};

// A report-capable list view. Rows may live in the control or, with LVS_OWNERDATA, in the
// owner's own store (then only the count is set here).
class ListView : public Control {
public:
    void InsertColumn(int index, const std::string& caption, int width, int format) {
        LVCOLUMNA c{};
        c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        c.fmt = format;
        c.cx = width;
        c.pszText = const_cast<char*>(caption.c_str());
        c.iSubItem = index;
        SendMessageA(hwnd_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&c));
    }
    void SetColumnWidth(int index, int width) {
        // -1 sizes the column to its contents.
        SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, index, width == -1 ? LVSCW_AUTOSIZE : width);
    }
    int ColumnWidth(int index) const {
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETCOLUMNWIDTH, index, 0));
    }
    void SetItemCount(int n) {
        WithoutBarDrawing(
            [&] { SendMessageA(hwnd_, LVM_SETITEMCOUNT, n, LVSICF_NOINVALIDATEALL); });
    }
    // The list works out its row metrics at its first paint that has rows, and then sets
    // its scroll bars four times over. Done once beforehand, painting one empty row into a
    // memory picture, the first archive shown does not wait for it.
    void PrepareRowMetrics() {
        if (ItemCount() != 0) return;
        WithoutBarDrawing([&] {
            SendMessageA(hwnd_, LVM_SETITEMCOUNT, 1, LVSICF_NOINVALIDATEALL);
            HDC screen = GetDC(hwnd_);
            HDC picture = CreateCompatibleDC(screen);
            HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, 1);
            HGDIOBJ old = SelectObject(picture, bitmap);
            SendMessageA(hwnd_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture), PRF_CLIENT);
            SelectObject(picture, old);
            DeleteObject(bitmap);
            DeleteDC(picture);
            ReleaseDC(hwnd_, screen);
            SendMessageA(hwnd_, LVM_SETITEMCOUNT, 0, LVSICF_NOINVALIDATEALL);
        });
    }
    int ItemCount() const { return static_cast<int>(SendMessageA(hwnd_, LVM_GETITEMCOUNT, 0, 0)); }
    void DeleteAllItems() { SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0); }
    void SetRedraw(bool on) {
        SendMessageA(hwnd_, WM_SETREDRAW, on, 0);
        if (on) InvalidateRect(hwnd_, nullptr, TRUE);
    }
    void SetItemState(int index, UINT state, UINT mask) {
        LVITEMA it{};
        it.stateMask = mask;
        it.state = state;
        SendMessageA(hwnd_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&it));
    }
    bool IsSelected(int index) const {
        return SendMessageA(hwnd_, LVM_GETITEMSTATE, index, LVIS_SELECTED) & LVIS_SELECTED;
    }
    bool IsFocused(int index) const {
        return SendMessageA(hwnd_, LVM_GETITEMSTATE, index, LVIS_FOCUSED) & LVIS_FOCUSED;
    }
    int SelectedCount() const {
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0));
    }
    // -1 for all rows.
    void SelectRow(int index, bool on) {
        SetItemState(index, on ? LVIS_SELECTED : 0, LVIS_SELECTED);
    }
    void FocusRow(int index) { SetItemState(index, LVIS_FOCUSED, LVIS_FOCUSED); }
    int FocusedRow() const {
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
    }
    void SetStyle(DWORD viewStyle) {
        LONG_PTR s = GetWindowLongPtrA(hwnd_, GWL_STYLE);
        SetWindowLongPtrA(hwnd_, GWL_STYLE, (s & ~LVS_TYPEMASK) | viewStyle);
        // Rows drawn in the old style would otherwise stay on screen.
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    DWORD Style() const { return GetWindowLongPtrA(hwnd_, GWL_STYLE) & LVS_TYPEMASK; }

private:
    // A new count makes the list set its scroll bars four times, and under Wine each
    // setting draws the bar at once: tens of milliseconds in all. Done while the window is
    // marked as not drawing (the default window procedure's WM_SETREDRAW; the list's own
    // handler would set the bars four times more), the bars only take their values and are
    // drawn once, with the frame, at the next paint.
    template <class F> void WithoutBarDrawing(F change) {
        const bool drawing = GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE;
        if (drawing) DefWindowProcW(hwnd_, WM_SETREDRAW, FALSE, 0);
        change();
        if (drawing) DefWindowProcW(hwnd_, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }

public:
    void SetImageList(HIMAGELIST list, int which) {
        SendMessageA(hwnd_, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list));
    }
    void SetExtendedStyle(DWORD mask, DWORD style) {
        SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
    }
    DWORD ExtendedStyle() const {
        return static_cast<DWORD>(SendMessageA(hwnd_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    }
    std::string ItemText(int index, int subItem) const {
        char buf[1100] = {};
        LVITEMA it{};
        it.iSubItem = subItem;
        it.pszText = buf;
        it.cchTextMax = sizeof buf;
        SendMessageA(hwnd_, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&it));
        return buf;
    }
    // Appends an item with a caption and an image; its index, or -1.
    int AddItem(const std::string& caption, int image) {
        LVITEMA it{};
        it.mask = LVIF_TEXT | LVIF_IMAGE;
        it.iItem = ItemCount();
        it.pszText = const_cast<char*>(caption.c_str());
        it.iImage = image;
        return static_cast<int>(
            SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&it)));
    }
    void EnsureVisible(int index) { SendMessageA(hwnd_, LVM_ENSUREVISIBLE, index, FALSE); }
};

// Push button.
class Button : public Control {
public:
    // As a mouse click: the parent gets BN_CLICKED.
    void Click() { SendMessageA(hwnd_, BM_CLICK, 0, 0); }
};

// Check box; a radio button is one too, with the group's automatic switching.
class CheckBox : public Button {
public:
    bool Checked() const { return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetChecked(bool on) {
        SendMessageA(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
};
class RadioButton : public CheckBox {};

class Label : public Control {};

class Edit : public Control {
public:
    void SetReadOnly(bool on) { SendMessageA(hwnd_, EM_SETREADONLY, on, 0); }
    void SelectAll() { SendMessageA(hwnd_, EM_SETSEL, 0, -1); }
    void SetMaxLength(int n) { SendMessageA(hwnd_, EM_LIMITTEXT, n, 0); }
};

class ListBox : public Control {
public:
    int Add(const std::string& s) {
        return static_cast<int>(
            SendMessageA(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str())));
    }
    void Delete(int index) { SendMessageA(hwnd_, LB_DELETESTRING, index, 0); }
    void Clear() { SendMessageA(hwnd_, LB_RESETCONTENT, 0, 0); }
    int Count() const { return static_cast<int>(SendMessageA(hwnd_, LB_GETCOUNT, 0, 0)); }
    std::string Item(int index) const {
        LRESULT n = SendMessageA(hwnd_, LB_GETTEXTLEN, index, 0);
        if (n == LB_ERR) return {};
        std::string s(static_cast<size_t>(n) + 1, '\0');
        SendMessageA(hwnd_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(s.data()));
        s.resize(static_cast<size_t>(n));
        return s;
    }
    // -1 when the string is not in the list (compared without regard to case).
    int IndexOf(const std::string& s) const {
        LRESULT i = SendMessageA(hwnd_, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(s.c_str()));
        return i == LB_ERR ? -1 : static_cast<int>(i);
    }
    int ItemIndex() const { return static_cast<int>(SendMessageA(hwnd_, LB_GETCURSEL, 0, 0)); }
    void SetItemIndex(int index) { SendMessageA(hwnd_, LB_SETCURSEL, index, 0); }
};

class TabControl : public Control {
public:
    void AddTab(const std::string& caption) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(caption.c_str());
        SendMessageA(hwnd_, TCM_INSERTITEMA, Count(), reinterpret_cast<LPARAM>(&item));
    }
    int Count() const { return static_cast<int>(SendMessageA(hwnd_, TCM_GETITEMCOUNT, 0, 0)); }
    int Selected() const { return static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0)); }
    void Select(int index) { SendMessageA(hwnd_, TCM_SETCURSEL, index, 0); }
    // The part of the control below the tabs, in the parent's coordinates.
    RECT PageRect() const {
        RECT r;
        GetWindowRect(hwnd_, &r);
        MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
        SendMessageA(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
        return r;
    }
};

class TreeView : public Control {
public:
    HTREEITEM Insert(HTREEITEM parent, const std::string& text, int image = 0,
                     int selectedImage = 0, bool hasChildren = false, LPARAM data = 0) {
        TVINSERTSTRUCTA ins{};
        ins.hParent = parent ? parent : TVI_ROOT;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
        ins.item.pszText = const_cast<char*>(text.c_str());
        ins.item.iImage = image;
        ins.item.iSelectedImage = selectedImage;
        ins.item.cChildren = hasChildren ? 1 : 0;
        ins.item.lParam = data;
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    }
    void Clear() { SendMessageA(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)); }
    HTREEITEM Selected() const { return Next(nullptr, TVGN_CARET); }
    void Select(HTREEITEM item) {
        SendMessageA(hwnd_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
    void Expand(HTREEITEM item, bool open = true) {
        SendMessageA(hwnd_, TVM_EXPAND, open ? TVE_EXPAND : TVE_COLLAPSE,
                     reinterpret_cast<LPARAM>(item));
    }
    // TVGN_ROOT, TVGN_CHILD, TVGN_NEXT, TVGN_PARENT, TVGN_CARET relative to item.
    HTREEITEM Next(HTREEITEM item, UINT relation) const {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(hwnd_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    }
    std::string ItemText(HTREEITEM item) const {
        char buf[MAX_PATH + 1] = {};
        TVITEMA it{};
        it.mask = TVIF_TEXT;
        it.hItem = item;
        it.pszText = buf;
        it.cchTextMax = sizeof buf;
        SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
        return buf;
    }
    LPARAM ItemData(HTREEITEM item) const {
        TVITEMA it{};
        it.mask = TVIF_PARAM;
        it.hItem = item;
        SendMessageA(hwnd_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
        return it.lParam;
    }
    void SetImageList(HIMAGELIST list) {
        SendMessageA(hwnd_, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
    }
};

// Rich edit (the "RichEdit20A" class; its library must be loaded before creating one).
class RichEdit : public Control {
public:
    // Unlike the window text, works for texts of any length.
    void SetPlainText(const std::string& text) {
        SETTEXTEX st{ST_DEFAULT, CP_ACP};
        SendMessageA(hwnd_, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&st),
                     reinterpret_cast<LPARAM>(text.c_str()));
    }
    std::string PlainText() const {
        GETTEXTLENGTHEX gl{GTL_DEFAULT | GTL_NUMBYTES, CP_ACP};
        LRESULT n = SendMessageA(hwnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0);
        if (n <= 0) return {};
        std::string s(static_cast<size_t>(n) + 1, '\0');
        GETTEXTEX gt{};
        gt.cb = static_cast<DWORD>(s.size());
        gt.flags = GT_DEFAULT;
        gt.codepage = CP_ACP;
        LRESULT got = SendMessageA(hwnd_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt),
                                   reinterpret_cast<LPARAM>(s.data()));
        s.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return s;
    }
    void SelectAll() { SendMessageA(hwnd_, EM_SETSEL, 0, -1); }
    void Select(LONG from, LONG to) {
        CHARRANGE r{from, to};
        SendMessageA(hwnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    }
    CHARRANGE Selection() const {
        CHARRANGE r{};
        SendMessageA(hwnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    void Copy() { SendMessageA(hwnd_, WM_COPY, 0, 0); }
    void SetReadOnly(bool on) { SendMessageA(hwnd_, EM_SETREADONLY, on, 0); }
    // Wraps at the window's edge, or never (a wide target line).
    void SetWordWrap(bool on) { SendMessageA(hwnd_, EM_SETTARGETDEVICE, 0, on ? 0 : 1); }
};

// A menu item of a window's menu, by command ID.
class MenuItem {
public:
    MenuItem(HMENU menu, UINT id) : menu_(menu), id_(id) {}
    // True when the item's state changed.
    bool SetEnabled(bool on) {
        const UINT was = EnableMenuItem(menu_, id_, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
        return was != static_cast<UINT>(-1) && !(was & (MF_GRAYED | MF_DISABLED)) != on;
    }
    // True for an item of the menu bar itself rather than of one of its menus.
    bool OnBar() const {
        for (int i = 0, n = GetMenuItemCount(menu_); i < n; ++i)
            if (GetMenuItemID(menu_, i) == id_) return true;
        return false;
    }
    bool Enabled() const {
        return !(GetMenuState(menu_, id_, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    }
    void SetChecked(bool on) {
        CheckMenuItem(menu_, id_, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
    bool Checked() const { return GetMenuState(menu_, id_, MF_BYCOMMAND) & MF_CHECKED; }
    // Keeps the shortcut text after a tab.
    void SetCaption(const std::string& caption);
    std::string Caption() const; // without the shortcut text

private:
    HMENU menu_;
    UINT id_;
};

} // namespace ui
