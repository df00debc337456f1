// Work on a worker thread behind the modal progress window: what the worker shows is shown on
// the window thread through the seam in force there, answers travel back, failures come home.
#include "tests/support/ScriptedDialogs.h"
#include "ui/BackgroundWork.h"
#include "ui/Form.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace testing_support;

namespace {

class OwnerForm : public ui::Form {
protected:
    CreateParams GetCreateParams() override {
        CreateParams p;
        p.Caption = "Owner";
        return p;
    }
};

class BackgroundWorkTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner.Create();
        owner.Show();
    }
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    OwnerForm owner;
    const DWORD windowThread = GetCurrentThreadId();
};

TEST_F(BackgroundWorkTest, BoxesAndQuestionsOfTheWorkerAreAskedOnTheWindowThread) {
    dialogs.confirmAnswers = {true, false};
    struct Seen {
        bool onWorker = false, ownerEnabled = true, running = false, first = false, second = true;
        HWND window = nullptr;
        std::string dialogAnswer;
    } seen;
    dialogs.AnswerDialog<std::string>("Question", std::string("answer"));
    DWORD recordedOn = 0;
    dialogs.onModal = [&](ui::Form&) {
        recordedOn = GetCurrentThreadId();
        return ui::mrOk;
    };
    OwnerForm modal;
    ui::RunInBackground(owner.Handle(), {[&] {
                                             seen.onWorker = ui::OnWorkerThread();
                                             seen.running = ui::BackgroundRunning();
                                             seen.window = ui::BackgroundWindow();
                                             seen.ownerEnabled = IsWindowEnabled(owner.Handle());
                                             ui::ShowMessage("Error - no files to zip");
                                             seen.first = ui::ConfirmBox("First?");
                                             seen.second = ui::ConfirmBox("Second?");
                                             ui::Dialogs().InfoUtf8(nullptr, "\xC5\xBC");
                                             ui::DialogCall call;
                                             call.Name = "Question";
                                             call.Run = [] { return std::nullopt; };
                                             if (auto a = ui::Dialogs().ShowDialog(call))
                                                 seen.dialogAnswer =
                                                     std::any_cast<std::string>(*a);
                                             ui::Dialogs().ShowModal(modal);
                                         },
                                         nullptr});
    EXPECT_TRUE(seen.onWorker);
    EXPECT_TRUE(seen.running);
    EXPECT_NE(seen.window, nullptr);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(seen.first);
    EXPECT_FALSE(seen.second);
    EXPECT_EQ(seen.dialogAnswer, "answer");
    EXPECT_EQ(recordedOn, windowThread);
    EXPECT_EQ(dialogs.Texts(),
              (std::vector<std::string>{"Error - no files to zip", "First?", "Second?", "\xC5\xBC"}));
    EXPECT_TRUE(dialogs.shown[3].utf8);
    // Afterwards: the owner is back, nothing runs, the window is gone.
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(ui::BackgroundRunning());
    EXPECT_FALSE(IsWindow(seen.window));
    EXPECT_FALSE(ui::OnWorkerThread());
}

TEST_F(BackgroundWorkTest, AFailureOfTheWorkOrOfAWindowCallComesBackWhereItWasAsked) {
    EXPECT_THROW(ui::RunInBackground(owner.Handle(),
                                     {[] { throw std::runtime_error("engine failed"); }, nullptr}),
                 std::runtime_error);
    bool caughtOnWorker = false;
    ui::RunInBackground(owner.Handle(), {[&] {
                                             try {
                                                 ui::OnWindowThread(
                                                     [] { throw std::runtime_error("no"); });
                                             } catch (const std::runtime_error&) {
                                                 caughtOnWorker = ui::OnWorkerThread();
                                             }
                                         },
                                         nullptr});
    EXPECT_TRUE(caughtOnWorker);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST_F(BackgroundWorkTest, CancelIsOnlyARequestAndAQuitWaitsForTheWorkToEnd) {
    bool sawCancel = false;
    bool finished = false;
    ui::RunInBackground(owner.Handle(), {[&] {
                                             ui::OnWindowThread([] {
                                                 PostQuitMessage(3);
                                                 PostMessageA(ui::BackgroundWindow(), WM_COMMAND,
                                                              IDCANCEL, 0);
                                             });
                                             for (int i = 0; i < 5000 && !ui::CancelRequested();
                                                  ++i)
                                                 Sleep(1);
                                             sawCancel = ui::CancelRequested();
                                             Sleep(50); // the work goes on after the request
                                             finished = true;
                                         },
                                         nullptr});
    EXPECT_TRUE(sawCancel);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(ui::CancelRequested()); // the next work starts afresh
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(BackgroundWorkTest, OffAWorkerWindowCallsRunAtOnce) {
    int runs = 0;
    ui::OnWindowThread([&] { ++runs; });
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(ui::CancelRequested());
    EXPECT_EQ(ui::BackgroundWindow(), nullptr);
}

} // namespace
