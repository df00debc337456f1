// The main window with real controls: opening archives, the member list, sorting by
// header clicks, the two window states and the progress bar.
#include "engine/UnzEng.h"
#include "base/Handle.h"
#include "tests/mainwindow/MainFormFixture.h"

#include <commctrl.h>
#include <cstring>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST_F(MainFormTest, StartsInTheNoArchiveLookWithDesignTexts) {
    EXPECT_EQ(form.Caption(), "Kelvora 98");
    EXPECT_EQ(form.StatusBar1().PanelText(0), "Filname:");
    EXPECT_EQ(form.StatusBar1().PanelText(1), "Files in zip: <none>");
    EXPECT_EQ(form.StatusBar1().PanelText(2), "Total Uncompressed Size:");
    ExpectCommandsFor(false);
    EXPECT_EQ(form.Button(TMainForm::SpeedButton4).Glyph(), form.GlyphImage(7));
    EXPECT_EQ(form.Button(TMainForm::AddZipBut).Glyph(), form.GlyphImage(9));
    EXPECT_EQ(form.ListView1().ItemCount(), 0);
}

TEST_F(MainFormTest, StartUpLoadsTheDecompressionEngineOrSaysItIsMissing) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dll = std::string(exe, std::strrchr(exe, '\\') + 1) + "KUNZENG.DLL";
    if (GetFileAttributesA(dll.c_str()) != INVALID_FILE_ATTRIBUTES) {
        EXPECT_TRUE(UnzEngLoaded());
        EXPECT_TRUE(startupTexts.empty());
    } else {
        EXPECT_FALSE(UnzEngLoaded());
        EXPECT_EQ(startupTexts, std::vector<std::string>{"KUNZENG.DLL not found"});
    }
}

TEST_F(MainFormTest, OpeningAnArchiveFillsTheSortedFormattedList) {
    std::string path =
        MakeArchive({M("src/zeta.txt", 300, 1000), M("Alpha.TXT", 1200, 1000),
                     M("src/docs/b.bin", 0, 0), M("src/", 0, 0), M("big.iso", 5, 3000000000u, 0)});
    form.OpenArchive(path);

    // Sorted by full name ignoring case; the folder entry is not listed.
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Alpha.TXT", "big.iso", "b.bin", "zeta.txt"}));
    EXPECT_EQ(Column(5), (std::vector<std::string>{"", "", "src/docs/", "src/"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{"1 000", "3 000 000 000", "0", "1 000"}));
    EXPECT_EQ(Column(3), (std::vector<std::string>{"-20%", "100%", "0%", "70%"}));
    EXPECT_EQ(Column(4), (std::vector<std::string>{"1 200", "5", "0", "300"}));
    auto dates = Column(2);
    EXPECT_TRUE(dates[1].empty()); // DOS value 0 is not a date
    EXPECT_NE(dates[0].find("2025"), std::string::npos) << dates[0];
    EXPECT_NE(dates[0].find("  "), std::string::npos);

    EXPECT_EQ(NamePanelTip(form), "Filename: " + path);
    EXPECT_EQ(form.StatusBar1().PanelText(1), "Files in Zip: 5");
    EXPECT_EQ(form.StatusBar1().PanelText(2), "Total Uncompressed Size: 3 000 002 000 bytes");
    EXPECT_EQ(form.Caption(), "Kelvora 98 - test.zip");
    EXPECT_EQ(state.CurrentArchiveName, path);
    ExpectCommandsFor(true);
    EXPECT_EQ(form.Button(TMainForm::SpeedButton2).Glyph(), form.GlyphImage(5));
    EXPECT_EQ(form.Button(TMainForm::SpeedButton6).Glyph(), form.GlyphImage(4));
    EXPECT_TRUE(form.ListView1().IsSelected(0));
    EXPECT_TRUE(form.ListView1().IsFocused(0));
    EXPECT_EQ(form.RowEntryName(2), "src/docs/b.bin");
    EXPECT_EQ(form.CurrentSortName(), "Name");
    EXPECT_TRUE(dialogs.shown.empty());

    // Totals reach the file info values, summed past 32 bits.
    EXPECT_EQ(form.TotalUncompressed(), 3000002000u);
    EXPECT_EQ(form.FileInfo().EntryCount, "5");
    EXPECT_EQ(form.FileInfo().UncompressedSize, "3 000 002 000 bytes");
    EXPECT_EQ(form.FileInfo().CompressedSize, "1 505 bytes");
    EXPECT_EQ(form.FileInfo().Ratio, "100%");
}

TEST_F(MainFormTest, HeaderClicksSortAndReverse) {
    form.OpenArchive(MakeArchive(
        {M("a", 10, 300, 0x5A8C6000), M("b", 90, 100, 0x4A8C6000), M("c", 50, 200, 0x6A8C6000)}));
    ClickHeader(0); // already by name: reverses
    EXPECT_EQ(Column(0), (std::vector<std::string>{"c", "b", "a"}));
    ClickHeader(0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "b", "c"}));
    ClickHeader(1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(form.CurrentSortName(), "Size");
    ClickHeader(1);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "c", "b"}));
    ClickHeader(2);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"b", "a", "c"}));
    ClickHeader(3); // ratios: a 97 %, b 10 %, c 75 %
    EXPECT_EQ(Column(0), (std::vector<std::string>{"b", "c", "a"}));
    ClickHeader(4);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_EQ(form.CurrentSortName(), "UncopressedSize");
    ClickHeader(5); // Path: nothing
    EXPECT_EQ(Column(0), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_TRUE(form.ListView1().IsSelected(0));
}

