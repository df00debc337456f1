// TMainForm: viewing members as text, running or opening them, automatic setup, and the Help
// menu's readme, contents and links. Each command unpacks into a fresh folder below TempDir.
#include "mainwindow/Main.h"

#include "base/CodePages.h"
#include "engine/PathUtil.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "windows/TextView.h"

#include <optional>
#include <stdexcept>

namespace {

std::string HelpFileName() {
    const std::string& set = ui::App().HelpFile;
    return set.empty() ? kpath::ChangeFileExt(kpath::ProgramPath(), ".hlp") : set;
}

} // namespace

std::optional<std::string> TMainForm::UnpackedRowPath(const std::string& folder, int row) const {
    // Extraction writes a member under its decoded name, which the row shows; the stored bytes
    // only name it to the engine. Unsafe names are never formed into a path.
    const std::wstring shown = RowShownName(row);
    const int n = WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, shown.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    const std::optional<std::string> checked = members::UnpackedPath(folder, utf8);
    if (!checked) return std::nullopt;
    // A UTF-8 process code page holds every name as it is, at any length.
    if (kname::ProcessCodePageIsUtf8()) return checked;
    std::wstring wide(
        static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, nullptr, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(wcslen(wide.c_str()));
    wide += L'\\';
    for (wchar_t c : shown)
        wide += c == L'/' ? L'\\' : c;
    // The program's file functions take the ANSI code page; a name outside it is reached by
    // the short name the file system gives it.
    BOOL lossy = FALSE;
    char ansi[MAX_PATH * 2] = {};
    const int got = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, ansi,
                                        sizeof ansi, nullptr, &lossy);
    if (got > 0 && !lossy) return std::string(ansi);
    wchar_t shortName[MAX_PATH] = {};
    if (GetShortPathNameW(wide.c_str(), shortName, MAX_PATH) > 0 &&
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, shortName, -1, ansi, sizeof ansi, nullptr,
                            &lossy) > 0 &&
        !lossy)
        return std::string(ansi);
    return checked; // not reachable by name: the caller says it cannot open it
}

void TMainForm::ListView1DblClick() {
    // The focused row, not the one under the pointer: a double click on empty space runs it.
    const int focused = listView1_.FocusedRow();
    if (zipKeeper1_->Count() == 0 || focused < 0) return;
    RunMember(RowEntryName(focused), focused);
}

void TMainForm::SpeedButton3Click() {
    ListView1DblClick();
}

void TMainForm::RunMember(const std::string& member, int row) {
    // Kept at the end: the started program may still have the file open.
    const std::string folder = scratch_.Make(tempDir_, members::ScratchFolders::Keep);
    if (!ExtractMembers(folder, {member}, false)) return;
    const std::optional<std::string> path =
        row >= 0 ? UnpackedRowPath(folder, row) : members::UnpackedPath(folder, member);
    if (path && kpath::FileExists(*path)) RunFile(*path);
}

bool TMainForm::RunFile(const std::string& path) {
    // The system starts nothing at MAX_PATH or more: a deeper file goes by its short form.
    const std::optional<std::string> startable = members::StartablePath(path);
    DWORD error = ERROR_FILENAME_EXCED_RANGE;
    if (startable && !members::IsProgramFile(*startable)) {
        if (launch_.Open) launch_.Open(*startable);
        return true;
    }
    if (startable) error = members::StartProgram(*startable);
    if (error == ERROR_SUCCESS) return true;
    // Wine's new process looks its own image up by the long name, which fails beyond
    // MAX_PATH whatever form it was started by: the depth is the reason, not the name.
    if (path.size() >= MAX_PATH) error = ERROR_FILENAME_EXCED_RANGE;
    ui::ShowMessage(kpath::CannotText("start", path, error));
    return false;
}

void TMainForm::btnViewSelectedClick() {
    TfrmTextViewer* viewer = windows_.TextViewer;
    if (!viewer || zipKeeper1_->Count() == 0 || GetFocus() != listView1_.Handle()) return;
    std::string folder; // one unpacking serves every selected row of this command
    bool allOut = true;
    for (int i = 0; i < listView1_.ItemCount(); ++i) {
        if (!listView1_.IsSelected(i)) continue;
        if (folder.empty()) {
            folder = scratch_.Make(tempDir_, members::ScratchFolders::RemoveAtEnd);
            allOut = ExtractSelectedTo(folder);
        }
        const std::optional<std::string> path = UnpackedRowPath(folder, i);
        // A member that did not come out was told in the extraction's box, with the reason;
        // a second box about the missing copy would only repeat it less clearly.
        if (!allOut && !(path && kpath::FileExists(*path))) return;
        if (!path) throw std::runtime_error("Cannot open file " + folder + "\\" + RowEntryName(i));
        ShowMemberText(*viewer, *path);
    }
}

void TMainForm::ShowMemberText(TfrmTextViewer& viewer, const std::string& path) {
    // Modal, so the next row waits until this one is closed.
    viewer.View({path, true});
}

std::string TMainForm::FindSetupMember() const {
    return members::FindSetupName(zipKeeper1_->Count(), [&](std::size_t i) {
        return std::string_view(zipKeeper1_->Entry(static_cast<int>(i)).FileName);
    });
}

bool TMainForm::AutoInstall() {
    const std::string setup = FindSetupMember();
    if (setup.empty()) {
        ui::ShowMessage("Setup.exe or Install.exe not found");
        return false;
    }
    // Kept at the end: the setup program may need its files after this program is gone.
    const std::string folder = scratch_.Make(tempDir_, members::ScratchFolders::Keep);
    // An installation with members missing is not started; the box said which.
    if (!ExtractAllTo(folder)) return false;
    const std::optional<std::string> path = members::UnpackedPath(folder, setup);
    if (!path || !kpath::FileExists(*path)) return false;
    return RunFile(*path);
}

void TMainForm::btnInstallClick() {
    if (zipKeeper1_->Count() == 0) return;
    AutoInstall();
}

bool TMainForm::AutoInstallAfterOpen() {
    if (!state_.Settings.AutoRun || zipKeeper1_->Count() == 0) return false;
    const std::string setup = FindSetupMember();
    if (setup.empty()) return false;
    // An archive from anywhere may carry a program: it starts only when the user says so.
    const std::string question =
        "Run " + setup + " from " + kpath::ExtractFileName(zipKeeper1_->ZipFilename()) + " now?";
    if (!ui::Dialogs().Confirm(Handle(), question, ui::DefaultAnswer::No)) return false;
    // However the archive was opened: once its setup has started and the user asked for it,
    // the program has done its job and closes.
    const bool started = AutoInstall();
    if (started && state_.Settings.AutoExit) PostMessageA(Handle(), WM_CLOSE, 0, 0);
    return started;
}

void TMainForm::Readmetxt1Click() {
    TfrmTextViewer* viewer = windows_.TextViewer;
    if (!viewer) return;
    viewer->View({kpath::ExtractFilePath(kpath::ProgramPath()) + "readme.txt", false});
}

void TMainForm::Contents1Click() {
    if (launch_.Help) launch_.Help(Handle(), HelpFileName(), HELP_CONTENTS);
}

void TMainForm::PelvoxHomePage1Click() {
    if (launch_.Open) launch_.Open(members::kHomePage);
}
void TMainForm::LatestVersion1Click() {
    if (launch_.Open) launch_.Open(members::kProductPage);
}
void TMainForm::SendUsYourComments1Click() {
    if (launch_.Open) launch_.Open(members::kCommentsMail);
}
