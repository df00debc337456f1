// The folder dialog: the Directory setter, the browser's callback against a window that
// records what it is asked, answers through the seam, and the real shell browser.
#include "settings/PathDialog.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Form.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <stdexcept>

using namespace testing_support;
using settings::TPathDialog;

namespace {

struct Asked {
    UINT message;
    WPARAM wp;
    std::string text;
};
std::vector<Asked> g_asked;

// Stands in for the browser window and records the selection and status requests.
LRESULT CALLBACK Recorder(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == BFFM_SETSELECTIONA || msg == BFFM_SETSTATUSTEXTA) {
        g_asked.push_back({msg, wp, reinterpret_cast<const char*>(lp)});
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

class Owner : public ui::Form {
protected:
    CreateParams GetCreateParams() override { return {}; }
};

class PathDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = Recorder;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KelvoraBrowseRecorder";
        RegisterClassA(&wc);
    }
    void SetUp() override {
        g_asked.clear();
        owner.Create();
        browser = CreateWindowA("KelvoraBrowseRecorder", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    void TearDown() override { DestroyWindow(browser); }
    int Callback(UINT message, LPARAM lp = 0) {
        return TPathDialog::BrowseCallback(browser, message, lp, reinterpret_cast<LPARAM>(&dlg));
    }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    Owner owner;
    TPathDialog dlg{&owner};
    HWND browser = nullptr;
};

TEST_F(PathDialogTest, TheSetterDropsOneTrailingBackslash) {
    const struct {
        const char* in;
        const char* stored;
    } cases[] = {{"C:\\temp\\", "C:\\temp"}, {"C:\\", "C:"}, {"C:\\temp\\\\", "C:\\temp\\"},
                 {"C:\\temp", "C:\\temp"},   {"\\", ""},     {"", ""}};
    for (const auto& c : cases) {
        dlg.SetDirectory(c.in);
        EXPECT_EQ(dlg.Directory(), c.stored) << c.in;
    }
    EXPECT_TRUE(g_asked.empty()); // no browser open: nothing to move
}

TEST_F(PathDialogTest, OpeningMovesTheSelectionShowsTheStatusAndRaisesOnShow) {
    dlg.SetDirectory("C:\\windows\\");
    dlg.ShowStatus = true;
    dlg.SetStatusText("Pick one");
    int shown = 0;
    dlg.OnShow = [&](TPathDialog& d) {
        ++shown;
        EXPECT_EQ(d.DialogHandle(), browser);
    };
    EXPECT_EQ(Callback(BFFM_INITIALIZED), 0);
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(g_asked.size(), 2u);
    EXPECT_EQ(g_asked[0].message, static_cast<UINT>(BFFM_SETSELECTIONA));
    EXPECT_EQ(g_asked[0].wp, static_cast<WPARAM>(TRUE));
    EXPECT_EQ(g_asked[0].text, "C:\\windows");
    EXPECT_EQ(g_asked[1].message, static_cast<UINT>(BFFM_SETSTATUSTEXTA));
    EXPECT_EQ(g_asked[1].text, "Pick one");
    // While open, the setters act at once; without a status line the text is only stored.
    dlg.SetDirectory("D:\\data\\");
    dlg.ShowStatus = false;
    dlg.SetStatusText("quiet");
    ASSERT_EQ(g_asked.size(), 3u);
    EXPECT_EQ(g_asked[2].text, "D:\\data");
    EXPECT_EQ(dlg.StatusText(), "quiet");
}

TEST_F(PathDialogTest, HandlerFailuresAreToldAndTheBrowserGoesOn) {
    dlg.OnShow = [](TPathDialog&) { throw std::runtime_error("show failed"); };
    std::vector<std::string> selected;
    dlg.OnSelect = [&](TPathDialog&, const std::string& path) {
        selected.push_back(path);
        if (path.empty()) throw std::runtime_error("no folder");
    };
    EXPECT_EQ(Callback(BFFM_INITIALIZED), 0);
    EXPECT_TRUE(g_asked.empty()); // an empty Directory selects nothing

    TempFolder tmp;
    LPITEMIDLIST folder = ILCreateFromPathA(tmp.Path().c_str());
    LPITEMIDLIST drives = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
    ASSERT_TRUE(folder && drives);
    EXPECT_EQ(Callback(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(folder)), 0);
    EXPECT_EQ(Callback(BFFM_SELCHANGED, reinterpret_cast<LPARAM>(drives)), 0);
    ILFree(folder);
    CoTaskMemFree(drives);
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(lstrcmpiA((selected[0] + "\\").c_str(), tmp.Path().c_str()), 0) << selected[0];
    EXPECT_EQ(selected[1], ""); // the drives folder has no path
    EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"show failed", "no folder"}));
}

TEST_F(PathDialogTest, TheSeamAnswersWithTheChosenFolder) {
    dlg.Title = "Extract to:";
    dlg.SetDirectory("C:\\old\\");
    dialogs.AnswerDialog<std::string>(TPathDialog::kDialogName, std::string("D:\\"));
    dialogs.AnswerDialog<std::string>(TPathDialog::kDialogName, std::nullopt);
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.Directory(), "D:\\"); // a chosen drive root keeps its backslash
    const auto& request = dialogs.RequestOf<settings::PathDialogRequest>(0);
    EXPECT_EQ(request.Title, "Extract to:");
    EXPECT_EQ(request.Directory, "C:\\old");
    EXPECT_FALSE(dlg.Execute()); // cancelled
    EXPECT_EQ(dlg.Directory(), "D:\\");

    Owner unborn; // no window: nothing is shown
    TPathDialog orphan(&unborn);
    EXPECT_FALSE(orphan.Execute());
    EXPECT_EQ(dialogs.dialogsShown.size(), 2u);
}

void CALLBACK GiveUp(HWND dialog, UINT, UINT_PTR, DWORD) {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

void CALLBACK PressOk(HWND dialog, UINT, UINT_PTR, DWORD) {
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(PathDialogTest, TheShellBrowserReturnsThePreselectedFolderOrNothing) {
    TempFolder tmp;
    dlg.SetDirectory(tmp.Path());
    // The shell fills its tree and moves to the folder in its own time: OK is pressed once
    // the folder is selected, and again every tenth of a second (Wine's dialog can drop an
    // OK that comes while it is still filling the tree), and the dialog gives up after a
    // while so the test cannot hang.
    dlg.OnSelect = [&](TPathDialog& d, const std::string& path) {
        if (lstrcmpiA((path + "\\").c_str(), tmp.Path().c_str()) == 0)
            SetTimer(d.DialogHandle(), 2, 100, PressOk);
    };
    dlg.OnShow = [](TPathDialog& d) { SetTimer(d.DialogHandle(), 1, 20000, GiveUp); };
    ASSERT_TRUE(dlg.Execute());
    dlg.OnSelect = nullptr;
    EXPECT_EQ(lstrcmpiA((dlg.Directory() + "\\").c_str(), tmp.Path().c_str()), 0)
        << dlg.Directory();
    EXPECT_EQ(dlg.DialogHandle(), nullptr);

    dlg.OnShow = [](TPathDialog& d) { PostMessageA(d.DialogHandle(), WM_COMMAND, IDCANCEL, 0); };
    const std::string before = dlg.Directory();
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.Directory(), before);
}

} // namespace
