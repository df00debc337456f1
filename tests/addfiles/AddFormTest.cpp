// The add-files dialog with its real windows over a folder the test builds, and the main
// window's Add command taking its result to the real compression engine.
#include "addfiles/AddFilesIds.h"
#include "addfiles/AddFilesToZip.h"
#include "mainwindow/Main.h"
#include "mainwindow/MainIds.h"
#include "tests/addfiles/CaseText.h"
#include "tests/addfiles/ShellDrop.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/mainwindow/MainFormFixture.h"
#include "tests/support/WaitFor.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

using namespace testing_support;

namespace {

using Texts = std::vector<std::string>;

class AddFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        WriteFileBytes(src.File("ReadMe.TXT"), "read me first\r\n");
        WriteFileBytes(src.File("data.bin"), std::string(12345, 'x'));
        WriteFileBytes(src.File("hidden.dat"), "h");
        SetFileAttributesA(src.File("hidden.dat").c_str(), FILE_ATTRIBUTE_HIDDEN);
        WriteFileBytes(src.File("system.sys"), "sy");
        SetFileAttributesA(src.File("system.sys").c_str(), FILE_ATTRIBUTE_SYSTEM);
        CreateDirectoryA(src.File("sub").c_str(), nullptr);
        WriteFileBytes(src.File("sub\\inner.txt"), "inner");
        dir = OnDisk(src.Path());
        form.Create(nullptr);
        form.DirTree1().OpenPath(src.Path());
    }
    // Shows the dialog as the user would and does what the user does; the last action
    // closes it (IDOK or IDCANCEL).
    std::optional<AddFilesResult> Run(std::function<void()> user, int closeWith) {
        AddFilesRequest request;
        request.ArchiveName = "C:\\Some Where\\My Files.ZIP";
        return Run(request, user, closeWith);
    }
    std::optional<AddFilesResult> Run(const AddFilesRequest& request, std::function<void()> user,
                                      int closeWith) {
        dialogs.onModal = [&, user, closeWith](ui::Form& f) {
            f.Show();
            if (user) user();
            SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(closeWith, BN_CLICKED), 0);
            return f.GetModalResult();
        };
        return form.Execute(nullptr, request);
    }
    void Click(int id) {
        SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(form.Control(id)));
    }
    void SelectLeft(const Texts& captions) {
        ui::ListView& l = form.AddListView1();
        for (int i = 0; i < l.ItemCount(); ++i)
            l.SelectRow(i, std::find(captions.begin(), captions.end(), l.ItemText(i, 0)) !=
                               captions.end());
    }
    Texts Column(ui::ListView& list, int sub) {
        Texts t;
        for (int i = 0; i < list.ItemCount(); ++i)
            t.push_back(list.ItemText(i, sub));
        return t;
    }
    Texts Patterns() {
        Texts t;
        for (int i = 0; i < form.ListBox1().Count(); ++i)
            t.push_back(form.ListBox1().Item(i));
        return t;
    }
    // Row i of the right list belongs to entry i of ListBox1.
    void ExpectPaired() {
        Texts patterns = Patterns();
        Texts rows = Column(form.AddListView2(), 0);
        ASSERT_EQ(patterns.size(), rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            const std::string size = form.AddListView2().ItemText(static_cast<int>(i), 1);
            if (size == "<DIR>")
                EXPECT_EQ(patterns[i], rows[i] + "*.*");
            else if (size == "???")
                EXPECT_EQ(patterns[i], rows[i]);
            else
                EXPECT_EQ(patterns[i], rows[i]);
        }
    }
    void Drop(const Texts& names) { PostDrop(form.AddListView2().Handle(), names); }
    void Notify(HWND from, UINT code) {
        NMHDR h{from, static_cast<UINT_PTR>(GetDlgCtrlID(from)), code};
        SendMessageA(form.Handle(), WM_NOTIFY, h.idFrom, reinterpret_cast<LPARAM>(&h));
    }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder src;
    std::string dir;
    kelvora::SharedState state;
    TAddform form{state.AddDialogCancelled};
};

