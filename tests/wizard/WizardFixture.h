// The main window and the wizard's five pages with real windows and real modal loops. The
// user is played by steps posted as messages: each runs when the modal loop of the page on
// top at that moment takes it, as a click would, so nested pages are met as a user meets them.
#pragma once

#include "engine/PathUtil.h"
#include "mainwindow/NewArchive.h"
#include "tests/mainwindow/MainFormFixture.h"
#include "wizard/Wizard1.h"
#include "wizard/Wizard1Fur.h"
#include "wizard/Wizard2.h"
#include "wizard/Wizard3.h"
#include "wizard/Wizard4.h"
#include "wizard/WizardIds.h"

#include <shellapi.h>

#include <deque>
#include <functional>
#include <string>

namespace testing_support {

class PostedUser {
public:
    PostedUser() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &PostedUser::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KelvoraPostedUser";
        RegisterClassA(&wc); // fails harmlessly when registered already
        hwnd_ = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~PostedUser() { DestroyWindow(hwnd_); }
    PostedUser(const PostedUser&) = delete;
    PostedUser& operator=(const PostedUser&) = delete;

    void Then(std::function<void()> step) {
        steps_.push_back(std::move(step));
        PostMessageA(hwnd_, WM_APP, 0, 0);
    }
    // Drops the steps no loop took; returns how many there were.
    size_t Forget() {
        MSG msg;
        while (PeekMessageA(&msg, hwnd_, WM_APP, WM_APP, PM_REMOVE)) {
        }
        return std::exchange(steps_, {}).size();
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<PostedUser*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg != WM_APP || !self || self->steps_.empty())
            return DefWindowProcA(hwnd, msg, wp, lp);
        std::function<void()> step = std::move(self->steps_.front());
        self->steps_.pop_front();
        step();
        return 0;
    }
    HWND hwnd_ = nullptr;
    std::deque<std::function<void()>> steps_;
};

class WizardTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        form.UseWindows({.Wizard = &navigator});
        for (ui::Form* page : Pages())
            page->Create(form.Handle());
        dialogs.onModal = [](ui::Form& f) { return f.RunModal(); };
    }
    std::vector<ui::Form*> Pages() { return {&wiz1, &wiz1Fur, &wiz2, &wiz3, &wiz4}; }
    std::string PageName(ui::Form* page) {
        const char* names[] = {"Wiz1", "Wiz1Fur", "Wiz2", "Wiz3", "Wiz4"};
        std::vector<ui::Form*> pages = Pages();
        for (size_t i = 0; i < pages.size(); ++i)
            if (pages[i] == page) return names[i];
        return "?";
    }
    // The pages on screen, and the pages whose modal loops run, in page order.
    std::string Shown() {
        return Names([](ui::Form* p) { return p->Visible(); });
    }
    std::string Looping() {
        return Names([](ui::Form* p) { return p->InModalLoop(); });
    }

    // Under Wine a page gets the keyboard focus only once the X server has activated it,
    // which on a busy machine can come after the next step is dispatched: Enter waits for
    // the focus to arrive in the page, as a user would see it there before pressing.
    // The user's own later steps (WM_APP) stay queued meanwhile.
    static bool WaitForFocusIn(ui::Form& page) {
        for (int i = 0; i < 500; ++i) {
            HWND focus = GetFocus();
            if (focus && GetParent(focus) == page.Handle()) return true;
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, WM_APP - 1, PM_REMOVE) ||
                   PeekMessageA(&msg, nullptr, WM_APP + 1, 0xFFFF, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            Sleep(10);
        }
        return false;
    }

    // Presses a page's button as the user does; a hidden page or a disabled button cannot
    // be pressed.
    void Press(ui::Form& page, int id) {
        HWND button = page.Control(id);
        ASSERT_TRUE(button) << PageName(&page) << " " << id;
        EXPECT_TRUE(page.Visible()) << PageName(&page) << " " << id;
        EXPECT_TRUE(IsWindowEnabled(button)) << PageName(&page) << " " << id;
        if (!page.Visible() || !IsWindowEnabled(button)) return;
        SendMessageA(page.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    }
    // Starts the wizard from the main window and plays the steps queued on `user`. When
    // the steps are used up and a page is still open, the run fails and the pages close.
    void RunWizard() {
        user.Then([this] {
            ADD_FAILURE() << "the wizard is still open on " << Shown();
            for (ui::Form* p : Pages())
                if (p->InModalLoop()) p->CloseModal(ui::mrCancel);
        });
        form.Button(TMainForm::WizardAddBut).Click();
        EXPECT_EQ(user.Forget(), 1u) << "steps left when the wizard ended";
        EXPECT_EQ(Shown(), "");
        EXPECT_EQ(Looping(), "");
        EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    }

    PostedUser user;
    TWiz1 wiz1;
    TWiz2 wiz2{state.CurrentArchiveName};
    TWiz1Fur wiz1Fur;
    TWiz3 wiz3{state.CurrentArchiveName};
    TWiz4 wiz4;
    wizard::Navigator navigator{{&wiz1, &wiz1Fur, &wiz2, &wiz3, &wiz4}, newarchive::ForWizard()};

private:
    std::string Names(const std::function<bool(ui::Form*)>& on) {
        std::string out;
        for (ui::Form* p : Pages())
            if (on(p)) out.append(out.empty() ? "" : " ").append(PageName(p));
        return out;
    }
};

} // namespace testing_support
