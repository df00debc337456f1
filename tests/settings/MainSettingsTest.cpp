// The main window and its settings file: what start-up applies, the appearance commands,
// the Save commands and the recent archives written at exit. Each test has its own file.
#include "engine/UnzEng.h"
#include "mainwindow/Main.h"
#include "mainwindow/MainIds.h"
#include "mainwindow/TextFormat.h"
#include "settings/SettingsStore.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "base/Handle.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class MainSettingsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void TearDown() override { ui::App().MainForm = nullptr; }

    // Starts a main window on the test's settings file.
    void Start(std::vector<std::string> commandLine = {}) {
        MainFormStartup startup;
        startup.CommandLine = std::move(commandLine);
        startup.IniFileName = ini;
        form = std::make_unique<TMainForm>(state, std::move(startup));
        ui::App().MainForm = form.get();
        form->Create();
        form->Show();
    }
    // Ends it as the program does at exit (without posting the quit message).
    void Exit() {
        ui::App().MainForm = nullptr;
        DestroyWindow(form->Handle());
        form.reset();
    }
    void Command(UINT id) { SendMessageA(form->Handle(), WM_COMMAND, id, 0); }
    std::string ListFontName() {
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(List(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return lf.lfFaceName;
    }
    HWND List() { return form->ListView1().Handle(); }
    COLORREF ListBackground() {
        return static_cast<COLORREF>(SendMessageA(List(), LVM_GETBKCOLOR, 0, 0));
    }
    bool GridLines() { return form->ListView1().ExtendedStyle() & LVS_EX_GRIDLINES; }
    bool Checked(UINT id) { return ui::MenuItem(form->MainMenu(), id).Checked(); }
    std::vector<int> Widths() {
        std::vector<int> w;
        for (int i = 0; i < 6; ++i)
            w.push_back(form->ListView1().ColumnWidth(i));
        return w;
    }
    // Whether the date column shows a usual date and time whole, in the list's font and with
    // the list's margins.
    bool DateFits() {
        const std::string date = contents::FormatDateTime({2026, 12, 31, 12, 59, 0});
        return form->ListView1().ColumnWidth(2) >= ui::TextWidth(List(), date) + 12;
    }
    std::vector<int> WidthsBesideDate() {
        std::vector<int> w = Widths();
        w.erase(w.begin() + 2);
        return w;
    }
    bool Has(const std::string& line) { return ReadFileBytes(ini).find(line) != std::string::npos; }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    std::string ini = tmp.File("Kelvora98.ini");
    kelvora::SharedState state;
    std::unique_ptr<TMainForm> form;
};

TEST_F(MainSettingsTest, FirstStartUsesEveryDefaultAndExitLeavesTheRecentKeys) {
    Start();
    EXPECT_EQ(WidthsBesideDate(), (std::vector<int>{200, 80, 60, 80, 300}));
    EXPECT_TRUE(DateFits());
    EXPECT_EQ(ListFontName(), "Arial");
    EXPECT_EQ(form->ListColor(), settings::clWindow);
    EXPECT_EQ(ListBackground(), GetSysColor(COLOR_WINDOW));
    EXPECT_FALSE(GridLines());
    const kelvora::InMemorySettings& s = state.Settings;
    EXPECT_TRUE(s.AutoMove && s.AutoRun && s.AutoExit);
    EXPECT_FALSE(s.Netscape || s.IE); // integration waits until the user switches it on
    EXPECT_EQ(s.DownloadDir, "c:\\download");
    const char* empty[] = {"&1 ", "&2 ", "&3 ", "&4 "};
    for (UINT n = 0; n < 4; ++n)
        EXPECT_EQ(ui::MenuItem(form->MainMenu(), IDM_LASTZIP1 + n).Caption(), empty[n]);
    EXPECT_FALSE(ui::MenuItem(form->MainMenu(), IDM_FILEINFO).Enabled());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES); // nothing written yet
    Exit();
    for (const char* line : {"[Last Files]", "1=\r\n", "2=\r\n", "3=\r\n", "4=\r\n"})
        EXPECT_TRUE(Has(line)) << line;
}