TEST_F(MainFormTest, SortingByDateFollowsTheCalendarFrom1980To2107) {
    // DOS dates: the year since 1980 in the top seven bits, then month and day; noon.
    const auto dos = [](unsigned year, unsigned month, unsigned day) {
        return static_cast<std::uint32_t>(((year - 1980) << 25) | (month << 21) | (day << 16) |
                                          (12u << 11));
    };
    form.OpenArchive(MakeArchive({M("y2107", 1, 1, dos(2107, 12, 31)),
                                  M("y1980", 1, 1, dos(1980, 1, 1)),
                                  M("y2044", 1, 1, dos(2044, 1, 1)),
                                  M("y2043", 1, 1, dos(2043, 12, 31)),
                                  M("y2000", 1, 1, dos(2000, 6, 15))}));
    ClickHeader(2);
    EXPECT_EQ(form.CurrentSortName(), "Date");
    const std::vector<std::string> ascending{"y1980", "y2000", "y2043", "y2044", "y2107"};
    EXPECT_EQ(Column(0), ascending);
    ClickHeader(2);
    EXPECT_EQ(Column(0), std::vector<std::string>(ascending.rbegin(), ascending.rend()));
}

TEST_F(MainFormTest, ClosingTheArchiveGoesBackToTheNoArchiveState) {
    form.OpenArchive(MakeArchive({M("x.txt", 1, 1)}));
    form.ZipKeeper1().SetZipFilename("");
    EXPECT_EQ(form.ListView1().ItemCount(), 0);
    EXPECT_EQ(form.Caption(), "Kelvora 98 - ");
    EXPECT_EQ(form.StatusBar1().PanelText(0), "Filename: ");
    EXPECT_EQ(form.StatusBar1().PanelText(1), "Files in Zip: <none>");
    EXPECT_EQ(form.StatusBar1().PanelText(2), "Total Uncompressed Size: ");
    ExpectCommandsFor(false);
    EXPECT_EQ(form.Button(TMainForm::SpeedButton3).Glyph(), form.GlyphImage(12));
    // Header clicks on the empty view change nothing and say nothing.
    ClickHeader(1);
    ClickHeader(0);
    EXPECT_EQ(form.ListView1().ItemCount(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainFormTest, ArchiveWithOnlyFoldersOrNoEntries) {
    form.OpenArchive(MakeArchive({M("one/", 0, 0), M("one/two/", 0, 0)}));
    EXPECT_EQ(form.ListView1().ItemCount(), 0);
    EXPECT_EQ(form.StatusBar1().PanelText(1), "Files in Zip: 2");

    form.OpenArchive(tmp.File("missing.zip"));
    EXPECT_EQ(form.ListView1().ItemCount(), 0);
    EXPECT_EQ(form.StatusBar1().PanelText(1), "Files in Zip: <none>");
    EXPECT_EQ(form.StatusBar1().PanelText(2), "Total Uncompressed Size: ");
    EXPECT_TRUE(MenuEnabled(IDM_EXTRACTALL)); // an archive is set, even without entries
    EXPECT_EQ(form.Caption(), "Kelvora 98 - missing.zip");
}

TEST_F(MainFormTest, CutOffArchiveShowsItsCompleteMembersAndSaysWhichIsCut) {
    ZipBuilder z;
    z.Local(M("first", 4, 4));
    LocalMember cut = M("second", 0, 0);
    cut.compressedSize = 100000;
    z.Local(cut);
    z.Zeros(30);
    std::string path = tmp.File("cut.zip");
    z.WriteTo(path);
    form.OpenArchive(path);
    EXPECT_EQ(form.Caption(), "Kelvora 98 - cut.zip");
    EXPECT_EQ(Column(0), std::vector<std::string>{"first"});
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{
                                   "This archive is incomplete (its directory is missing or "
                                   "damaged): 1 complete member is listed. \"second\" is cut off "
                                   "and cannot be extracted."});
    EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Default);
}

