#include "ui/BackgroundWork.h"

#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "ui/IdRanges.h"

#include <commctrl.h>

#include <atomic>
#include <exception>
#include <thread>
#include <utility>

namespace ui {

namespace {

constexpr int IDC_WORK_PROGRESS = 3500;
constexpr int kWindowIds[] = {IDC_WORK_PROGRESS};
static_assert(IdsValid(kWindowIds, kProgressWindowIds));

constexpr UINT kRunOnWindowThread = WM_APP + 40; // lParam: a WindowCall
constexpr UINT kWorkEnded = WM_APP + 41;
constexpr UINT kStartWork = WM_APP + 42;
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollMs = 50;

struct WindowCall {
    const std::function<void()>* Fn;
    std::exception_ptr Failure;
};

const ControlSpec kControls[] = {
    {PROGRESS_CLASSA, IDC_WORK_PROGRESS, "", {12, 12, 288, 30}, WS_VISIBLE},
    {"BUTTON", IDCANCEL, "Cancel", {113, 42, 187, 66}, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
};

// The window that stands over the owner while the work runs. Its modal loop is the one the
// window thread runs meanwhile: it takes the worker's calls, polls the progress and ends when
// the worker says the work has ended. Cancel only asks: the work decides when it stops.
class ProgressWindow : public Form {
public:
    explicit ProgressWindow(const std::function<int()>& position) : position_(position) {}

    void RequestCancel() {
        cancel_ = true;
        if (HWND button = Control(IDCANCEL)) EnableWindow(button, FALSE);
    }
    bool CancelRequested() const { return cancel_; }
    // Runs once, from the modal loop, after the window was first shown.
    void OnShown(std::function<void()> start) { start_ = std::move(start); }

protected:
    CreateParams GetCreateParams() override { return FixedDialog(App().Title, 300, 78); }
    void OnCreate() override {
        CreateControls(kControls);
        bar_.Attach(Control(IDC_WORK_PROGRESS));
        bar_.SetRange(0, 100);
        SetTimer(Handle(), kPollTimer, kPollMs, nullptr);
    }
    void OnShow() override { PostMessageA(Handle(), kStartWork, 0, 0); }
    // The work ends at its own pace, even when the program is asked to quit meanwhile.
    bool EndsOnQuit() const override { return false; }
    // Enter presses Cancel, the one button; Esc and the close box cancel too.
    void OnOK() override { RequestCancel(); }
    void OnCancel() override { RequestCancel(); }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
        case kRunOnWindowThread: {
            auto* call = reinterpret_cast<WindowCall*>(lp);
            try {
                (*call->Fn)();
            } catch (...) {
                call->Failure = std::current_exception();
            }
            return 0;
        }
        case kStartWork:
            if (start_) std::exchange(start_, nullptr)();
            return 0;
        case kWorkEnded:
            Poll();
            CloseModal(mrOk);
            return 0;
        case WM_TIMER:
            if (wp != kPollTimer) break;
            Poll();
            return 0;
        default:
            break;
        }
        return Form::HandleMessage(msg, wp, lp);
    }

private:
    void Poll() {
        if (!position_) return;
        const int p = position_();
        if (p >= 0) bar_.SetPosition(p);
    }

