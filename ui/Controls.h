// Thin wrappers over common controls: an HWND plus typed inline methods. They never own
// the window; the parent form does.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace ui {

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
    std::string PanelText(int panel) const {
        int n = LOWORD(SendMessageA(hwnd_, SB_GETTEXTLENGTHA, panel, 0));
        std::string s(n + 1, '\0');
        SendMessageA(hwnd_, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(s.data()));
        s.resize(n);
        return s;
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
        SendMessageA(hwnd_, LVM_SETITEMCOUNT, n, LVSICF_NOINVALIDATEALL);
        InvalidateRect(hwnd_, nullptr, TRUE);
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
    void SelectRow(int index, bool on) { SetItemState(index, on ? LVIS_SELECTED : 0, LVIS_SELECTED); }
    void FocusRow(int index) { SetItemState(index, LVIS_FOCUSED, LVIS_FOCUSED); }
    int FocusedRow() const {
        return static_cast<int>(SendMessageA(hwnd_, LVM_GETNEXTITEM, -1, LVNI_FOCUSED));
    }
    void SetStyle(DWORD viewStyle) {
        LONG_PTR s = GetWindowLongPtrA(hwnd_, GWL_STYLE);
        SetWindowLongPtrA(hwnd_, GWL_STYLE, (s & ~LVS_TYPEMASK) | viewStyle);
    }
    DWORD Style() const { return GetWindowLongPtrA(hwnd_, GWL_STYLE) & LVS_TYPEMASK; }
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
    void EnsureVisible(int index) { SendMessageA(hwnd_, LVM_ENSUREVISIBLE, index, FALSE); }
};

// A menu item of a window's menu, by command ID.
class MenuItem {
public:
    MenuItem(HMENU menu, UINT id) : menu_(menu), id_(id) {}
    void SetEnabled(bool on) { EnableMenuItem(menu_, id_, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); }
    bool Enabled() const { return !(GetMenuState(menu_, id_, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }
    void SetChecked(bool on) { CheckMenuItem(menu_, id_, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); }
    bool Checked() const { return GetMenuState(menu_, id_, MF_BYCOMMAND) & MF_CHECKED; }
    // Keeps the shortcut text after a tab.
    void SetCaption(const std::string& caption);
    std::string Caption() const; // without the shortcut text

private:
    HMENU menu_;
    UINT id_;
};

} // namespace ui