TEST(MainFormStartUp, OpensTheFirstCommandLineArchiveAndShowsReadErrors) {
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    ZipBuilder good;
    good.Archive({M("one.txt", 3, 3), M("two.txt", 3, 3)});
    good.WriteTo(tmp.File("good.zip"));
    kelvora::SharedState state;
    {
        MainFormStartup startup = TestStartup(tmp);
        startup.CommandLine = {tmp.File("good.zip"), tmp.File("ignored.zip")};
        TMainForm form(state, startup);
        ui::App().MainForm = &form;
        form.Create();
        form.Show();
        EXPECT_EQ(form.ListView1().ItemCount(), 2);
        EXPECT_EQ(form.Caption(), "Kelvora 98 - good.zip");
        ui::App().MainForm = nullptr;
    }
    good.WriteTo(tmp.File("locked.zip"));
    // Another program holds the file: it cannot be opened for reading.
    const ui::FileHandle lock(CreateFileA(tmp.File("locked.zip").c_str(), GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    dialogs.Clear();
    MainFormStartup startup = TestStartup(tmp);
    startup.CommandLine = {tmp.File("locked.zip")};
    TMainForm form(state, startup);
    ui::App().MainForm = &form;
    form.Create();
    form.Show(); // the error reaches the error box instead of ending the program
    bool shownError = false;
    for (auto& box : dialogs.shown)
        if (box.kind == ShownBox::Error &&
            box.text.starts_with("Cannot open \"" + tmp.File("locked.zip") + "\": "))
            shownError = true;
    EXPECT_TRUE(shownError) << ::testing::PrintToString(dialogs.Texts());
    EXPECT_EQ(form.ListView1().ItemCount(), 0);
    EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Default);
    ui::App().MainForm = nullptr;
}

TEST_F(MainFormTest, ProgressEventsDriveTheBarOnlyWithATotal) {
    form.ResetProgress();
    form.Progress().ProgressTotal = 65536 * 2;
    TZipKeeper& z = form.ZipKeeper1();
    form.ZipKeeper1Progress(z, ProgressType::NewFile, "a", 65536);
    form.ZipKeeper1Progress(z, ProgressType::ProgressUpdate, " ", 0);
    EXPECT_EQ(form.ProgressBar1().Position(), 25);
    form.ZipKeeper1Progress(z, ProgressType::NewFile, "b", 65536);
    EXPECT_EQ(form.ProgressBar1().Position(), 50);
    form.ZipKeeper1Progress(z, ProgressType::EndOfBatch, " ", 0);
    EXPECT_EQ(form.ProgressBar1().Position(), 0);

    form.ResetProgress(); // no total: the bar stays at 0
    form.ZipKeeper1Progress(z, ProgressType::NewFile, "a", 100);
    form.ZipKeeper1Progress(z, ProgressType::ProgressUpdate, " ", 0);
    EXPECT_EQ(form.ProgressBar1().Position(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MainFormTest, ViewStylesAndColumnVisibility) {
    SendMessageA(form.Handle(), WM_COMMAND, IDM_VIEW_ICONS, 0);
    EXPECT_EQ(form.ListView1().Style(), static_cast<DWORD>(LVS_ICON));
    EXPECT_TRUE(ui::MenuItem(form.MainMenu(), IDM_VIEW_ICONS).Checked());
    EXPECT_FALSE(ui::MenuItem(form.MainMenu(), IDM_VIEW_FULL).Checked());
    SendMessageA(form.Handle(), WM_COMMAND, IDM_VIEW_FULL, 0);
    EXPECT_EQ(form.ListView1().Style(), static_cast<DWORD>(LVS_REPORT));

    EXPECT_TRUE(ui::MenuItem(form.MainMenu(), IDM_COL_RATIO).Checked());
    SendMessageA(form.Handle(), WM_COMMAND, IDM_COL_RATIO, 0);
    EXPECT_FALSE(ui::MenuItem(form.MainMenu(), IDM_COL_RATIO).Checked());
    EXPECT_EQ(form.ListView1().ColumnWidth(3), 0);
    SendMessageA(form.Handle(), WM_COMMAND, IDM_COL_RATIO, 0);
    EXPECT_TRUE(ui::MenuItem(form.MainMenu(), IDM_COL_RATIO).Checked());
    EXPECT_GT(form.ListView1().ColumnWidth(3), 0); // sized to its contents
}

TEST_F(MainFormTest, LongAndOddNamesAreShownSafely) {
    std::string longName = std::string(1500, 'x') + ".txt";
    LocalMember weird = M("we@1ird@3name.txt", 2, 4);
    form.OpenArchive(MakeArchive({M(longName, 1, 1), weird}));
    // The name field is cut at 256 bytes by the reader; both rows are listed.
    ASSERT_EQ(form.ListView1().ItemCount(), 2);
    EXPECT_EQ(Column(0)[0], "we@1ird@3name.txt");
    EXPECT_EQ(Column(1)[0], "4");
    EXPECT_EQ(Column(3)[0], "50%");
}

// The command IDs a menu offers, its submenus included.
void MenuCommands(HMENU menu, std::vector<UINT>& ids) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            MenuCommands(sub, ids);
        } else if (UINT id = GetMenuItemID(menu, i); id != 0 && id != static_cast<UINT>(-1)) {
            ids.push_back(id);
        }
    }
}