    std::function<int()> position_;
    std::function<void()> start_;
    ProgressBar bar_;
    std::atomic<bool> cancel_{false};
};

// The one running work: its window (set and cleared on the window thread, read by the worker
// only while the window exists).
std::atomic<ProgressWindow*> g_window{nullptr};
thread_local bool t_worker = false;

// A question asked on the window thread; its answer.
template <class Fn> auto Ask(Fn fn) {
    decltype(fn()) answer{};
    OnWindowThread([&] { answer = fn(); });
    return answer;
}

// The worker's dialog seam: every box and dialog is shown on the window thread, over the
// progress window, by the seam in force there.
class WindowThreadDialogs : public DialogSeam {
public:
    void Info(HWND, const std::string& text) override {
        OnWindowThread([&] { Dialogs().Info(BackgroundWindow(), text); });
    }
    void InfoUtf8(HWND, const std::string& text) override {
        OnWindowThread([&] { Dialogs().InfoUtf8(BackgroundWindow(), text); });
    }
    bool Confirm(HWND, const std::string& text, DefaultAnswer answer) override {
        return Ask([&] { return Dialogs().Confirm(BackgroundWindow(), text, answer); });
    }
    void Error(HWND, const std::string& text) override {
        OnWindowThread([&] { Dialogs().Error(BackgroundWindow(), text); });
    }
    bool OpenFile(HWND, FileDialogRequest& r) override {
        return Ask([&] { return Dialogs().OpenFile(BackgroundWindow(), r); });
    }
    bool SaveFile(HWND, FileDialogRequest& r) override {
        return Ask([&] { return Dialogs().SaveFile(BackgroundWindow(), r); });
    }
    bool PickFont(HWND, FontChoice& font) override {
        return Ask([&] { return Dialogs().PickFont(BackgroundWindow(), font); });
    }
    bool PickColor(HWND, COLORREF& color) override {
        return Ask([&] { return Dialogs().PickColor(BackgroundWindow(), color); });
    }
    bool PrintDialog(HWND, PrintDialogRequest& r) override {
        return Ask([&] { return Dialogs().PrintDialog(BackgroundWindow(), r); });
    }
    bool PrintSetupDialog(HWND, PrintDialogRequest& r) override {
        return Ask([&] { return Dialogs().PrintSetupDialog(BackgroundWindow(), r); });
    }
    HWND ShowFindDialog(FINDREPLACEA& r) override {
        return Ask([&] { return Dialogs().ShowFindDialog(r); });
    }
    int ShowModal(Form& form) override {
        return Ask([&] { return Dialogs().ShowModal(form); });
    }
    std::optional<std::any> ShowDialog(const DialogCall& call) override {
        return Ask([&] { return Dialogs().ShowDialog(call); });
    }

};

// Lets the worker's calls to this thread run until it has ended, when the modal loop was
// left early (the program is quitting): it may be waiting for an answer.
void AnswerUntilEnded(const std::atomic<bool>& ended) {
    while (!ended) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

} // namespace

void RunInBackground(HWND owner, const BackgroundWork& work) {
    // Work started from inside work runs where it was started.
    if (t_worker || g_window.load()) {
        work.Work();
        return;
    }
    ProgressWindow window(work.Position);
    window.Create(owner);
    const HWND handle = window.Handle();
    g_window = &window;
    std::exception_ptr failure;
    std::atomic<bool> ended{false};
    std::thread worker;
    // The work starts once the window is on screen, so Cancel is there from its beginning.
    window.OnShown([&] {
        worker = std::thread([&] {
            t_worker = true;
            WindowThreadDialogs seam;
            SetThreadDialogs(&seam);
            try {
                work.Work();
            } catch (...) {
                failure = std::current_exception();
            }
            SetThreadDialogs(nullptr);
            ended = true;
            PostMessageA(handle, kWorkEnded, 0, 0);
        });
    });
    window.RunModal();
    if (worker.joinable()) {
        if (!ended) {
            window.RequestCancel();
            AnswerUntilEnded(ended);
        }
        worker.join();
    }
    g_window = nullptr;
    if (failure) std::rethrow_exception(failure);
}

void OnWindowThread(const std::function<void()>& fn) {
    ProgressWindow* window = g_window.load();
    if (!t_worker || !window) {
        fn();
        return;
    }
    WindowCall call{&fn, nullptr};
    SendMessageA(window->Handle(), kRunOnWindowThread, 0, reinterpret_cast<LPARAM>(&call));
    if (call.Failure) std::rethrow_exception(call.Failure);
}

bool OnWorkerThread() {
    return t_worker;
}

bool BackgroundRunning() {
    return g_window.load() != nullptr;
}

bool CancelRequested() {
    ProgressWindow* window = g_window.load();
    return window && window->CancelRequested();
}

void RequestCancel() {
    if (ProgressWindow* window = g_window.load()) window->RequestCancel();
}

HWND BackgroundWindow() {
    ProgressWindow* window = g_window.load();
    return window ? window->Handle() : nullptr;
}

} // namespace ui
