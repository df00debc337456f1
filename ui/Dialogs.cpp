#include "ui/Dialogs.h"

#include "ui/Application.h"
#include "ui/Form.h"

#include <commdlg.h>

#include <cstring>
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
    // Room for many names when several may be chosen.
    // A fresh, zeroed buffer for every showing, holding at most the proposed name: nothing of
    // an earlier, longer name may follow the one the user picks.
    std::vector<char> file(req.Options & OFN_ALLOWMULTISELECT ? 0x10000 : MAX_PATH * 4, '\0');
    req.FileName.copy(file.data(), file.size() - 2);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = req.Filter.empty() ? nullptr : filter.data();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrTitle = req.Title.empty() ? nullptr : req.Title.c_str();
    ofn.lpstrDefExt = req.DefaultExt.empty() ? nullptr : req.DefaultExt.c_str();
    ofn.lpstrInitialDir = req.InitialDir.empty() ? nullptr : req.InitialDir.c_str();
    ofn.Flags = req.Options | OFN_EXPLORER;
    BOOL ok = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) return false;
    req.FileNames = SplitDialogFiles(file.data(), ofn.nFileOffset);
    req.FileName = req.FileNames.empty() ? std::string(file.data()) : req.FileNames.front();
    return true;
}

std::wstring Widen(const std::string& text, UINT codePage) {
    std::wstring wide(text.size(), L'\0');
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
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
    void InfoUtf8(HWND owner, const std::string& text) override {
        MessageBoxW(owner, Widen(text, CP_UTF8).c_str(), Widen(App().Title, CP_ACP).c_str(), MB_OK);
    }
    bool Confirm(HWND owner, const std::string& text,
                 DefaultAnswer answer = DefaultAnswer::Yes) override {
        const UINT button = answer == DefaultAnswer::No ? MB_DEFBUTTON2 : MB_DEFBUTTON1;
        return MessageBoxA(owner, text.c_str(), "Confirm", MB_YESNO | MB_ICONQUESTION | button) ==
               IDYES;
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

std::vector<std::string> SplitDialogFiles(const char* buffer, size_t fileOffset) {
    // One path ends at its NUL, whatever follows it in the buffer; only a NUL right before
    // the first name's offset means a folder followed by several names.
    const size_t first = std::strlen(buffer);
    if (fileOffset <= first) {
        if (first == 0) return {};
        return {std::string(buffer, first)};
    }
    std::vector<std::string> parts;
    for (const char* p = buffer; *p; p += parts.back().size() + 1)
        parts.emplace_back(p);
    if (parts.size() <= 1) return parts;
    std::string folder = parts.front();
    if (folder.back() != '\\') folder += '\\';
    std::vector<std::string> paths;
    for (size_t i = 1; i < parts.size(); ++i)
        paths.push_back(folder + parts[i]);
    return paths;
}

namespace {
thread_local DialogSeam* t_threadSeam = nullptr;
}

DialogSeam& Dialogs() {
    return t_threadSeam ? *t_threadSeam : *g_current;
}

void SetThreadDialogs(DialogSeam* seam) {
    t_threadSeam = seam;
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
