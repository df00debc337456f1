// Program entry: creates the windows once, main window first, and runs the message loop.
#include "addfiles/AddFilesToZip.h"
#include "mainwindow/CommandLine.h"
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
#include <shellapi.h>

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
    // Read in Unicode and turned into the process code page here: a name it cannot hold
    // comes by its 8.3 form, or is told (only before Windows 10 1903, which has no UTF-8 code
    // page).
    std::vector<std::wstring> arguments;
    int argc = 0;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
        LocalFree(argv);
    }
    startup::CommandLineArguments read = startup::ReadCommandLine(arguments, GetACP());
    startup.CommandLine = std::move(read.Names);
    startup.CommandLineProblem = std::move(read.FirstProblem);
    TMainForm mainForm(state, std::move(startup));
    TfrmOptions options;
    TfrmTextViewer textViewer;
    TAboutBox aboutBox;
    TfrmFileInfo fileInfo;
    TAddform addform(state.AddDialogCancelled);
    TWiz1 wiz1;
    TWiz2 wiz2(state.CurrentArchiveName);
    TWiz1Fur wiz1Fur;
    TWiz3 wiz3(state.CurrentArchiveName);
    TWiz4 wiz4;
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
