// The window framework: message routing, the error box for exceptions, modal loops through
// the seam, tool buttons and menu captions.
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/SpeedButton.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace testing_support;

namespace {

class ProbeForm : public ui::Form {
public:
    std::vector<int> commands;
    bool created = false;
    int shown = 0;
    ui::SpeedButton button;

protected:
    CreateParams GetCreateParams() override {
        CreateParams p;
        p.Caption = "Probe";
        p.ClientWidth = 200;
        p.ClientHeight = 100;
        return p;
    }
    void OnCreate() override {
        created = true;
        button.Create(Handle(), 77, 0, 0, 40, 40);
    }
    void OnShow() override { ++shown; }
    void OnCommand(int id, int, HWND) override {
        commands.push_back(id);
        if (id == 13) throw std::runtime_error("Something went wrong");
        if (id == 14) SetModalResult(ui::mrOk);
    }
};

class FormTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    ProbeForm form;
};

TEST_F(FormTest, CreatesOnceAndRunsOnShowAtEveryShowing) {
    form.Create();
    HWND h = form.Handle();
    form.Create();
    EXPECT_EQ(form.Handle(), h);
    EXPECT_TRUE(form.created);
    EXPECT_FALSE(form.Visible());
    form.Show();
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.shown, 1);
    EXPECT_EQ(form.Caption(), "Probe");
    form.Close(); // not the main form: closing hides it
    EXPECT_FALSE(form.Visible());
    EXPECT_TRUE(IsWindow(h));
    form.Show();
    EXPECT_EQ(form.shown, 2);
}

TEST_F(FormTest, ExceptionInAHandlerReachesTheErrorBoxAndTheFormLivesOn) {
    form.Create();
    SendMessageA(form.Handle(), WM_COMMAND, 13, 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, ShownBox::Error);
    EXPECT_EQ(dialogs.shown[0].text, "Something went wrong");
    SendMessageA(form.Handle(), WM_COMMAND, 12, 0);
    EXPECT_EQ(form.commands, (std::vector<int>{13, 12}));
}

TEST_F(FormTest, ModalShowingGoesThroughTheSeam) {
    form.Create();
    dialogs.onModal = [](ui::Form& f) {
        EXPECT_EQ(f.Caption(), "Probe");
        return ui::mrOk;
    };
    EXPECT_EQ(form.ShowModal(), ui::mrOk);
    EXPECT_EQ(dialogs.modalCount, 1);
}

TEST_F(FormTest, RealModalLoopEndsWithTheModalResult) {
    form.Create();
    PostMessageA(form.Handle(), WM_COMMAND, 14, 0);
    EXPECT_EQ(form.RunModal(), ui::mrOk);
    EXPECT_FALSE(form.Visible());
    // Closing the window ends a modal loop with Cancel.
    PostMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(form.RunModal(), ui::mrCancel);
}

TEST_F(FormTest, SpeedButtonClickReachesTheParent) {
    form.Create();
    form.button.Click();
    SendMessageA(form.button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(form.button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    // Released outside the button: no click.
    SendMessageA(form.button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(form.button.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 5));
    EXPECT_EQ(form.commands, (std::vector<int>{77, 77}));
}

TEST(MenuItem, CaptionKeepsTheShortcutText) {
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 5, "Convert ZIP to EXE\tShift+C");
    ui::MenuItem item(menu, 5);
    EXPECT_EQ(item.Caption(), "Convert ZIP to EXE");
    item.SetCaption("Convert EXE to ZIP");
    EXPECT_EQ(item.Caption(), "Convert EXE to ZIP");
    char raw[100];
    GetMenuStringA(menu, 5, raw, sizeof raw, MF_BYCOMMAND);
    EXPECT_STREQ(raw, "Convert EXE to ZIP\tShift+C");
    item.SetEnabled(false);
    EXPECT_FALSE(item.Enabled());
    item.SetChecked(true);
    EXPECT_TRUE(item.Checked());
    DestroyMenu(menu);
}

TEST(AppCursor, WaitCursorRestoresWhatWasThere) {
    ui::SetAppCursor(ui::AppCursor::Arrow);
    {
        ui::WaitCursor wait;
        EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::HourGlass);
    }
    EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Arrow);
    ui::SetAppCursor(ui::AppCursor::Default);
}

} // namespace