TEST_F(MainSettingsTest, AHandWrittenFileIsShownAtStart) {
    WriteFileBytes(ini, "[Window]\r\nLeft=-1\r\nWidth=800\r\n"
                        "[Columns]\r\nRatio=0\r\nPath=150\r\n"
                        "[Settings]\r\nGridLines=1\r\nFont=Courier New\r\nColor=clYellow\r\n"
                        "[Options]\r\nAutoRun=0\r\n"
                        "[Last Files]\r\n1=C:\\R&D\\a.zip\r\n3=C:\\b.zip\r\n");
    Start();
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(r.right - r.left, 800);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 800) / 2); // still centred
    EXPECT_EQ(WidthsBesideDate(), (std::vector<int>{200, 80, 0, 80, 150}));
    EXPECT_TRUE(DateFits()) << "in the stored font";
    EXPECT_TRUE(Checked(IDM_COL_RATIO)); // hidden, yet its item stays checked
    EXPECT_EQ(ListFontName(), "Courier New");
    EXPECT_EQ(ListBackground(), RGB(255, 255, 0));
    EXPECT_FALSE(state.Settings.AutoRun);
    EXPECT_EQ(state.Settings.RecentArchives[0], "C:\\R&D\\a.zip");
    EXPECT_EQ(ui::MenuItem(form->MainMenu(), IDM_LASTZIP1).Caption(), "&1 C:\\R&&D\\a.zip");
    EXPECT_EQ(ui::MenuItem(form->MainMenu(), IDM_LASTZIP3).Caption(), "&3 C:\\b.zip");
    // Grid lines show while their item starts unchecked; the first click checks it.
    EXPECT_TRUE(GridLines());
    EXPECT_FALSE(Checked(IDM_GRIDLINES));
    Command(IDM_GRIDLINES);
    EXPECT_TRUE(Checked(IDM_GRIDLINES));
    EXPECT_TRUE(GridLines());
    Command(IDM_GRIDLINES);
    EXPECT_FALSE(GridLines());
    // Shown again, the hidden Ratio column fits its contents; Path gets its stored width.
    Command(IDM_COL_RATIO);
    Command(IDM_COL_RATIO);
    EXPECT_GT(form->ListView1().ColumnWidth(3), 0);
    Command(IDM_COL_PATH);
    EXPECT_EQ(form->ListView1().ColumnWidth(5), 0);
    Command(IDM_COL_PATH);
    EXPECT_EQ(form->ListView1().ColumnWidth(5), 150);
}

TEST_F(MainSettingsTest, ADamagedColourIsToldAndStartUpGoesOn) {
    ZipBuilder z;
    LocalMember one;
    one.name = "one.txt";
    one.data = "1";
    z.Archive({one});
    z.WriteTo(tmp.File("one.zip"));
    WriteFileBytes(ini, "[Settings]\r\nColor=blue-ish\r\n[Last Files]\r\n2=C:\\x.zip\r\n"
                        "[Options]\r\nAutoMove=0\r\n");
    Start({tmp.File("one.zip")});
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown[0].kind, ShownBox::Error);
    EXPECT_EQ(dialogs.shown[0].text, "'blue-ish' is not a valid integer value");
    EXPECT_EQ(form->ListColor(), settings::clWindow);
    EXPECT_EQ(ui::MenuItem(form->MainMenu(), IDM_LASTZIP2).Caption(), "&2 C:\\x.zip");
    EXPECT_EQ(form->ListView1().ItemCount(), 1);
    EXPECT_TRUE(UnzEngLoaded()) << "the engine is loaded all the same";
}

