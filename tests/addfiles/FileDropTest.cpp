// The drop target on real windows, with drops posted as the shell posts them.
#include "addfiles/FileDrop.h"
#include "tests/addfiles/ShellDrop.h"
#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class FileDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (HWND& w : windows) {
            w = CreateWindowExA(0, "LISTBOX", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
            ASSERT_TRUE(w);
            ownProc.push_back(GetWindowLongPtrA(w, GWLP_WNDPROC));
        }
        drop.OnDrop = [this](TFileDrop& sender) {
            EXPECT_EQ(&sender, &drop);
            ++drops;
        };
    }
    void TearDown() override {
        drop.SetDropControl(nullptr);
        for (HWND w : windows)
            DestroyWindow(w);
    }
    static bool AcceptsFiles(HWND w) { return GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES; }

    HWND windows[2] = {};
    std::vector<LONG_PTR> ownProc;
    TFileDrop drop;
    int drops = 0;
};

TEST_F(FileDropTest, EachDropReplacesTheNamesInTheShellsOrderAndReleasesTheHandle) {
    drop.SetDropControl(windows[0]);
    const std::vector<std::string> three = {"C:\\b\\second.txt", "C:\\a\\first.txt", "D:\\folder"};
    HDROP h = PostDrop(windows[0], three, POINT{12, 34});
    EXPECT_EQ(drop.Files(), three);
    EXPECT_EQ(drop.FileCount(), 3);
    EXPECT_EQ(drop.DropPoint().x, 12);
    EXPECT_EQ(drop.DropPoint().y, 34);
    EXPECT_EQ(drops, 1);
    EXPECT_TRUE(Released(h));

    h = PostDrop(windows[0], {"C:\\one.bin"});
    EXPECT_EQ(drop.Files(), std::vector<std::string>{"C:\\one.bin"});
    EXPECT_EQ(drop.FileCount(), 1);
    EXPECT_EQ(drops, 2);
    EXPECT_TRUE(Released(h));
}

TEST_F(FileDropTest, NamesOfAnyLengthArriveWhole) {
    drop.SetDropControl(windows[0]);
    for (size_t length : {1u, 127u, 128u, 129u, 300u, 2000u}) {
        std::string name = "C:\\" + std::string(length, 'n');
        PostDrop(windows[0], {"C:\\x", name, "C:\\y"});
        EXPECT_EQ(drop.Files(), (std::vector<std::string>{"C:\\x", name, "C:\\y"})) << length;
    }
}

TEST_F(FileDropTest, DropsAreTakenWithoutAnEventHandlerAndNeverReachTheWindow) {
    drop.OnDrop = nullptr;
    drop.SetDropControl(windows[0]);
    PostDrop(windows[0], {"C:\\a", "C:\\b"});
    EXPECT_EQ(drop.FileCount(), 2);
    // Other messages still reach the list box's own procedure.
    SendMessageA(windows[0], LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("row"));
    EXPECT_EQ(SendMessageA(windows[0], LB_GETCOUNT, 0, 0), 1);
}

TEST_F(FileDropTest, EnableDropWaitsForAControlAndFollowsIt) {
    drop.SetEnableDrop(true);
    EXPECT_FALSE(drop.EnableDrop());
    drop.SetDropControl(windows[0]);
    EXPECT_TRUE(drop.EnableDrop());
    EXPECT_TRUE(AcceptsFiles(windows[0]));
    drop.SetEnableDrop(false);
    EXPECT_FALSE(AcceptsFiles(windows[0]));
    drop.SetEnableDrop(true);
    EXPECT_TRUE(AcceptsFiles(windows[0]));
}

TEST_F(FileDropTest, AnotherControlTakesTheHookAndTheFirstGetsItsOwnProcedureBack) {
    drop.SetDropControl(windows[0]);
    EXPECT_NE(GetWindowLongPtrA(windows[0], GWLP_WNDPROC), ownProc[0]);
    drop.SetDropControl(windows[1]);
    EXPECT_EQ(GetWindowLongPtrA(windows[0], GWLP_WNDPROC), ownProc[0]);
    EXPECT_FALSE(AcceptsFiles(windows[0]));
    EXPECT_TRUE(AcceptsFiles(windows[1]));

    HDROP h = PostDrop(windows[0], {"C:\\first"});
    EXPECT_EQ(drops, 0);
    DragFinish(h); // the list box left it alone
    PostDrop(windows[1], {"C:\\second"});
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(drop.Files(), std::vector<std::string>{"C:\\second"});

    drop.SetDropControl(nullptr);
    EXPECT_EQ(GetWindowLongPtrA(windows[1], GWLP_WNDPROC), ownProc[1]);
    EXPECT_FALSE(drop.EnableDrop());
}

TEST_F(FileDropTest, AnExceptionFromTheHandlerIsShownAndTheHandleStillReleased) {
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    drop.OnDrop = [](TFileDrop&) { throw std::runtime_error("handler failed"); };
    drop.SetDropControl(windows[0]);
    HDROP h = PostDrop(windows[0], {"C:\\a"});
    EXPECT_TRUE(Released(h));
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"handler failed"});
    EXPECT_EQ(drop.FileCount(), 1);
}

} // namespace
