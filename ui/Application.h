// Application-wide state: title, instance, the main window, the cursor override and
// message pumping while a long command runs.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class Form;

enum class AppCursor { Default, HourGlass, Arrow };

struct Application {
    std::string Title = "Kelvora 98";
    std::string HelpFile;
    HINSTANCE Instance = nullptr;
    Form* MainForm = nullptr;
};

Application& App();

// Shows the given cursor over every window of the program until changed again; Default
// gives each window its normal cursor back.
void SetAppCursor(AppCursor cursor);
AppCursor GetAppCursor();
// Called by windows on WM_SETCURSOR: true when an override cursor was set.
bool ApplyAppCursor();

// Shows the hourglass for a scope and puts back the cursor that was there before.
class WaitCursor {
public:
    WaitCursor() : previous_(GetAppCursor()) { SetAppCursor(AppCursor::HourGlass); }
    ~WaitCursor() { SetAppCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    AppCursor previous_;
};

// Lets pending window messages run, so windows repaint during a long command.
void ProcessMessages();
// Dispatches one message the way the main loop does (accelerators, dialog keys).
void DispatchOne(MSG& msg);
// Runs the main message loop until WM_QUIT.
int RunMessageLoop();

} // namespace ui