TEST_F(AddFormTest, ShowingNamesTheArchiveAndListsTheFolderFilesHiddenAndSystemIncluded) {
    Run(
        [&] {
            EXPECT_EQ(form.Caption(), "Adding files to zip - My Files.ZIP");
            // Names as the file system spells them.
            EXPECT_EQ(form.PathLabel2().Text(), "My Files.ZIP");
            EXPECT_EQ(form.PathLabel1().Text(), dir);
            EXPECT_TRUE(form.LeftHeaderActive());
            Texts names = Column(form.AddListView1(), 0);
            Texts sizes = Column(form.AddListView1(), 1);
            Texts rows;
            for (size_t i = 0; i < names.size(); ++i)
                rows.push_back(names[i] + " " + sizes[i]);
            std::sort(rows.begin(), rows.end());
            EXPECT_EQ(rows,
                      (Texts{"ReadMe.TXT 15", "data.bin 12345", "hidden.dat 1", "system.sys 2"}));
            EXPECT_EQ(form.AddListView2().ItemCount(), 0);
        },
        IDCANCEL);
}

TEST_F(AddFormTest, AddSelectedPairsEachRowWithItsPathPatternAndRefusesDuplicates) {
    auto r = Run(
        [&] {
            SelectLeft({"ReadMe.TXT", "data.bin"});
            Click(IDC_ADDFILESBTN);
            EXPECT_TRUE(state.AddDialogCancelled) << "only OK afterwards adds";
            EXPECT_EQ(form.AddListView1().SelectedCount(), 0);
            SelectLeft({"ReadMe.TXT"});
            Click(IDC_ADDFILESBTN);
            Drop({Upper(src.File("ReadMe.TXT")), src.File("new.txt")});
            form.AddListView2DragDrop(form.AddListView1().Handle()); // readme again, by drag
        },
        IDOK);
    ASSERT_TRUE(r);
    EXPECT_FALSE(state.AddDialogCancelled);
    EXPECT_EQ(Patterns(), r->FSpecArgs);
    ExpectPaired();
    Texts patterns = r->FSpecArgs;
    std::sort(patterns.begin(), patterns.end());
    Texts expected{dir + "data.bin", dir + "ReadMe.TXT", src.File("new.txt")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(patterns, expected);
    const int dropped =
        static_cast<int>(std::find(r->FSpecArgs.begin(), r->FSpecArgs.end(), src.File("new.txt")) -
                         r->FSpecArgs.begin());
    EXPECT_EQ(dropped, 2) << "rows keep the order they came in";
    EXPECT_EQ(form.AddListView2().ItemText(dropped, 0), src.File("new.txt")) << "as delivered";
    EXPECT_EQ(form.AddListView2().ItemText(dropped, 1), "???");
    for (int i = 0; i < 2; ++i) {
        const std::string row = form.AddListView2().ItemText(i, 0);
        EXPECT_EQ(form.AddListView2().ItemText(i, 1),
                  row == dir + "ReadMe.TXT" ? "15" : "12345")
            << "sizes come from the left list";
    }
}

TEST_F(AddFormTest, DoubleClickingAFileAddsIt) {
    Run(
        [&] {
            ui::ListView& left = form.AddListView1();
            int row = -1;
            for (int i = 0; i < left.ItemCount(); ++i)
                if (left.ItemText(i, 0) == "data.bin") row = i;
            ASSERT_GE(row, 0);
            RECT r{LVIR_LABEL, 0, 0, 0};
            SendMessageA(left.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
            const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
            // The first click of the pair selects the row, the second arrives as a double click.
            left.SelectRow(row, true);
            SendMessageA(left.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            SendMessageA(left.Handle(), WM_LBUTTONUP, 0, at);
            EXPECT_EQ(Patterns(), Texts{dir + "data.bin"});
            ExpectPaired();
            // Below the last row there is no file to add.
            SendMessageA(left.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 2000));
            EXPECT_EQ(form.ListBox1().Count(), 1);
        },
        IDCANCEL);
}

TEST_F(AddFormTest, CannotBeMadeSmallerThanItsDesign) {
    form.Show();
    SetWindowPos(form.Handle(), nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 632);
    EXPECT_EQ(client.bottom, 453);
    form.Hide();
}

TEST_F(AddFormTest, EveryButtonIsReachedWithTab) {
    Run(
        [&] {
            ASSERT_TRUE(FocusAndWait(form.DirTree1().Handle()));
            std::vector<int> order{GetDlgCtrlID(GetFocus())};
            for (int i = 0; i < 12; ++i) {
                PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
                ui::ProcessMessages();
                order.push_back(GetDlgCtrlID(GetFocus()));
            }
            EXPECT_EQ(order, (std::vector<int>{IDC_DIRTREE1, IDC_ADDLISTVIEW1, IDC_ADDFILESBTN,
                                               IDC_ADDDIRBTN, IDC_RECURSECB, IDC_DIRNAMECB,
                                               IDC_ENCRYPTCB, IDC_ADDLISTVIEW2, IDC_REMOVEITEMBTN,
                                               IDC_REMOVEALLBUT, IDOK, IDCANCEL, IDC_DIRTREE1}));
        },
        IDCANCEL);
}

TEST_F(AddFormTest, ButtonsArePressedWithSpaceEnterAndTheirLetters) {
    struct Case {
        const char* name;
        int focus;    // the control with the keyboard
        UINT message; // WM_KEYDOWN, or WM_SYSCHAR for Alt and a letter
        WPARAM key;
        Texts patterns; // ListBox1 afterwards, the left list's readme.txt selected before
        int result;     // the dialog's modal result afterwards
    };
    const std::string readme = dir + "ReadMe.TXT";
    const std::string folder = dir + "*.*";
    const Case cases[] = {
        {"space on Add Selected", IDC_ADDFILESBTN, WM_KEYDOWN, VK_SPACE, {readme}, ui::mrNone},
        {"enter on Add Selected", IDC_ADDFILESBTN, WM_KEYDOWN, VK_RETURN, {readme}, ui::mrNone},
        {"enter on Add Folder", IDC_ADDDIRBTN, WM_KEYDOWN, VK_RETURN, {folder}, ui::mrNone},
        {"alt+a in the left list", IDC_ADDLISTVIEW1, WM_SYSCHAR, 'a', {readme}, ui::mrNone},
        {"alt+f in the tree", IDC_DIRTREE1, WM_SYSCHAR, 'f', {folder}, ui::mrNone},
        {"alt+l after adding", IDC_ADDLISTVIEW2, WM_SYSCHAR, 'l', {}, ui::mrNone},
        {"enter on Cancel", IDCANCEL, WM_KEYDOWN, VK_RETURN, {}, ui::mrCancel},
        {"enter in the left list", IDC_ADDLISTVIEW1, WM_KEYDOWN, VK_RETURN, {}, ui::mrOk},
    };
    for (const Case& c : cases) {
        Run(
            [&] {
                if (c.key == 'l') Click(IDC_ADDDIRBTN); // something to remove
                SelectLeft({"ReadMe.TXT"});
                const HWND target = form.Control(c.focus) ? form.Control(c.focus)
                                                          : GetDlgItem(form.Handle(), c.focus);
                ASSERT_TRUE(FocusAndWait(target)) << c.name;
                PostMessageA(target, c.message, c.key, c.message == WM_SYSCHAR ? 1 << 29 : 0);
                ui::ProcessMessages();
                EXPECT_EQ(Patterns(), c.patterns) << c.name;
                EXPECT_EQ(form.GetModalResult(), c.result) << c.name;
            },
            IDCANCEL);
    }
    // Alt and a box's letter switches the box.
    Run(
        [&] {
            const bool before = form.RecurseCB().Checked();
            ASSERT_TRUE(FocusAndWait(form.AddListView1().Handle()));
            PostMessageA(GetFocus(), WM_SYSCHAR, 's', 1 << 29);
            ui::ProcessMessages();
            EXPECT_NE(form.RecurseCB().Checked(), before);
        },
        IDCANCEL);
}

TEST_F(AddFormTest, AddFolderRefusesADriveRootAndTakesAFolderWithAllItsFiles) {
    auto r = Run(
        [&] {
            form.DirTree1().OpenPath("C:\\");
            Click(IDC_ADDDIRBTN);
            EXPECT_EQ(form.ListBox1().Count(), 0);
            EXPECT_TRUE(state.AddDialogCancelled);
            form.DirTree1().OpenPath(src.File("sub"));
            Click(IDC_ADDDIRBTN);
            Click(IDC_ADDDIRBTN);
            form.DirTree1().OpenPath(Lower(src.File("SUB")));
            Click(IDC_ADDDIRBTN);
        },
        IDOK);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->FSpecArgs, Texts{dir + "sub\\*.*"});
    EXPECT_EQ(Column(form.AddListView2(), 0), Texts{dir + "sub\\"});
    EXPECT_EQ(Column(form.AddListView2(), 1), Texts{"<DIR>"});
}

TEST_F(AddFormTest, DropsTakeFilesFoldersAndLongNamesAsDelivered) {
    const std::string longName =
        "C:\\" + std::string(250, 'd') + "\\" + std::string(40, 'f') + ".txt";
    auto r = Run(
        [&] {
            Drop({src.File("data.bin"), src.File("sub"), longName});
            Drop({Upper(src.File("SUB")), src.File("data.bin")});
            EXPECT_FALSE(state.AddDialogCancelled) << "drops leave the flag alone";
        },
        IDOK);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->FSpecArgs, (Texts{src.File("data.bin"), src.File("sub"), longName}));
    EXPECT_EQ(Column(form.AddListView2(), 1), (Texts{"???", "???", "???"}));
    ExpectPaired();
}

