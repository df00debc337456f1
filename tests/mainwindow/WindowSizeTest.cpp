// The main window at other sizes than its design: the status bar keeps showing its texts
// after a maximize, a drag of the frame and a saved size at start-up, and the window cannot
// be made so small that the bars at the bottom climb over the tool panel.
#include "tests/mainwindow/MainFormFixture.h"
#include "tests/support/WindowPixels.h"

#include <array>
#include <functional>

using namespace testing_support;

namespace {

using PanelTexts = std::array<std::string, 3>;

// The name panel's whole text (its tip: it shows the path shortened when too long).
PanelTexts Panels(TMainForm& form) {
    return {NamePanelTip(form), form.StatusBar1().PanelText(1), form.StatusBar1().PanelText(2)};
}

void Resize(HWND hwnd, int width, int height) {
    SetWindowPos(hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

TEST_F(MainFormTest, TheNamePanelShortensALongPathInItsMiddleAndKeepsItWholeInItsTip) {
    const std::string folder = tmp.File("a folder with a rather long name\\and one more below");
    CreateDirectoryA(tmp.File("a folder with a rather long name").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string archive = folder + "\\archive.zip";
    ZipBuilder z;
    z.Archive({M("a.txt", 1, 1)});
    z.WriteTo(archive);
    form.OpenArchive(archive);
    const std::string whole = "Filename: " + archive;
    EXPECT_EQ(NamePanelTip(form), whole);
    const struct {
        int width;
        bool shortened;
    } cases[] = {{760, true}, {1260, false}, {700, true}};
    for (const auto& c : cases) {
        SetWindowPos(form.Handle(), nullptr, 0, 0, c.width, 400, SWP_NOMOVE | SWP_NOZORDER);
        const std::string shown = form.StatusBar1().PanelText(0);
        EXPECT_EQ(NamePanelTip(form), whole) << c.width;
        if (!c.shortened) {
            EXPECT_EQ(shown, whole) << c.width;
            continue;
        }
        EXPECT_EQ(shown.rfind("Filename: ", 0), 0u) << shown;
        EXPECT_NE(shown.find("..."), std::string::npos) << shown;
        EXPECT_TRUE(shown.ends_with("\\archive.zip")) << shown;
        // The text fits its panel.
        RECT panel{};
        SendMessageA(form.StatusBar1().Handle(), SB_GETRECT, 0, reinterpret_cast<LPARAM>(&panel));
        EXPECT_LE(ui::TextWidth(form.StatusBar1().Handle(), shown), panel.right - panel.left)
            << shown;
    }
}

TEST_F(MainFormTest, StatusBarKeepsItsTextsAtEverySize) {
    form.OpenArchive(MakeArchive({M("a.txt", 10, 20), M("b.txt", 30, 40)}));
    const PanelTexts texts = Panels(form);
    ASSERT_EQ(texts[1], "Files in Zip: 2");
    struct Case {
        const char* name;
        std::function<void(HWND)> change;
    };
    const Case cases[] = {
        {"maximized", [](HWND h) { ShowWindow(h, SW_MAXIMIZE); }},
        {"restored", [](HWND h) { ShowWindow(h, SW_RESTORE); }},
        {"dragged larger", [](HWND h) { Resize(h, 760, 560); }},
        {"dragged smaller", [](HWND h) { Resize(h, 420, 300); }},
    };
    for (const Case& c : cases) {
        // Everything on screen first, as the user sees the window before the change.
        ASSERT_TRUE(ShowsItsOwnDrawing(form.Handle())) << c.name;
        c.change(form.Handle());
        EXPECT_EQ(Panels(form), texts) << c.name;
        const std::string shown = form.StatusBar1().PanelText(0);
        EXPECT_EQ(shown.rfind("Filename: ", 0), 0u) << shown;
        EXPECT_TRUE(shown.ends_with("\\test.zip")) << shown;
        EXPECT_TRUE(ShowsItsOwnDrawing(form.StatusBar1().Handle())) << c.name;
        RECT bar, client;
        GetWindowRect(form.StatusBar1().Handle(), &bar);
        MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&bar), 2);
        GetClientRect(form.Handle(), &client);
        EXPECT_EQ(bar.bottom, client.bottom) << c.name;
        EXPECT_EQ(bar.right, client.right) << c.name;
    }
}

TEST_F(MainFormTest, CannotBeMadeSoSmallThatTheBarsCoverTheToolPanel) {
    Resize(form.Handle(), 202, 140);
    RECT client, progress, list;
    GetClientRect(form.Handle(), &client);
    EXPECT_GE(client.right, 320);
    GetWindowRect(form.ProgressBar1().Handle(), &progress);
    GetWindowRect(form.ListView1().Handle(), &list);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&progress), 2);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_GE(progress.top, 63) << "below the tool panel";
    EXPECT_GE(list.bottom - list.top, 60) << "a few rows of the list";
    EXPECT_EQ(progress.top, list.bottom);
}

class SavedSizeTest : public MainFormTest {
protected:
    void SetUp() override {
        const std::string ini = tmp.File("kelvora.ini");
        WritePrivateProfileStringA("Window", "Width", "700", ini.c_str());
        WritePrivateProfileStringA("Window", "Height", "520", ini.c_str());
        MainFormTest::SetUp();
    }
};

TEST_F(SavedSizeTest, StatusBarShowsItsTextsAfterStartingAtTheSavedSize) {
    RECT frame;
    GetWindowRect(form.Handle(), &frame);
    EXPECT_EQ(frame.right - frame.left, 700);
    EXPECT_EQ(frame.bottom - frame.top, 520);
    EXPECT_EQ(form.StatusBar1().PanelText(1), "Files in zip: <none>");
    EXPECT_TRUE(ShowsItsOwnDrawing(form.StatusBar1().Handle()));
}

} // namespace
