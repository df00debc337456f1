// TMainForm: the options dialog's command and the browser registration at start-up.
#include "mainwindow/Main.h"

#include "settings/Options.h"
#include "ui/Dialogs.h"

void TMainForm::Options1Click() {
    if (TfrmOptions* w = windows_.Options)
        EditOptions(*w, Handle(), IniFile(), state_.Settings, browserRoots_,
                    browsers::ProgramPath());
}

void TMainForm::ApplyBrowserRegistration() {
    if (std::optional<std::string> error = browsers::ApplyBrowserRegistration(
            browserRoots_, state_.Settings.Netscape, state_.Settings.IE, browsers::ProgramPath()))
        ui::Dialogs().Error(Handle(), *error);
}