TEST_F(AddFormTest, RemoveSelectedTakesExactlyThoseRowsAndKeepsThePairs) {
    Run(
        [&] {
            Drop({"C:\\r1", "C:\\r2", "C:\\r3", "C:\\r4", "C:\\r5"});
            SelectLeft({"ReadMe.TXT", "system.sys"});
            Click(IDC_ADDFILESBTN);
            for (int i : {0, 2, 3, 6})
                form.AddListView2().SelectRow(i, true);
            Click(IDC_REMOVEITEMBTN);
            EXPECT_EQ(Patterns().size(), 3u);
            EXPECT_EQ(Patterns()[0], "C:\\r2");
            EXPECT_EQ(Patterns()[1], "C:\\r5");
            ExpectPaired();
            Click(IDC_REMOVEALLBUT);
            EXPECT_EQ(form.ListBox1().Count(), 0);
            EXPECT_EQ(form.AddListView2().ItemCount(), 0);
        },
        IDCANCEL);
}

TEST_F(AddFormTest, DraggingFromTheLeftListAddsTheSelectionAndKeepsIt) {
    Run(
        [&] {
            EXPECT_FALSE(form.AddListView2DragOver(form.AddListView2().Handle()));
            EXPECT_FALSE(form.AddListView2DragOver(form.DirTree1().Handle()));
            EXPECT_TRUE(form.AddListView2DragOver(form.AddListView1().Handle()));
            SelectLeft({"data.bin"});
            form.AddListView2DragDrop(form.DirTree1().Handle());
            EXPECT_EQ(form.ListBox1().Count(), 0) << "only the left list is a source";
            form.AddListView2DragDrop(form.AddListView1().Handle());
            EXPECT_EQ(Patterns(), Texts{dir + "data.bin"});
            EXPECT_EQ(form.AddListView1().SelectedCount(), 1);
            EXPECT_FALSE(state.AddDialogCancelled);
        },
        IDCANCEL);
}

