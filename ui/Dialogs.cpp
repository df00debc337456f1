#include "ui/Dialogs.h"

#include "ui/Application.h"
#include "ui/Form.h"

#include <commdlg.h>

#include <vector>

namespace ui {

namespace {

// "Text|*.a|Other|*.b" becomes the NUL-separated, double-NUL-terminated form.
std::vector<char> FilterBuffer(const std::string& filter) {
    std::vector<char> buf(filter.begin(), filter.end());
    for (char& c : buf)
        if (c == '|') c = '\0';
    buf.push_back('\0');
    buf.push_back('\0');
    return buf;
}

bool RunFileDialog(HWND owner, FileDialogRequest& req, bool save) {
    std::vector<char> filter = FilterBuffer(req.Filter);
    char file[MAX_PATH * 4] = {};
    req.FileName.copy(file, sizeof(file) - 1);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = req.Filter.empty() ? nullptr : filter.data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrTitle = req.Title.empty() ? nullptr : req.Title.c_str();
    ofn.lpstrDefExt = req.DefaultExt.empty() ? nullptr : req.DefaultExt.c_str();
    ofn.lpstrInitialDir = req.InitialDir.empty() ? nullptr : req.InitialDir.c_str();
    ofn.Flags = req.Options | OFN_EXPLORER;
    BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return false;
    req.FileName = file;
    return true;
}

bool RunPrintDialog(HWND owner, PrintDialogRequest& req, DWORD flags) {
    PRINTDLGA pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = owner;
    pd.hDevMode = req.DevMode;
    pd.hDevNames = req.DevNames;
    pd.Flags = flags;
    pd.nCopies = 1;
    BOOL ok = PrintDlgA(&pd);
    // The dialog may replace the printer choice even when it is cancelled.
    req.DevMode = pd.hDevMode;
    req.DevNames = pd.hDevNames;
    if (!ok) return false;
    req.Dc = pd.hDC;
    return true;
}

class RealDialogs : public DialogSeam {
public:
    void Info(HWND owner, const std::string& text) override {
        MessageBoxA(owner, text.c_str(), App().Title.c_str(), MB_OK);
    }
    bool Confirm(HWND owner, const std::string& text) override {
        return MessageBoxA(owner, text.c_str(), "Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    void Error(HWND owner, const std::string& text) override {
        MessageBoxA(owner, text.c_str(), App().Title.c_str(), MB_OK | MB_ICONSTOP);
    }
    bool OpenFile(HWND owner, FileDialogRequest& request) override {
        return RunFileDialog(owner, request, false);
    }
    bool SaveFile(HWND owner, FileDialogRequest& request) override {
        return RunFileDialog(owner, request, true);
    }
    bool PickFont(HWND owner, FontChoice& font) override {
        LOGFONTA lf = font.Font;
        CHOOSEFONTA cf{};
        cf.lStructSize = sizeof cf;
        cf.hwndOwner = owner;
        cf.lpLogFont = &lf;
        cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
        cf.rgbColors = font.Color;
        if (!ChooseFontA(&cf)) return false;
        font.Font = lf;
        font.Color = cf.rgbColors;
        font.PointSize10 = cf.iPointSize;
        return true;
    }
    bool PickColor(HWND owner, COLORREF& color) override {
        CHOOSECOLORA cc{};
        cc.lStructSize = sizeof cc;
        cc.hwndOwner = owner;
        cc.rgbResult = color;
        cc.lpCustColors = customColors_;
        cc.Flags = CC_RGBINIT;
        if (!ChooseColorA(&cc)) return false;
        color = cc.rgbResult;
        return true;
    }
    bool PrintDialog(HWND owner, PrintDialogRequest& request) override {
        return RunPrintDialog(owner, request, PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS);
    }
    bool PrintSetupDialog(HWND owner, PrintDialogRequest& request) override {
        return RunPrintDialog(owner, request, PD_PRINTSETUP);
    }
    HWND ShowFindDialog(FINDREPLACEA& request) override { return ::FindTextA(&request); }
    int ShowModal(Form& form) override { return form.RunModal(); }
    std::optional<std::any> ShowDialog(const DialogCall& call) override { return call.Run(); }

private:
    // The colour dialog's custom colours, kept for the whole run as the user set them.
    COLORREF customColors_[16] = {};
};

RealDialogs g_real;
DialogSeam* g_current = &g_real;

} // namespace

DialogSeam& Dialogs() {
    return *g_current;
}

void SetDialogs(DialogSeam* seam) {
    g_current = seam ? seam : &g_real;
}

HWND DefaultOwner() {
    HWND active = GetActiveWindow();
    if (active) return active;
    if (App().MainForm) return App().MainForm->Handle();
    return nullptr;
}

} // namespace ui
