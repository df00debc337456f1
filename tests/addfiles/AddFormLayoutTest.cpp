// Where the add-files dialog's controls lie at 96 DPI: at its design size, larger, and with both
// splitters dragged (also past their limits). The rectangles are the ones the dialog has always
// had, so a change in how it is laid out shows here as a moved control.
#include "addfiles/AddFilesIds.h"
#include "addfiles/AddFilesToZip.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>

using namespace testing_support;

namespace {

const int kPlaced[] = {
    IDC_PANEL6,        IDC_PATHLABEL1,   IDC_DIRTREE1,   IDC_HSPLITTER,    IDC_ADDLISTVIEW1,
    IDC_VSPLITTER,     IDC_PANEL7,       IDC_PATHLABEL2, IDC_ADDLISTVIEW2, IDC_ADDFILESBTN,
    IDC_ADDDIRBTN,     IDC_OPTIONSGROUP, IDC_RECURSECB,  IDC_DIRNAMECB,    IDC_ENCRYPTCB,
    IDC_REMOVEITEMBTN, IDC_REMOVEALLBUT, IDOK,           IDCANCEL};
constexpr size_t kCount = std::size(kPlaced);

struct Case {
    const char* name;
    SIZE client;
    POINT drag; // where the vertical bar's left and the horizontal bar's top are dragged; 0: not
    RECT expected[kCount];
};

std::string Text(const RECT& r) {
    char s[64];
    std::snprintf(s, sizeof s, "{%ld, %ld, %ld, %ld}", r.left, r.top, r.right, r.bottom);
    return s;
}

void Drag(HWND bar, bool vertical, int to) {
    SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
    POINT pt{vertical ? to : 0, vertical ? 0 : to};
    MapWindowPoints(GetParent(bar), bar, &pt, 1);
    SendMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    SendMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
}

class AddFormLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetClient(SIZE size) {
        RECT outer, client;
        GetWindowRect(form.Handle(), &outer);
        GetClientRect(form.Handle(), &client);
        SetWindowPos(
            form.Handle(), nullptr, 0, 0, size.cx + (outer.right - outer.left) - client.right,
            size.cy + (outer.bottom - outer.top) - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
    }
    RECT Where(int id) {
        HWND h = GetDlgItem(form.Handle(), id);
        RECT r{};
        GetWindowRect(h, &r);
        MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    bool cancelled = false;
    TAddform form{cancelled};
};

TEST_F(AddFormLayoutTest, ControlsLieWhereTheyAlwaysHave) {
    // In turn on one window: the design size; larger with both bars dragged; the vertical bar
    // dragged past the left pane's least width and the horizontal one below the list's.
    const Case cases[] = {
        {"design size",
         {632, 453},
         {0, 0},
         {{0, 0, 321, 20},
          {4, 3, 317, 18},
          {0, 20, 321, 107},
          {0, 107, 321, 111},
          {0, 111, 321, 363},
          {321, 0, 325, 363},
          {325, 0, 632, 20},
          {329, 3, 628, 18},
          {325, 20, 632, 363},
          {4, 373, 92, 429},
          {94, 373, 182, 429},
          {186, 367, 346, 447},
          {196, 383, 340, 401},
          {196, 403, 340, 421},
          {196, 423, 340, 441},
          {358, 373, 458, 429},
          {460, 373, 548, 429},
          {460, 419, 540, 444},
          {546, 419, 626, 444}}},
        {"larger, bars dragged",
         {1000, 700},
         {520, 240},
         {{0, 0, 520, 20},
          {4, 3, 516, 18},
          {0, 20, 520, 240},
          {0, 240, 520, 244},
          {0, 244, 520, 610},
          {520, 0, 524, 610},
          {524, 0, 1000, 20},
          {528, 3, 996, 18},
          {524, 20, 1000, 610},
          {4, 620, 92, 676},
          {94, 620, 182, 676},
          {186, 614, 516, 694},
          {196, 630, 510, 648},
          {196, 650, 510, 668},
          {196, 670, 510, 688},
          {528, 620, 628, 676},
          {630, 620, 718, 676},
          {828, 666, 908, 691},
          {914, 666, 994, 691}}},
        {"bars past their limits",
         {1000, 700},
         {100, 1000},
         {{0, 0, 200, 20},
          {4, 3, 196, 18},
          {0, 20, 200, 566},
          {0, 566, 200, 570},
          {0, 570, 200, 610},
          {200, 0, 204, 610},
          {204, 0, 1000, 20},
          {208, 3, 996, 18},
          {204, 20, 1000, 610},
          {4, 620, 92, 676},
          {94, 620, 182, 676},
          {186, 614, 346, 694},
          {196, 630, 340, 648},
          {196, 650, 340, 668},
          {196, 670, 340, 688},
          {358, 620, 458, 676},
          {460, 620, 548, 676},
          {828, 666, 908, 691},
          {914, 666, 994, 691}}},
    };
    form.Create(nullptr);
    form.Show();
    for (const Case& c : cases) {
        SetClient(c.client);
        if (c.drag.x) Drag(GetDlgItem(form.Handle(), IDC_VSPLITTER), true, c.drag.x);
        if (c.drag.y) Drag(GetDlgItem(form.Handle(), IDC_HSPLITTER), false, c.drag.y);
        ui::ProcessMessages();
        for (size_t i = 0; i < kCount; ++i)
            EXPECT_EQ(Text(Where(kPlaced[i])), Text(c.expected[i]))
                << c.name << ", control " << kPlaced[i];
    }
    form.Hide();
}

} // namespace