TEST_F(AddFormTest, CancelAddsNothingAndTheNextShowingStartsEmpty) {
    auto r = Run(
        [&] {
            SelectLeft({"ReadMe.TXT"});
            Click(IDC_ADDFILESBTN);
        },
        IDCANCEL);
    EXPECT_FALSE(r);
    EXPECT_TRUE(state.AddDialogCancelled);
    state.AddDialogCancelled = false;
    r = Run(
        [&] {
            EXPECT_EQ(form.ListBox1().Count(), 0);
            EXPECT_EQ(form.AddListView2().ItemCount(), 0);
            EXPECT_EQ(form.AddListView1().ItemCount(), 4) << "refilled";
        },
        IDOK);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->FSpecArgs.empty());
}

TEST_F(AddFormTest, OneHeaderAtATimeIsActive) {
    Run(
        [&] {
            Notify(form.AddListView2().Handle(), NM_CLICK);
            EXPECT_FALSE(form.LeftHeaderActive());
            Notify(form.AddListView1().Handle(), NM_CLICK);
            EXPECT_TRUE(form.LeftHeaderActive());
            Notify(form.AddListView2().Handle(), NM_CLICK);
        },
        IDCANCEL);
    Run([&] { EXPECT_TRUE(form.LeftHeaderActive()) << "the left one at every showing"; }, IDCANCEL);
}

TEST_F(AddFormTest, TheBoxesGiveExactlyTheirAddOptionsAndKeepTheirStateBetweenShowings) {
    const struct {
        bool recurse, dirnames, encrypt;
        AddOpts want;
    } cases[] = {
        {false, false, false, {}},
        {true, false, false, {AddRecurseDirs}},
        {false, true, false, {AddDirNames}},
        {false, false, true, {AddEncrypt}},
        {true, true, true, {AddRecurseDirs, AddDirNames, AddEncrypt}},
    };
    for (const auto& c : cases) {
        auto r = Run(
            [&] {
                form.RecurseCB().SetChecked(c.recurse);
                form.DirnameCB().SetChecked(c.dirnames);
                form.EncryptCB().SetChecked(c.encrypt);
            },
            IDOK);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->AddOptions, c.want);
        Run(
            [&] {
                EXPECT_EQ(form.RecurseCB().Checked(), c.recurse);
                EXPECT_EQ(form.EncryptCB().Checked(), c.encrypt);
            },
            IDCANCEL);
    }
}

