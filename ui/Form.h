// Base class of every top-level window and dialog. The window procedure finds the object,
// catches every exception (shown in the application's error box) and routes messages to a
// few virtuals; a concrete form overrides only what it needs.
#pragma once

#include "base/Handle.h"
#include "ui/Dpi.h"
#include "ui/Layout.h"

#include <windows.h>

#include <span>
#include <string>

namespace ui {

enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

class Form {
public:
    Form() = default;
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND Handle() const { return hwnd_; }
    // Creates the window, hidden; runs OnCreate. Done once per form.
    void Create(HWND owner = nullptr);
    void Show();
    void Hide();
    // From the next showing on, the window is shown maximized (its design size is the size
    // it is restored to).
    void SetShowMaximized(bool on) { showMaximized_ = on; }
    bool Visible() const { return hwnd_ && IsWindowVisible(hwnd_); }
    void Close() {
        if (hwnd_) SendMessageA(hwnd_, WM_CLOSE, 0, 0);
    }
    void SetCaption(const std::string& text) { SetWindowTextA(hwnd_, text.c_str()); }
    std::string Caption() const;

    // Shows the form modally through the dialog seam and returns its modal result.
    int ShowModal();
    // Ends a modal showing with this result (a form shown without modality just hides).
    void CloseModal(int result);
    // The real modal loop, used by the production seam.
    int RunModal();
    bool InModalLoop() const { return inModal_; }
    // Setting a result other than mrNone ends a modal loop.
    void SetModalResult(int result) { modalResult_ = result; }
    int GetModalResult() const { return modalResult_; }

    // Whether the main loop should give this top-level window dialog keyboard handling.
    static bool IsDialogLike(HWND top);
    // Gives a top-level window that is not a form (a modeless common dialog) the same
    // keyboard handling in the message loop.
    static void SetDialogLike(HWND top);
    // The form behind a top-level window of ours, or nullptr.
    static Form* FromHandle(HWND hwnd);
    // The window's own keyboard shortcuts (nullptr when it has none).
    HACCEL Accelerators() const { return accelerators_; }
    // A child created from the form's control table.
    HWND Control(int id) const { return layout_.Find(id); }
    // The DPI the window is laid out for; design pixels are scaled to it.
    int Dpi() const { return dpi_; }
    // Where a control of the table belongs now, in client coordinates.
    RECT PlacedControl(int id) const;
    // The controls made from the form's tables, with their designs.
    const ControlLayout& Layout() const { return layout_; }

protected:
    // Sizes here are design pixels at 96 DPI; the window scales them to its own DPI.
    struct CreateParams {
        std::string Caption;
        DWORD Style = WS_OVERLAPPEDWINDOW;
        DWORD ExStyle = WS_EX_CONTROLPARENT;
        int ClientWidth = 400;
        int ClientHeight = 300;
        bool Centered = true;
        HMENU Menu = nullptr;
        bool DialogKeys = true; // Tab, Enter and Esc move between controls
        // Resource ID of the window's shortcuts: they work for input to the window or its
        // controls while it is enabled.
        int AcceleratorTable = 0;
        // The smallest client area the user can drag a resizable window to (0: no limit),
        // so that controls anchored to opposite edges never run over each other.
        SIZE MinClientSize{0, 0};
    };
    virtual CreateParams GetCreateParams() = 0;
    // A fixed-size modal dialog: caption, close box, dialog frame.
    static CreateParams FixedDialog(const std::string& caption, int clientWidth, int clientHeight) {
        CreateParams p;
        p.Caption = caption;
        p.Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        p.ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
        p.ClientWidth = clientWidth;
        p.ClientHeight = clientHeight;
        return p;
    }
    virtual void OnCreate() {}
    // At every showing: a dialog refills its controls here.
    virtual void OnShow() {}
    // IDOK (the OK button, Enter): a dialog validates, copies its values out, then calls
    // this base version, which ends the modal showing with mrOk.
    virtual void OnOK() { CloseModal(mrOk); }
    // IDCANCEL (the Cancel button, Esc, the close box of a modal form).
    virtual void OnCancel() { CloseModal(mrCancel); }
    virtual void OnCommand(int id, int code, HWND control) { (void)id, (void)code, (void)control; }
    // Returns true when handled; result goes back to the sender.
    virtual bool OnNotify(NMHDR* header, LRESULT& result) {
        (void)header, (void)result;
        return false;
    }
    virtual void OnSize(int width, int height) { (void)width, (void)height; }
    // After the window moved to a monitor of another DPI: the table's controls are placed and
    // given the new form font already; a form rescales what it placed or drew itself.
    virtual void OnDpiChanged(int oldDpi, int newDpi) { (void)oldDpi, (void)newDpi; }
    // Return false to keep the window open.
    virtual bool OnCloseQuery() { return true; }
    // Whether a quit message ends the form's modal loop; a form that must see its showing to
    // the end holds the quit back until then.
    virtual bool EndsOnQuit() const { return true; }
    virtual void OnDestroy() {}
    // Other messages; the default hands them on to DefWindowProc.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
        return DefWindowProcA(hwnd_, msg, wp, lp);
    }

    // Creates the controls of a table with the form's font; anchored ones follow resizing.
    void CreateControls(std::span<const ControlSpec> specs);
    // Creates a child control with the form's font; returns its window.
    HWND CreateChild(const char* className, const std::string& text, DWORD style, int x, int y,
                     int w, int h, int id, DWORD exStyle = 0);
    HFONT Font() const;
    // A design length (96 DPI) at the window's DPI.
    int Scale(int designPixels) const { return ScaleToDpi(designPixels, dpi_); }

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Route(UINT msg, WPARAM wp, LPARAM lp);
    void MakeFont();
    void ChangeDpi(int dpi, const RECT* suggested);

    HWND hwnd_ = nullptr;
    HACCEL accelerators_ = nullptr; // resource tables are freed with the module
    ControlLayout layout_;
    SIZE minClient_{0, 0}; // design pixels
    int dpi_ = kDesignDpi;
    FontHandle scaledFont_; // the dialog font made for a DPI other than the system's
    int modalResult_ = mrNone;
    bool inModal_ = false;
    bool showMaximized_ = false;
};

} // namespace ui
