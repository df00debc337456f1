// The thin control wrappers hand texts in any script through unchanged: under the program's
// UTF-8 process code page a name like "Łódź" is several bytes a letter, and every getter
// must count bytes, not letters.
#include "ui/Controls.h"

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const kTexts[] = {"plain", "Z:\\tmp\\Łódź\\x.zip", "日本語\\文書.txt", "Привет, мир",
                              "smile 😀 and more after it"};

class ControlTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        LoadLibraryA("riched20.dll");
    }
    void SetUp() override {
        parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_TRUE(parent);
    }
    void TearDown() override { DestroyWindow(parent); }
    HWND Child(const char* cls, DWORD style = 0) {
        return CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 300, 20, parent, nullptr,
                               nullptr, nullptr);
    }
    HWND parent = nullptr;
};

TEST_F(ControlTextTest, EveryKindOfTextComesBackAsItWasSet) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    for (const char* cls : {"EDIT", "STATIC", "BUTTON"}) {
        ui::Label control; // the window text of any control
        control.Attach(Child(cls));
        for (const char* text : kTexts) {
            control.SetText(text);
            EXPECT_EQ(control.Text(), text) << cls;
        }
    }
    ui::StatusBar bar;
    bar.Attach(Child(STATUSCLASSNAMEA));
    const int edges[] = {200, -1};
    bar.SetParts(edges, 2);
    ui::RichEdit rich;
    rich.Attach(Child(RICHEDIT_CLASSA, ES_MULTILINE));
    for (const char* text : kTexts) {
        bar.SetPanelText(1, text);
        EXPECT_EQ(bar.PanelText(1), text) << "status bar";
        rich.SetPlainText(text);
        EXPECT_EQ(rich.PlainText(), text) << "rich edit";
    }
}

} // namespace