bool HasCommandRow(UINT id) {
    for (const TMainForm::Command& c : TMainForm::Commands())
        if (c.Id == id) return true;
    return false;
}

TEST_F(MainFormTest, EveryMenuItemShortcutAndToolButtonHasACommandRow) {
    std::vector<UINT> ids;
    MenuCommands(form.MainMenu(), ids);
    MenuCommands(form.PopupMenu1(), ids);
    HACCEL table = form.Accelerators();
    ASSERT_NE(table, nullptr);
    std::vector<ACCEL> keys(CopyAcceleratorTableA(table, nullptr, 0));
    CopyAcceleratorTableA(table, keys.data(), static_cast<int>(keys.size()));
    for (const ACCEL& k : keys)
        ids.push_back(k.cmd);
    EXPECT_GT(ids.size(), 60u);
    for (UINT id : ids)
        EXPECT_TRUE(HasCommandRow(id)) << id;
    // Rows are unique, and the thirteen archive commands (Test among them) are the ones that
    // need an archive.
    int needArchive = 0;
    for (const TMainForm::Command& c : TMainForm::Commands()) {
        int same = 0;
        for (const TMainForm::Command& d : TMainForm::Commands())
            same += d.Id == c.Id;
        EXPECT_EQ(same, 1) << c.Id;
        needArchive += c.NeedsArchive;
    }
    EXPECT_EQ(needArchive, 13);
}

TEST_F(MainFormTest, CommandsRunThroughTheTableFromMenusAndToolButtons) {
    EXPECT_TRUE(form.RunCommand(IDM_VIEW_SMALLICONS));
    EXPECT_EQ(form.ListView1().Style(), static_cast<DWORD>(LVS_SMALLICON));
    EXPECT_TRUE(form.RunCommand(IDM_RUN2)); // the Zip menu's "Run", with nothing to run
    EXPECT_FALSE(form.RunCommand(4242));    // no such command
    // A tool button's click is its table row's command: Help asks for the contents.
    int helpAsked = 0;
    launch.Help = [&](HWND, const std::string&, UINT) { ++helpAsked; };
    form.Button(TMainForm::SpeedButton8).Click();
    EXPECT_EQ(helpAsked, 1);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(IsWindow(form.Handle()));
}

TEST_F(MainFormTest, PopupOffersMemberCommandsOnlyWithASelection) {
    form.OpenArchive(MakeArchive({M("a.txt", 1, 1), M("b.txt", 1, 1)}));
    auto popupEnabled = [&](UINT id) { return ui::MenuItem(form.PopupMenu1(), id).Enabled(); };
    form.EnablePopupCommands();
    EXPECT_TRUE(popupEnabled(IDM_VIEWSELECTED)); // the first row is selected after opening
    form.ListView1().SelectRow(-1, false);
    form.EnablePopupCommands();
    for (UINT id : {IDM_POP_RUN, IDM_VIEWSELECTED, IDM_EXTRACTSELECTED})
        EXPECT_FALSE(popupEnabled(id)) << id;
    EXPECT_TRUE(popupEnabled(IDM_EXTRACTALL));
}

} // namespace
