// Long work off the window's thread: the work runs on a worker thread while a small modal
// window with a progress bar and Cancel stands over its owner. Every other window of the
// thread is disabled meanwhile and the window thread keeps answering, so windows repaint and
// nothing re-enters the command that started the work. Whatever the worker needs of a window
// (a question, a box, a refreshed list) it hands to the window thread and waits for.
#pragma once

#include <windows.h>

#include <functional>

namespace ui {

struct BackgroundWork {
    // Runs on the worker thread.
    std::function<void()> Work;
    // Polled on the window thread while the work runs: the bar's percentage, or -1 to leave
    // the bar where it is.
    std::function<int()> Position;
};

// Runs the work as described above and returns when it has ended; an exception the work
// raised is raised again here, on the window thread. Called on a worker (work started from
// inside work), the work simply runs there.
void RunInBackground(HWND owner, const BackgroundWork& work);

// On the worker of a running background work: runs fn on the window thread and waits for it
// (an exception fn raised is raised again on the worker). Anywhere else: runs fn at once.
void OnWindowThread(const std::function<void()>& fn);

// True on the worker thread of a running background work.
bool OnWorkerThread();
// True while a background work runs.
bool BackgroundRunning();
// True once the user asked the running work to stop (Cancel, Esc, the close box).
bool CancelRequested();
// Asks the running work to stop, as Cancel does; the window stays until the work has ended.
void RequestCancel();
// The progress window of the running work, or nullptr.
HWND BackgroundWindow();

} // namespace ui