TEST_F(MainSettingsTest, FontAndColourChangeTheListUntilSaved) {
    Start();
    ui::FontChoice courier;
    courier.Font.lfHeight = -16;
    courier.Font.lfWeight = FW_BOLD;
    lstrcpyA(courier.Font.lfFaceName, "Courier New");
    courier.Color = RGB(0, 0, 128);
    dialogs.fontAnswers = {std::nullopt, courier};
    dialogs.colorAnswers = {std::nullopt, RGB(0x56, 0x34, 0x12)};
    Command(IDM_FONT); // cancelled
    Command(IDM_BACKCOLOR);
    EXPECT_EQ(ListFontName(), "Arial");
    EXPECT_EQ(form->ListColor(), settings::clWindow);
    Command(IDM_FONT);
    Command(IDM_BACKCOLOR);
    // Both dialogs start at what the list shows.
    EXPECT_STREQ(dialogs.fontRequests[0].Font.lfFaceName, "Arial");
    EXPECT_EQ(dialogs.fontRequests[0].Color, GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(dialogs.fontRequests[1].Color, dialogs.fontRequests[0].Color);
    EXPECT_EQ(dialogs.colorRequests[0], GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ListFontName(), "Courier New");
    EXPECT_EQ(SendMessageA(List(), LVM_GETTEXTCOLOR, 0, 0), RGB(0, 0, 128));
    EXPECT_EQ(ListBackground(), RGB(0x56, 0x34, 0x12));
    EXPECT_EQ(GetFileAttributesA(ini.c_str()), INVALID_FILE_ATTRIBUTES); // nothing written

    Command(IDM_SAVESETTINGS);
    for (const char* line : {"GridLines=0", "Font=Courier New", "Color=$00123456"})
        EXPECT_TRUE(Has(line)) << line;
    dialogs.colorAnswers = {RGB(255, 0, 0)};
    Command(IDM_BACKCOLOR);
    Command(IDM_SAVESETTINGS);
    EXPECT_TRUE(Has("Color=clRed"));
}

TEST_F(MainSettingsTest, SavedWidthsAndBoundsComeBackAtTheNextStart) {
    Start();
    Command(IDM_COL_RATIO); // hide
    form->ListView1().SetColumnWidth(0, 222);
    SetWindowPos(form->Handle(), nullptr, 0, 0, 700, 500, SWP_NOMOVE | SWP_NOZORDER);
    Command(IDM_SAVECOLUMNWIDTH);
    Command(IDM_SAVEWINDOWPOS);
    RECT r;
    GetWindowRect(form->Handle(), &r);
    EXPECT_TRUE(Has("Ratio=0"));
    EXPECT_TRUE(Has("Left=" + std::to_string(r.left) + "\r\n"));
    EXPECT_TRUE(Has("Width=700\r\n"));
    const int date = form->ListView1().ColumnWidth(2);
    Exit();
    Start();
    EXPECT_EQ(Widths(), (std::vector<int>{222, 80, date, 0, 80, 300}));
    EXPECT_TRUE(Checked(IDM_COL_RATIO));
    GetWindowRect(form->Handle(), &r);
    EXPECT_EQ(std::vector<int>({r.right - r.left, r.bottom - r.top}), std::vector<int>({700, 500}));
}

TEST_F(MainSettingsTest, ARefusedWriteIsToldAndChangesNothing) {
    WriteFileBytes(ini, "[Settings]\r\nFont=Tahoma\r\n");
    Start();
    state.Settings.RecentArchives = {"C:\\new.zip", "", "", ""};
    {
        // Another program holds the file open without sharing it.
        ui::FileHandle lock(
            CreateFileA(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(lock.Valid());
        Command(IDM_GRIDLINES);
        Command(IDM_SAVESETTINGS);
        Exit(); // the recent archives cannot be written either; the window still goes
    }
    const std::string message = "Unable to write to " + ini;
    EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{message, message}));
    EXPECT_EQ(ReadFileBytes(ini), "[Settings]\r\nFont=Tahoma\r\n");
}

} // namespace