TEST_F(AddFormTest, TheMainWindowsLookReachesBothListsAndTheTree) {
    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    AddFilesRequest request;
    request.ArchiveName = "C:\\a.zip";
    request.Look = ListLook{font, RGB(1, 2, 3), LVS_SMALLICON};
    Run(
        request,
        [&] {
            for (ui::ListView* list : {&form.AddListView1(), &form.AddListView2()}) {
                EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(list->Handle(), WM_GETFONT, 0, 0)),
                          font);
                EXPECT_EQ(SendMessageA(list->Handle(), LVM_GETBKCOLOR, 0, 0), RGB(1, 2, 3));
                EXPECT_EQ(list->Style(), static_cast<DWORD>(LVS_SMALLICON));
            }
            EXPECT_EQ(
                reinterpret_cast<HFONT>(SendMessageA(form.DirTree1().Handle(), WM_GETFONT, 0, 0)),
                font);
        },
        IDCANCEL);
}

TEST_F(AddFormTest, TheRequestSaysWhetherItShowsMaximized) {
    for (bool maximized : {false, true}) {
        AddFilesRequest request;
        request.ArchiveName = "C:\\a.zip";
        request.Maximized = maximized;
        Run(
            request, [&] { EXPECT_EQ(IsZoomed(form.Handle()) != FALSE, maximized); }, IDCANCEL);
    }
}

// The Add command of the main window with the real dialog and the real engine.
class AddCommandTest : public AddFormTest {
protected:
    void SetUp() override {
        AddFormTest::SetUp();
        ui::App().MainForm = &main;
        main.UseWindows({.AddFiles = &form});
        main.Create();
        main.Show();
        dialogs.Clear();
        ZipBuilder z;
        LocalMember old;
        old.name = "old.txt";
        old.data = "old";
        z.Archive({old});
        archive = out.File("target.zip");
        z.WriteTo(archive);
        main.OpenArchive(archive);
    }
    void TearDown() override { ui::App().MainForm = nullptr; }
    Texts Members() {
        Texts t;
        for (int i = 0; i < main.ZipKeeper1().Count(); ++i)
            t.push_back(main.ZipKeeper1().Entry(i).FileName);
        std::sort(t.begin(), t.end());
        return t;
    }
    void UserRun(std::function<void()> user, int closeWith) {
        dialogs.onModal = [&, user, closeWith](ui::Form& f) {
            f.Show();
            EXPECT_TRUE(IsZoomed(f.Handle())) << "shown maximized";
            user();
            SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(closeWith, BN_CLICKED), 0);
            return f.GetModalResult();
        };
        ASSERT_TRUE(main.RunCommand(IDM_ADDTOZIP));
    }

    TempFolder out;
    std::string archive;
    TMainForm main{state, TestStartup(out)};
};

