// The parts every window is built from: controls as a table with anchors, modal OK and
// Cancel, typed dialogs through the seam, and shortcuts that belong to one window.
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "ui/IdRanges.h"
#include "ui/Layout.h"

#include <dlgs.h>

#include <gtest/gtest.h>

#include <thread>

using namespace testing_support;

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(Layout, AnchoredRectFollowsTheChosenEdges) {
    const SIZE design{200, 100};
    const RECT box{10, 20, 60, 40};
    struct Case {
        unsigned anchors;
        SIZE client;
        RECT expected;
    } cases[] = {
        {ui::akTopLeft, {300, 150}, {10, 20, 60, 40}}, // stays put
        {ui::akAll, {300, 150}, {10, 20, 160, 90}},    // grows both ways
        {ui::akLeft | ui::akRight | ui::akTop, {300, 150}, {10, 20, 160, 40}},
        {ui::akRight | ui::akTop, {300, 150}, {110, 20, 160, 40}}, // moves right
        {ui::akLeft | ui::akBottom, {300, 150}, {10, 70, 60, 90}}, // moves down
        {ui::akRight | ui::akBottom, {150, 80}, {-40, 0, 10, 20}}, // moves up and left
        {ui::akAll, {20, 10}, {10, 20, 10, 20}},                   // never inside out
    };
    for (const Case& c : cases)
        EXPECT_TRUE(SameRect(ui::AnchoredRect(box, c.anchors, design, c.client), c.expected))
            << c.anchors << " " << c.client.cx << "x" << c.client.cy;
}

TEST(IdRanges, OverlapsAndStrayIdsAreRefused) {
    static constexpr ui::IdRange overlapping[] = {{1, 10}, {20, 30}, {10, 15}};
    static constexpr ui::IdRange apart[] = {{1, 10}, {20, 30}, {11, 19}};
    static_assert(!ui::RangesDisjoint(overlapping));
    static_assert(ui::RangesDisjoint(apart));
    static constexpr int twice[] = {2001, 2002, 2001};
    static constexpr int outside[] = {2001, 1999};
    static constexpr int fine[] = {2001, 2002, 2299};
    static_assert(!ui::IdsValid(twice, ui::kOptionsIds));
    static_assert(!ui::IdsValid(outside, ui::kOptionsIds));
    static_assert(ui::IdsValid(fine, ui::kOptionsIds));
    SUCCEED(); // checked while compiling
}

// A small dialog: a name that must not be empty and a flag.
struct NameRequest {
    std::string Name;
    bool Flag = false;
};
struct NameResult {
    std::string Name;
    bool Flag = false;
};

constexpr int kNameEdit = 3001, kFlagBox = 3002;
const ui::ControlSpec kNameControls[] = {
    {"EDIT",
     kNameEdit,
     "",
     {10, 10, 190, 30},
     WS_VISIBLE | WS_TABSTOP | WS_BORDER,
     0,
     ui::akLeft | ui::akTop | ui::akRight},
    {"BUTTON", kFlagBox, "Flag", {10, 40, 190, 60}, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX},
    {"BUTTON",
     IDOK,
     "OK",
     {40, 70, 110, 95},
     WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
     0,
     ui::akRight | ui::akBottom},
    {"BUTTON",
     IDCANCEL,
     "Cancel",
     {120, 70, 190, 95},
     WS_VISIBLE | WS_TABSTOP,
     0,
     ui::akRight | ui::akBottom},
};

class NameDialog : public ui::Dialog<NameRequest, NameResult> {
public:
    const char* DialogName() const override { return "Name"; }
    ui::Edit NameEdit;
    ui::CheckBox FlagBox;
    int loads = 0;

protected:
    CreateParams GetCreateParams() override {
        CreateParams p;
        p.Caption = "Name";
        p.ClientWidth = 200;
        p.ClientHeight = 100;
        p.AcceleratorTable = 500;
        return p;
    }
    void OnCreate() override {
        CreateControls(kNameControls);
        NameEdit.Attach(Control(kNameEdit));
        FlagBox.Attach(Control(kFlagBox));
    }
    void Load(const NameRequest& r) override {
        ++loads;
        NameEdit.SetText(r.Name);
        FlagBox.SetChecked(r.Flag);
    }
    std::optional<NameResult> Collect() override {
        if (NameEdit.Text().empty()) {
            ui::ShowMessage("Please enter a name");
            return std::nullopt;
        }
        return NameResult{NameEdit.Text(), FlagBox.Checked()};
    }
};

class DialogTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    NameDialog dialog;

    // Plays the user: sees the refilled window, types, then presses a button.
    void User(const std::string& typed, int button) {
        dialogs.onModal = [this, typed, button](ui::Form& f) {
            f.Show();
            seen.push_back(dialog.NameEdit.Text());
            dialog.NameEdit.SetText(typed);
            SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            return f.GetModalResult();
        };
    }
    std::vector<std::string> seen;
};

TEST_F(DialogTest, OkHandsOutTheValuesAndCancelNothing) {
    User("typed", IDOK);
    std::optional<NameResult> r = dialog.Execute(nullptr, {"given", true});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Name, "typed");
    EXPECT_TRUE(r->Flag);
    EXPECT_FALSE(dialog.Visible());

    User("thrown away", IDCANCEL);
    EXPECT_FALSE(dialog.Execute(nullptr, {"second", false}));
    // Each showing started from its own request, not from what was typed before.
    EXPECT_EQ(seen, (std::vector<std::string>{"given", "second"}));
    EXPECT_EQ(dialog.loads, 2);
    ASSERT_EQ(dialogs.dialogsShown.size(), 2u);
    EXPECT_EQ(dialogs.dialogsShown[1].name, "Name");
    EXPECT_EQ(dialogs.RequestOf<NameRequest>(1).Name, "second");
}

TEST_F(DialogTest, InvalidInputKeepsTheDialogOpenWithAMessage) {
    User("", IDOK);
    EXPECT_FALSE(dialog.Execute(nullptr, {"given", false}));
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Please enter a name"});
    EXPECT_EQ(dialog.GetModalResult(), ui::mrNone);
    EXPECT_TRUE(dialog.Visible());
    SendMessageA(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(dialog.Visible());
}

TEST_F(DialogTest, ATestCanAnswerForTheDialogWithoutTheWindow) {
    dialogs.AnswerDialog<NameResult>("Name", NameResult{"scripted", true});
    dialogs.AnswerDialog<NameResult>("Name", std::nullopt);
    std::optional<NameResult> r = dialog.Execute(nullptr, {"asked", false});
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Name, "scripted");
    EXPECT_FALSE(dialog.Execute(nullptr, {"again", false}));
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(dialogs.modalCount, 0);
    EXPECT_EQ(dialogs.RequestOf<NameRequest>(0).Name, "asked");
}

