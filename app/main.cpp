// Program entry: creates the windows once, main window first, and runs the message loop.
#include "addfiles/AddFilesToZip.h"
#include "mainwindow/Main.h"
#include "mainwindow/NewArchive.h"
#include "settings/Options.h"
#include "ui/Application.h"
#include "windows/FileInfo.h"
#include "windows/TextView.h"
#include "windows/about.h"
#include "wizard/Wizard1.h"
#include "wizard/Wizard1Fur.h"
#include "wizard/Wizard2.h"
#include "wizard/Wizard3.h"
#include "wizard/Wizard4.h"
#include "wizard/WizardNavigator.h"

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
    MainFormStartup startup;
    for (int i = 1; i < __argc; ++i)
        startup.CommandLine.push_back(__argv[i]);
    TMainForm mainForm(state, std::move(startup));
    TfrmOptions options;
    TfrmTextViewer textViewer;
    TAboutBox aboutBox;
    TfrmFileInfo fileInfo;
    TAddform addform(state);
    TWiz1 wiz1(state);
    TWiz2 wiz2(state);
    TWiz1Fur wiz1Fur(state);
    TWiz3 wiz3(state);
    TWiz4 wiz4(state);
    wizard::Navigator wizard({&wiz1, &wiz1Fur, &wiz2, &wiz3, &wiz4}, newarchive::ForWizard());
    mainForm.UseWindows({&options, &textViewer, &aboutBox, &fileInfo, &addform, &wizard});
    app.MainForm = &mainForm;
    // Each window once, the main window first; the others wait hidden.
    mainForm.Create();
    options.Create(mainForm.Handle());
    textViewer.Create();
    aboutBox.Create(mainForm.Handle());
    fileInfo.Create(mainForm.Handle());
    addform.Create(mainForm.Handle());
    wiz1.Create(mainForm.Handle());
    wiz2.Create(mainForm.Handle());
    wiz1Fur.Create(mainForm.Handle());
    wiz3.Create(mainForm.Handle());
    wiz4.Create(mainForm.Handle());

    mainForm.Show();
    int code = ui::RunMessageLoop();
    app.MainForm = nullptr;
    OleUninitialize();
    return code;
}
