// The one seam every message box, common dialog and modal window goes through.
// Production uses the real Windows dialogs; a test installs its own implementation that
// answers from a script and records every text shown.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <any>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ui {

class Form;

// Input and output of the open and save dialogs. Filter uses the "Text|*.ext|..." form.
struct FileDialogRequest {
    std::string Title;
    std::string Filter;
    std::string DefaultExt;
    std::string InitialDir;
    DWORD Options = 0;    // OFN_* flags
    std::string FileName; // in: proposed name; out: the chosen path
    // out: every chosen path in the dialog's order (one with a single selection; several
    // with OFN_ALLOWMULTISELECT). FileName is then the first.
    std::vector<std::string> FileNames;
};

// The paths a file dialog with OFN_EXPLORER returns in its buffer: one full path, or a
// folder followed by the chosen names, each ended by NUL, the list by a second NUL.
// fileOffset is the dialog's nFileOffset: the first name starts there, and only behind a
// NUL (a folder alone) does the buffer hold several names; otherwise the single path ends
// at its NUL, whatever the buffer held behind it.
std::vector<std::string> SplitDialogFiles(const char* buffer, size_t fileOffset);

// The font dialog's value: the font and its colour.
struct FontChoice {
    LOGFONTA Font{};
    COLORREF Color = 0;
    int PointSize10 = 0; // out: the chosen size in tenths of a point
};

// The print and printer setup dialogs. The printer choice (DevMode, DevNames) is kept by the
// caller between showings; the print dialog hands out a device context the caller deletes.
struct PrintDialogRequest {
    HGLOBAL DevMode = nullptr;
    HGLOBAL DevNames = nullptr;
    HDC Dc = nullptr;
};

// One showing of a typed dialog (see Dialog.h): which dialog, for whom, with what request,
// and how to show the real window. Run returns the dialog's result, or nothing on Cancel.
struct DialogCall {
    std::string Name;
    HWND Owner = nullptr;
    std::any Request;
    std::function<std::optional<std::any>()> Run;
};

// The button Enter presses in a confirmation box.
enum class DefaultAnswer { Yes, No };

class DialogSeam {
public:
    virtual ~DialogSeam() = default;
    // Information box: modal, no icon, one OK button, titled with the application's title.
    virtual void Info(HWND owner, const std::string& text) = 0;
    // The same for a text in UTF-8 (the engines' messages, which name members in any script).
    virtual void InfoUtf8(HWND owner, const std::string& text) = 0;
    // Confirmation box: titled "Confirm", question icon, Yes and No. True for Yes. The
    // default button is Yes unless the question is one where No is the safe answer.
    virtual bool Confirm(HWND owner, const std::string& text,
                         DefaultAnswer answer = DefaultAnswer::Yes) = 0;
    // The application's error box for an exception that ended a command.
    virtual void Error(HWND owner, const std::string& text) = 0;
    virtual bool OpenFile(HWND owner, FileDialogRequest& request) = 0;
    virtual bool SaveFile(HWND owner, FileDialogRequest& request) = 0;
    // The font dialog (screen fonts with effects, no size limits), starting at the given
    // font; true on OK with the choice in it.
    virtual bool PickFont(HWND owner, FontChoice& font) = 0;
    // The colour dialog, starting at the given colour; true on OK with the choice in it.
    virtual bool PickColor(HWND owner, COLORREF& color) = 0;
    // The print dialog; on OK request.Dc is the chosen printer's device context.
    virtual bool PrintDialog(HWND owner, PrintDialogRequest& request) = 0;
    virtual bool PrintSetupDialog(HWND owner, PrintDialogRequest& request) = 0;
    // Shows the modeless find dialog and returns its window (nullptr when none is shown);
    // its presses reach request.hwndOwner as the registered FINDMSGSTRING message.
    virtual HWND ShowFindDialog(FINDREPLACEA& request) = 0;
    // Shows a form modally and returns its modal result.
    virtual int ShowModal(Form& form) = 0;
    // Shows a typed dialog; its result, or nothing when it was cancelled.
    virtual std::optional<std::any> ShowDialog(const DialogCall& call) = 0;
};

// The implementation in force: the real one unless a test installed another.
DialogSeam& Dialogs();
// Installs a replacement (nullptr puts the real dialogs back). The caller keeps ownership.
void SetDialogs(DialogSeam* seam);
// For the calling thread only: every dialog goes through this seam instead (nullptr: the one
// in force for all). A worker thread hands its dialogs to the window thread this way.
void SetThreadDialogs(DialogSeam* seam);

// The window message boxes belong to: the active window of this thread, if any.
HWND DefaultOwner();

// Shorthands for the common cases.
inline void ShowMessage(const std::string& text) {
    Dialogs().Info(DefaultOwner(), text);
}
inline bool ConfirmBox(const std::string& text) {
    return Dialogs().Confirm(DefaultOwner(), text);
}

} // namespace ui