TEST_F(DialogTest, EscapeAndTheCloseBoxEndTheRealModalLoopAsCancel) {
    dialogs.onModal = [](ui::Form& f) { return f.RunModal(); };
    dialog.Create();
    PostMessageA(dialog.NameEdit.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(dialog.Execute(nullptr, {"x", false}));
    PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(dialog.Execute(nullptr, {"x", false}));
    EXPECT_FALSE(dialog.Visible());
}

TEST_F(DialogTest, AnchoredControlsFollowTheWindowSize) {
    dialog.Create();
    RECT before;
    GetWindowRect(dialog.Handle(), &before);
    SetWindowPos(dialog.Handle(), nullptr, 0, 0, before.right - before.left + 50,
                 before.bottom - before.top + 30, SWP_NOMOVE | SWP_NOZORDER);
    auto clientRect = [&](int id) {
        RECT r;
        GetWindowRect(dialog.Control(id), &r);
        MapWindowPoints(nullptr, dialog.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    EXPECT_TRUE(SameRect(clientRect(kNameEdit), RECT{10, 10, 240, 30})); // stretched
    EXPECT_TRUE(SameRect(clientRect(kFlagBox), RECT{10, 40, 190, 60}));  // stayed
    EXPECT_TRUE(SameRect(clientRect(IDOK), RECT{90, 100, 160, 125}));    // moved
}

// A plain window that records its commands.
class Recorder : public ui::Form {
public:
    explicit Recorder(int accelerators) : accelerators_(accelerators) {}
    std::vector<int> commands;
    HWND Edit() const { return Control(kNameEdit); }

protected:
    CreateParams GetCreateParams() override {
        CreateParams p;
        p.AcceleratorTable = accelerators_;
        return p;
    }
    void OnCreate() override { CreateControls(std::span(kNameControls, 1)); }
    void OnCommand(int id, int, HWND) override { commands.push_back(id); }

private:
    int accelerators_;
};

TEST(Accelerators, BelongToTheWindowThatHasTheKeyboard) {
    Recorder with(500), without(0);
    with.Create();
    without.Create();
    with.Show();
    without.Show();
    PostMessageA(without.Edit(), WM_KEYDOWN, VK_F5, 0);
    PostMessageA(with.Edit(), WM_KEYDOWN, VK_F5, 0);
    ui::ProcessMessages();
    EXPECT_EQ(with.commands, std::vector<int>{501});
    EXPECT_TRUE(without.commands.empty());
    // A disabled window (another one is modal) takes no shortcuts.
    EnableWindow(with.Handle(), FALSE);
    PostMessageA(with.Edit(), WM_KEYDOWN, VK_F5, 0);
    ui::ProcessMessages();
    EXPECT_EQ(with.commands.size(), 1u);
}

TEST(Controls, TypedWrappersDriveRealControls) {
    Recorder host(0);
    host.Create();
    const ui::ControlSpec controls[] = {
        {"LISTBOX", 3010, "", {0, 0, 100, 100}, WS_VISIBLE | LBS_SORT},
        {WC_TABCONTROLA, 3011, "", {0, 100, 200, 200}, WS_VISIBLE},
        {WC_TREEVIEWA, 3012, "", {100, 0, 200, 100}, WS_VISIBLE},
    };
    ui::ControlLayout layout;
    layout.Create(host.Handle(), nullptr, controls);
    ui::ListBox list;
    list.Attach(layout.Find(3010));
    list.Add("b.txt");
    list.Add("A.txt");
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Item(0), "A.txt");
    EXPECT_EQ(list.IndexOf("B.TXT"), 1);
    EXPECT_EQ(list.IndexOf("c.txt"), -1);
    list.Delete(0);
    EXPECT_EQ(list.Item(0), "b.txt");

    ui::TabControl tabs;
    tabs.Attach(layout.Find(3011));
    tabs.AddTab("General");
    tabs.AddTab("Browsers");
    tabs.Select(1);
    EXPECT_EQ(tabs.Count(), 2);
    EXPECT_EQ(tabs.Selected(), 1);

    ui::TreeView tree;
    tree.Attach(layout.Find(3012));
    HTREEITEM root = tree.Insert(nullptr, "c:", 0, 0, true, 7);
    HTREEITEM child = tree.Insert(root, "windows");
    tree.Select(child);
    EXPECT_EQ(tree.Selected(), child);
    EXPECT_EQ(tree.ItemText(tree.Next(child, TVGN_PARENT)), "c:");
    EXPECT_EQ(tree.ItemData(root), 7);
}

TEST(Controls, OwnerDataListTakesItsCountWithScrollBarsAndStaysVisible) {
    Recorder host(0);
    host.Create();
    ShowWindow(host.Handle(), SW_SHOW);
    const ui::ControlSpec controls[] = {
        {WC_LISTVIEWA, 3020, "", {0, 0, 200, 120}, WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA},
    };
    ui::ControlLayout layout;
    layout.Create(host.Handle(), nullptr, controls);
    ui::ListView list;
    list.Attach(layout.Find(3020));
    list.InsertColumn(0, "File", 150, LVCFMT_LEFT);
    list.PrepareRowMetrics();
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_TRUE(IsWindowVisible(list.Handle()));
    for (const int count : {500, 3, 0, 1000}) {
        list.SetItemCount(count);
        EXPECT_EQ(list.ItemCount(), count);
        // Still drawn, and its scroll bar already knows the new count.
        EXPECT_TRUE(IsWindowVisible(list.Handle())) << count;
        SCROLLINFO bar{};
        bar.cbSize = sizeof bar;
        bar.fMask = SIF_RANGE | SIF_PAGE;
        const bool scrolls = GetScrollInfo(list.Handle(), SB_VERT, &bar) &&
                             bar.nMax - bar.nMin + 1 > static_cast<int>(bar.nPage);
        EXPECT_EQ(scrolls, count >= 500) << count;
        if (count >= 500) {
            EXPECT_EQ(bar.nMax, count - 1);
        }
    }
    list.PrepareRowMetrics(); // a list with rows is left as it is
    EXPECT_EQ(list.ItemCount(), 1000);
    ShowWindow(list.Handle(), SW_HIDE); // and a hidden one stays hidden
    list.SetItemCount(20);
    EXPECT_EQ(list.ItemCount(), 20);
    EXPECT_FALSE(GetWindowLongW(list.Handle(), GWL_STYLE) & WS_VISIBLE);
}

TEST(FileDialog, ASingleChoiceIsOnePathSeveralAreAFolderAndNames) {
    using Texts = std::vector<std::string>;
    struct Case {
        std::string buffer; // as the dialog leaves it, NULs included
        size_t fileOffset;  // where the dialog says the first name starts
        Texts paths;
    } cases[] = {
        {std::string("C:\\a b\\one.txt\0\0", 16), 7, Texts{"C:\\a b\\one.txt"}},
        {std::string("C:\\dir\0one.txt\0Two.DOC\0\0", 24), 7,
         Texts{"C:\\dir\\one.txt", "C:\\dir\\Two.DOC"}},
        {std::string("C:\\\0x\0y\0\0", 9), 4, Texts{"C:\\x", "C:\\y"}}, // a drive root
        {std::string("\0\0", 2), 0, Texts{}},
        // A shorter name written over a longer one: the old tail behind the NUL is no name.
        {std::string("C:\\data\\large.zip\0.zip\0", 23), 8, Texts{"C:\\data\\large.zip"}},
        {std::string("C:\\data\\large.zip\0l.zip\0\0", 25), 8, Texts{"C:\\data\\large.zip"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::SplitDialogFiles(c.buffer.data(), c.fileOffset), c.paths) << c.buffer;
}

} // namespace

namespace {

// Plays the user at the real open dialog: waits for it, types a name and presses Open.
void TypeIntoOpenDialog(const std::string& title, const std::string& name) {
    for (int i = 0; i < 400; ++i) {
        if (HWND dialog = FindWindowA("#32770", title.c_str())) {
            // The name box is a combo box or an edit, depending on the dialog's generation.
            SetDlgItemTextA(dialog, cmb13, name.c_str());
            SetDlgItemTextA(dialog, edt1, name.c_str());
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return;
        }
        Sleep(25);
    }
}

TEST(FileDialog, AShortNameAfterALongOneComesBackAlone) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "kvdlg" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string longName = folder + "\\good-small.zip", shortName = folder + "\\large.zip";
    for (const std::string& f : {longName, shortName}) {
        HANDLE h = CreateFileA(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    }
    // One request kept between showings, as the main window keeps its open dialog.
    ui::FileDialogRequest request;
    request.Title = "Open Existing ZIP File";
    request.Filter = "Zip file (*.zip)|*.zip";
    request.Options = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    for (const std::string& chosen : {longName, shortName}) {
        std::thread user(TypeIntoOpenDialog, request.Title, chosen);
        const bool ok = ui::Dialogs().OpenFile(nullptr, request);
        user.join();
        ASSERT_TRUE(ok);
        EXPECT_EQ(request.FileName, chosen);
        EXPECT_EQ(request.FileNames, std::vector<std::string>{chosen});
    }
    DeleteFileA(longName.c_str());
    DeleteFileA(shortName.c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace
