// Program entry: creates the windows once, main window first, and runs the message loop.
#include "mainwindow/Main.h"
#include "ui/Application.h"
#include "windows/TextView.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    ui::Application& app = ui::App();
    app.Instance = instance;

    kelvora::SharedState state;
    TMainForm mainForm(state);
    app.MainForm = &mainForm;
    for (int i = 1; i < __argc; ++i)
        mainForm.CommandLine.push_back(__argv[i]);
    mainForm.Create();
    TfrmTextViewer textViewer;
    textViewer.Create();
    frmTextViewer = &textViewer;

    mainForm.Show();
    int code = ui::RunMessageLoop();
    frmTextViewer = nullptr;
    app.MainForm = nullptr;
    OleUninitialize();
    return code;
}
