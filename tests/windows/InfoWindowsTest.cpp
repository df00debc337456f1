// The file info and about windows, shown by the main window's commands.
#include "mainwindow/Main.h"
#include "mainwindow/MainIds.h"
#include "tests/mainwindow/MainFormFixture.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "windows/FileInfo.h"
#include "windows/about.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

TEST(AboutBox, SitsOverTheMainWindowsCentre) {
    struct Case {
        RECT main;
        POINT expected;
    } cases[] = {
        {{100, 50, 700, 451}, {247, 147}}, // 600 x 401: the odd height loses its half pixel
        {{0, 0, 306, 206}, {0, 0}},
        {{-200, -100, 101, 100}, {-203, -103}}, // 301 x 200, left of the screen
    };
    for (const Case& c : cases) {
        POINT p = AboutBoxPosition(c.main);
        EXPECT_EQ(p.x, c.expected.x) << c.main.left;
        EXPECT_EQ(p.y, c.expected.y) << c.main.top;
    }
}

class InfoWindowsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        form.UseWindows({.About = &about, .FileInfo = &info});
        ui::App().MainForm = &form;
        form.Create();
        about.Create(form.Handle());
        info.Create(form.Handle());
        form.Show();
        dialogs.Clear();
    }
    void TearDown() override { ui::App().MainForm = nullptr; }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    kelvora::SharedState state;
    TMainForm form{state, TestStartup(tmp)};
    TAboutBox about;
    TfrmFileInfo info;
};

TEST_F(InfoWindowsTest, FileInfoShowsTheTotalsOfTheOpenArchive) {
    ZipBuilder z;
    LocalMember a, b, c;
    a.name = "one.txt", a.data = std::string(1000000, 'a'), a.uncompressedSize = 2000000;
    b.name = "dir/two.txt", b.data = std::string(234000, 'b'), b.uncompressedSize = 469000;
    c.name = "three.txt", c.data = std::string(567, 'c'), c.uncompressedSize = 134;
    z.Archive({a, b, c});
    z.WriteTo(tmp.File("Stats.ZIP"));
    form.OpenArchive(tmp.File("Stats.ZIP"));

    std::vector<std::string> shown;
    dialogs.onModal = [&](ui::Form& f) {
        f.Show();
        for (int n = 1; n <= 5; ++n)
            shown.push_back(info.ValueLabel(n).Text());
        SendMessageA(f.Handle(), WM_COMMAND, IDOK, 0); // "&Ok"
        return f.GetModalResult();
    };
    EXPECT_TRUE(form.RunCommand(IDM_FILEINFO));
    std::string lower = tmp.File("stats.zip");
    for (char& ch : lower)
        ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(shown,
              (std::vector<std::string>{lower, "3", "1 234 567 bytes", "2 469 134 bytes", "50%"}));
    EXPECT_FALSE(info.Visible());
}

TEST_F(InfoWindowsTest, AboutShowsTheVersionCentredOnTheMainWindow) {
    SetWindowPos(form.Handle(), nullptr, 100, 50, 600, 401, SWP_NOZORDER);
    RECT placed{};
    std::string version;
    dialogs.onModal = [&](ui::Form& f) {
        f.Show();
        GetWindowRect(f.Handle(), &placed);
        version = about.lblVersion().Text();
        PostMessageA(f.Handle(), WM_KEYDOWN, VK_RETURN, 0); // OK is the default button
        return f.RunModal();
    };
    EXPECT_TRUE(form.RunCommand(IDM_ABOUT));
    EXPECT_EQ(placed.left, 247);
    EXPECT_EQ(placed.top, 147);
    EXPECT_EQ(version, "Version 3.0");
    EXPECT_EQ(about.GetModalResult(), ui::mrOk);
}

} // namespace
