// Naming and writing a new archive, one flow for the New command and the wizard.
#pragma once

#include "engine/ZipKeep.h"
#include "ui/Dialogs.h"
#include "wizard/WizardNavigator.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace newarchive {

// Asks for a new archive's name through dialog ("Create new Zip file", zip files): a refused
// name is told, an existing file is taken only after "Overwrite Existing File: ...?" is
// answered Yes. The checked name, or nothing.
std::optional<std::string> ChooseName(HWND owner, ui::FileDialogRequest& dialog);

// Points zip at name and runs add. An existing file of that name is untouched meanwhile:
// the engine writes beside it, and only a complete new archive takes its place. The
// engine's problems are told afterwards.
void Write(HWND owner, TZipKeeper& zip, const std::string& name, const std::function<void()>& add);

// Both, as the wizard's pages ask for them.
wizard::ArchiveMaking ForWizard();

} // namespace newarchive