TEST_F(AddCommandTest, OkAddsTheChosenFilesThroughTheEngineAndTheListShowsThem) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string engine = exe;
    engine = engine.substr(0, engine.find_last_of('\\') + 1) + "KZIPENG.DLL";
    if (GetFileAttributesA(engine.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "KZIPENG.DLL is not built";
    UserRun(
        [&] {
            form.DirTree1().OpenPath(src.Path());
            SelectLeft({"ReadMe.TXT", "data.bin"});
            Click(IDC_ADDFILESBTN);
            form.DirTree1().OpenPath(src.File("sub"));
            Click(IDC_ADDDIRBTN);
        },
        IDOK);
    EXPECT_EQ(state.CurrentArchiveName, archive);
    EXPECT_EQ(Members(), (Texts{"ReadMe.TXT", "data.bin", "inner.txt", "old.txt"}));
    EXPECT_EQ(main.ListView1().ItemCount(), 4);
    EXPECT_EQ(dialogs.Texts(), Texts{"3 files were successfully added!"});
}

TEST_F(AddCommandTest, NamesAreStoredAsTheFileSystemSpellsThemWithTheirFolders) {
    const std::string folder = src.File("Src");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string lodz = "\xC5\x81\xC3\xB3" "d\xC5\xBA.txt";             // Łódź.txt
    const std::string papka = "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0.txt"; // Папка.txt
    WriteFileBytes(folder + "\\" + lodz, "l");
    WriteFileBytes(folder + "\\" + papka, "p");
    CreateDirectoryA((folder + "\\Sub").c_str(), nullptr);
    CreateDirectoryA((folder + "\\Sub\\deeper").c_str(), nullptr);
    WriteFileBytes(folder + "\\Sub\\deeper\\Data.csv", "d");
    UserRun(
        [&] {
            form.DirTree1().Reload(); // the folders were made after the tree read its own
            form.DirTree1().OpenPath(folder);
            SelectLeft({lodz, papka});
            Click(IDC_ADDFILESBTN);
            form.DirTree1().OpenPath(folder + "\\Sub");
            Click(IDC_ADDDIRBTN);
            for (int box : {IDC_DIRNAMECB, IDC_RECURSECB})
                SendMessageA(form.Control(box), BM_SETCHECK, BST_CHECKED, 0);
            EXPECT_EQ(Column(form.AddListView2(), 0),
                      (Texts{OnDisk(folder) + "\\" + lodz, OnDisk(folder) + "\\" + papka,
                             OnDisk(folder) + "\\Sub\\"}))
                << "shown as spelled";
        },
        IDOK);
    Texts tails;
    for (const std::string& m : Members()) {
        const size_t at = m.find("/Src/");
        if (at != std::string::npos && m.back() != '/') tails.push_back(m.substr(at));
    }
    std::sort(tails.begin(), tails.end());
    EXPECT_EQ(tails, (Texts{"/Src/Sub/deeper/Data.csv", "/Src/" + lodz, "/Src/" + papka}));
    // Folder entries the engine writes on the way are not counted as files.
    EXPECT_EQ(dialogs.Texts(), Texts{"3 files were successfully added!"});
}

TEST_F(AddCommandTest, TreeAndListShareTheMaximizedPaneAndAPlacedBarIsKept) {
    const auto heights = [&] {
        RECT tree, list;
        GetWindowRect(form.DirTree1().Handle(), &tree);
        GetWindowRect(form.AddListView1().Handle(), &list);
        return std::pair<int, int>{tree.bottom - tree.top, list.bottom - list.top};
    };
    std::pair<int, int> first, second;
    int dragged = 0;
    UserRun(
        [&] {
            first = heights();
            // The user drags the bar under the tree 100 pixels down.
            RECT bar;
            const HWND hbar = GetDlgItem(form.Handle(), IDC_HSPLITTER);
            GetWindowRect(hbar, &bar);
            POINT top{bar.left, bar.top};
            ScreenToClient(form.Handle(), &top);
            SendMessageA(hbar, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            POINT to{0, top.y + 100};
            MapWindowPoints(form.Handle(), hbar, &to, 1);
            SendMessageA(hbar, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(to.x, to.y));
            SendMessageA(hbar, WM_LBUTTONUP, 0, MAKELPARAM(to.x, to.y));
            dragged = form.TreeHeight();
        },
        IDCANCEL);
    // About half each: neither is under two fifths of the two.
    EXPECT_GE(first.first * 5, (first.first + first.second) * 2) << first.first;
    EXPECT_GE(first.second * 5, (first.first + first.second) * 2) << first.second;
    EXPECT_GT(first.first, 300) << "more than four rows";
    ASSERT_GT(dragged, 0);
    // Kept for the next showing, and in the settings file for the next start.
    UserRun([&] { second = heights(); }, IDCANCEL);
    EXPECT_EQ(second.first, first.first + 100);
    const std::string ini = ReadFileBytes(out.File("kelvora.ini"));
    EXPECT_NE(ini.find("AddFilesTree=" + std::to_string(dragged)), std::string::npos) << ini;
}

TEST_F(AddCommandTest, CancelOrNothingChosenLeavesTheArchiveAlone) {
    UserRun(
        [&] {
            SelectLeft({"ReadMe.TXT"});
            Click(IDC_ADDFILESBTN);
        },
        IDCANCEL);
    UserRun([] {}, IDOK);
    EXPECT_EQ(dialogs.Texts(), Texts{"There are no files selected"});
    EXPECT_EQ(Members(), Texts{"old.txt"});
}

} // namespace
