// TfrmTextViewer: a read-only plain-text viewer with saving, printing, copying, a forward
// search, line wrapping and a choice of font. One instance lives for the whole run and is
// reused for every text; its font, wrapping and search state carry over between texts.
#pragma once

#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "base/Handle.h"
#include "windows/TextEncoding.h"
#include "windows/TextSearch.h"

#include <string>
#include <vector>

class TfrmTextViewer : public ui::Form {
public:
    TfrmTextViewer() = default;
    ~TfrmTextViewer() override;

    // Replaces the text with a file's content read as plain text, in the encoding it is
    // found to be in (TextEncoding.h); the caption names the file.
    void LoadFromFile(const std::string& path);
    void LoadText(const std::string& text);
    textview::Encoding TextEncoding() const { return encoding_; }
    // Shows the viewer and waits until it closes. A viewer already open without modality
    // cannot be made modal ("Cannot make a visible window modal").
    int ShowModal();

    // What a command hands the viewer: the file to show, and whether the command waits until
    // it is closed (a member's text) or leaves it open beside the main window (the readme).
    struct ViewRequest {
        std::string Path;
        bool Modal = true;
    };
    // Shows the file. A modal showing of a viewer left open without modality steps back and
    // returns modally in front.
    void View(const ViewRequest& request);

    // Menu commands.
    void SaveAs1Click();
    void Print1Click();
    void PrintSetup1Click();
    void Exit1Click();
    void Copy1Click();
    void SelectAll1Click();
    void Find1Click();
    // F3: the last search again, from the current hit on.
    void FindNext1Click();
    void Font1Click();
    void WrapLines1Click();
    void RichEdit1KeyDown(WORD key);
    // The find dialog's Find Next; a search that finds nothing says so.
    void FindDialog1Find(const std::string& text);
    // What the find box holds, in the process code page.
    std::string FindBoxText(const FINDREPLACEA& fr) const;

    // The first character of each page when the text is laid out for a device over a page
    // of this size (twips), as printing lays it out: wrapped at the page width.
    std::vector<LONG> PageStarts(HDC dc, const RECT& pageTwips);
    // Prints the whole text on a printer's device context as one document.
    void PrintText(HDC printer);

    ui::RichEdit& RichEdit1() { return richEdit1_; }
    HMENU Menu() const { return menu_; }
    bool WrapLines() const;
    HWND FindDialog1() const { return findDialog_; }
    // The text as the text area counts it (one character per line break).
    std::wstring DisplayedText() const;
    // The text with CR LF line breaks in the encoding it was read in, as saved.
    std::string SavedText() const;

protected:
    CreateParams GetCreateParams() override;
    void OnCreate() override;
    void OnShow() override;
    void OnCommand(int id, int code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CloseFindDialog();
    // The text area's font for a device, and its colour.
    ui::FontHandle DeviceFont(HDC dc, COLORREF* color) const;

    ui::RichEdit richEdit1_;
    HMENU menu_ = nullptr;
    bool shownBefore_ = false;
    textview::Encoding encoding_ = textview::Encoding::Ansi;
    HWND findDialog_ = nullptr;
    FINDREPLACEA find_{};
    char findWhat_[256] = {};
    std::string lastSearch_;         // what F3 searches for again
    ui::PrintDialogRequest printer_; // the printer chosen in the print and setup dialogs
};

namespace textview {
// The search state of the viewer module, kept for the program's whole run.
SearchState& ModuleSearchState();
} // namespace textview
