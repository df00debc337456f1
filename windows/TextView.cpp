#include "windows/TextView.h"

#include "base/LongPaths.h"

#include "windows/TextPrint.h"
#include "windows/TextViewIds.h"

#include <dlgs.h>
#include <richedit.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace textview {
SearchState& ModuleSearchState() {
    static SearchState state;
    return state;
}
} // namespace textview

namespace {

constexpr char kCaption[] = "Text Viewer";
constexpr int kClientWidth = 804;
constexpr int kClientHeight = 566;
constexpr int kMinClientWidth = 240; // the menu bar on two lines at most, a few lines of text
constexpr int kMinClientHeight = 120;
constexpr LONG kDefaultFontTwips = 200; // 10 points: 13 pixels at 96 dots per inch
const UINT kFindMessage = RegisterWindowMessageA(FINDMSGSTRINGA);

const ui::ControlSpec kViewerControls[] = {
    {"RichEdit20A",
     IDC_TV_RICHEDIT1,
     "",
     {0, 0, kClientWidth, kClientHeight},
     WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
         ES_AUTOHSCROLL | ES_READONLY | ES_NOHIDESEL,
     WS_EX_CLIENTEDGE,
     ui::akAll},
};

struct StreamSource {
    const std::string* text;
    size_t pos;
    size_t unit; // bytes per character: 1 for ANSI, 2 for UTF-16
};

bool EndsWithCr(const std::string& text, size_t end, size_t unit) {
    return text[end - unit] == '\r' && (unit == 1 || text[end - 1] == '\0');
}

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buf, LONG want, LONG* got) {
    auto* src = reinterpret_cast<StreamSource*>(cookie);
    const size_t unit = src->unit;
    size_t n = std::min(static_cast<size_t>(want), src->text->size() - src->pos);
    n -= n % unit;
    // A CR LF pair split between two pieces would count as two line breaks.
    if (n > unit && src->pos + n < src->text->size() && EndsWithCr(*src->text, src->pos + n, unit))
        n -= unit;
    memcpy(buf, src->text->data() + src->pos, n);
    src->pos += n;
    *got = static_cast<LONG>(n);
    return 0;
}

DWORD CALLBACK WriteStream(DWORD_PTR cookie, LPBYTE buf, LONG size, LONG* done) {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buf), size);
    *done = size;
    return 0;
}

} // namespace

TfrmTextViewer::~TfrmTextViewer() {
    CloseFindDialog();
    if (printer_.DevMode) GlobalFree(printer_.DevMode);
    if (printer_.DevNames) GlobalFree(printer_.DevNames);
}

ui::Form::CreateParams TfrmTextViewer::GetCreateParams() {
    CreateParams p;
    p.Caption = kCaption;
    p.ClientWidth = kClientWidth;
    p.ClientHeight = kClientHeight;
    if (!menu_) menu_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_TV_MENU));
    p.Menu = menu_;
    // The text area wants its own keys; Esc is one of the window's shortcuts.
    p.DialogKeys = false;
    p.AcceleratorTable = IDM_TV_ACCELERATORS;
    p.MinClientSize = SIZE{kMinClientWidth, kMinClientHeight};
    return p;
}

void TfrmTextViewer::OnCreate() {
    static HMODULE library = LoadLibraryA("riched20.dll");
    (void)library;
    CreateControls(kViewerControls);
    richEdit1_.Attach(Control(IDC_TV_RICHEDIT1));
    HWND re = richEdit1_.Handle();
    // The mode can only change while the control holds no text and no undo steps.
    SendMessageA(re, EM_EMPTYUNDOBUFFER, 0, 0);
    SendMessageA(re, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
    // The default limit would cut texts off after 32 KB.
    SendMessageA(re, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    CHARFORMAT2A cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT |
                CFM_COLOR | CFM_CHARSET;
    cf.dwEffects = CFE_AUTOCOLOR;
    cf.yHeight = kDefaultFontTwips;
    cf.bCharSet = DEFAULT_CHARSET;
    lstrcpynA(cf.szFaceName, "Courier New", LF_FACESIZE);
    SendMessageA(re, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
    SendMessageA(re, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    richEdit1_.SetWordWrap(true);
}

void TfrmTextViewer::OnShow() {
    // Opened maximised; later showings keep the size the user left.
    if (!shownBefore_) ShowWindow(Handle(), SW_MAXIMIZE);
    shownBefore_ = true;
    SetFocus(richEdit1_.Handle());
}

int TfrmTextViewer::ShowModal() {
    if (Visible()) throw std::runtime_error("Cannot make a visible window modal");
    return Form::ShowModal();
}

void TfrmTextViewer::LoadFromFile(const std::string& path) {
    ui::FileHandle file(CreateFileW(kname::LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("Cannot open file " + path);
    std::string text;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(file.Get(), buf, sizeof buf, &got, nullptr) && got > 0)
        text.append(buf, got);
    LoadText(text);
    const size_t slash = path.find_last_of("\\/:");
    SetCaption(std::string(kCaption) + " - " +
               (slash == std::string::npos ? path : path.substr(slash + 1)));
}

void TfrmTextViewer::LoadText(const std::string& content) {
    if (!Handle()) Create();
    SetCaption(kCaption);
    encoding_ = textview::DetectEncoding(content);
    // An ANSI file is read in the page of the user's locale, not the process code page, which
    // may be UTF-8 (base/CodePages.h).
    std::wstring wide = encoding_ == textview::Encoding::Ansi
                            ? kname::Widen(content, kname::AnsiLegacyCodePage())
                            : textview::DecodeText(content, encoding_);
    // A NUL would end the text there; the rest of a binary file is still worth seeing.
    for (wchar_t& c : wide)
        if (c == L'\0') c = L' ';
    std::string text(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
    const WPARAM format = SF_TEXT | SF_UNICODE;
    // Streamed as plain text, so a file that begins like RTF is shown as it is.
    StreamSource src{&text, 0, sizeof(wchar_t)};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&src), 0, ReadStream};
    SendMessageA(richEdit1_.Handle(), EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es));
    richEdit1_.Select(0, 0);
    SendMessageA(richEdit1_.Handle(), EM_SCROLLCARET, 0, 0);
}

std::wstring TfrmTextViewer::DisplayedText() const {
    HWND re = richEdit1_.Handle();
    GETTEXTLENGTHEX gl{GTL_DEFAULT | GTL_PRECISE | GTL_NUMCHARS, 1200};
    LRESULT n = SendMessageW(re, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0);
    if (n <= 0) return {};
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    GETTEXTEX gt{};
    gt.cb = static_cast<DWORD>(s.size() * sizeof(wchar_t));
    gt.flags = GT_DEFAULT;
    gt.codepage = 1200;
    LRESULT got = SendMessageW(re, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt),
                               reinterpret_cast<LPARAM>(s.data()));
    s.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return s;
}

std::string TfrmTextViewer::SavedText() const {
    std::string out;
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&out), 0, WriteStream};
    SendMessageA(richEdit1_.Handle(), EM_STREAMOUT, SF_TEXT | SF_UNICODE,
                 reinterpret_cast<LPARAM>(&es));
    // Written back in the encoding it was read in, so a file saved unchanged keeps its bytes.
    std::wstring_view wide(reinterpret_cast<const wchar_t*>(out.data()),
                           out.size() / sizeof(wchar_t));
    if (encoding_ == textview::Encoding::Ansi)
        return kname::Narrow(wide, kname::AnsiLegacyCodePage());
    return textview::EncodeText(wide, encoding_);
}

bool TfrmTextViewer::WrapLines() const {
    return ui::MenuItem(menu_, IDM_TV_WRAPLINES).Checked();
}

void TfrmTextViewer::SaveAs1Click() {
    ui::FileDialogRequest req;
    req.Filter = "Text File (*.*)|*.*";
    req.Options = OFN_HIDEREADONLY;
    if (!ui::Dialogs().SaveFile(Handle(), req)) return;
    std::string text = SavedText();
    ui::FileHandle file(CreateFileW(kname::LongPath(req.FileName).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw std::runtime_error("Cannot create file " + req.FileName);
    DWORD written = 0;
    if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        throw std::runtime_error("Cannot write file " + req.FileName);
}

void TfrmTextViewer::Print1Click() {
    if (!ui::Dialogs().PrintDialog(Handle(), printer_)) return;
    HDC dc = std::exchange(printer_.Dc, nullptr);
    if (!dc) return;
    try {
        PrintText(dc);
    } catch (...) {
        DeleteDC(dc);
        throw;
    }
    DeleteDC(dc);
}

ui::FontHandle TfrmTextViewer::DeviceFont(HDC dc, COLORREF* color) const {
    CHARFORMAT2A cf{};
    cf.cbSize = sizeof cf;
    SendMessageA(richEdit1_.Handle(), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(cf.yHeight, GetDeviceCaps(dc, LOGPIXELSY), 1440);
    lf.lfWeight = (cf.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (cf.dwEffects & CFE_ITALIC) ? 1 : 0;
    lf.lfUnderline = (cf.dwEffects & CFE_UNDERLINE) ? 1 : 0;
    lf.lfStrikeOut = (cf.dwEffects & CFE_STRIKEOUT) ? 1 : 0;
    lf.lfCharSet = cf.bCharSet;
    lstrcpynA(lf.lfFaceName, cf.szFaceName, LF_FACESIZE);
    if (color) *color = (cf.dwEffects & CFE_AUTOCOLOR) ? RGB(0, 0, 0) : cf.crTextColor;
    return ui::FontHandle(CreateFontIndirectA(&lf));
}

void TfrmTextViewer::PrintText(HDC printer) {
    COLORREF color = 0;
    ui::FontHandle font = DeviceFont(printer, &color);
    textview::PrintDocument(printer, font.Get(), color, DisplayedText());
}

std::vector<LONG> TfrmTextViewer::PageStarts(HDC dc, const RECT& pageTwips) {
    SIZE page{MulDiv(pageTwips.right - pageTwips.left, GetDeviceCaps(dc, LOGPIXELSX), 1440),
              MulDiv(pageTwips.bottom - pageTwips.top, GetDeviceCaps(dc, LOGPIXELSY), 1440)};
    ui::FontHandle font = DeviceFont(dc, nullptr);
    std::vector<LONG> starts;
    for (const textview::PrintPage& p :
         textview::LayoutForDevice(dc, font.Get(), DisplayedText(), page))
        starts.push_back(p.empty() ? 0 : static_cast<LONG>(p.front().Start));
    return starts;
}

void TfrmTextViewer::PrintSetup1Click() {
    ui::Dialogs().PrintSetupDialog(Handle(), printer_);
}

void TfrmTextViewer::Exit1Click() {
    CloseModal(ui::mrOk);
}

void TfrmTextViewer::Copy1Click() {
    richEdit1_.Copy();
}

void TfrmTextViewer::SelectAll1Click() {
    richEdit1_.SelectAll();
}

void TfrmTextViewer::Find1Click() {
    if (findDialog_ && IsWindow(findDialog_)) {
        SetActiveWindow(findDialog_);
        return;
    }
    find_ = FINDREPLACEA{};
    find_.lStructSize = sizeof find_;
    find_.hwndOwner = Handle();
    // Only the search text and the buttons: always forward, as typed.
    find_.Flags = FR_DOWN | FR_HIDEUPDOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD;
    find_.lpstrFindWhat = findWhat_;
    find_.wFindWhatLen = sizeof findWhat_;
    findDialog_ = ui::Dialogs().ShowFindDialog(find_);
    if (findDialog_) ui::Form::SetDialogLike(findDialog_);
}

void TfrmTextViewer::CloseFindDialog() {
    if (findDialog_ && IsWindow(findDialog_)) DestroyWindow(findDialog_);
    findDialog_ = nullptr;
}

std::string TfrmTextViewer::FindBoxText(const FINDREPLACEA& fr) const {
    // The box's own text in Unicode: its ANSI copy passes through the system's ANSI page
    // (under Wine whatever the process's page is), which turns other scripts into "?".
    if (findDialog_ && IsWindow(findDialog_)) {
        wchar_t typed[256] = {};
        const int n = GetDlgItemTextW(findDialog_, edt1, typed, 256);
        if (n > 0) return kname::Narrow(std::wstring(typed, static_cast<size_t>(n)), CP_ACP);
    }
    return fr.lpstrFindWhat ? fr.lpstrFindWhat : "";
}

void TfrmTextViewer::FindDialog1Find(const std::string& text) {
    if (text.empty()) return;
    lastSearch_ = text;
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring what(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), what.data(), n);
    std::optional<int> hit =
        textview::FindNext(textview::ModuleSearchState(), DisplayedText(), what);
    // The box in front is the one the user searches from, so it stays there: the hit is
    // shown selected (the text area keeps its selection without the focus).
    HWND front = findDialog_ && IsWindow(findDialog_) ? findDialog_ : Handle();
    if (!hit) {
        ui::Dialogs().InfoUtf8(front, "Cannot find \"" + kname::Narrow(what, CP_UTF8) + "\"");
        return;
    }
    richEdit1_.Select(*hit, *hit + static_cast<LONG>(what.size()));
    SendMessageA(richEdit1_.Handle(), EM_SCROLLCARET, 0, 0);
    if (front != Handle()) SetWindowPos(front, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TfrmTextViewer::FindNext1Click() {
    // Without an earlier search there is nothing to repeat: the find box asks for one.
    if (lastSearch_.empty()) {
        Find1Click();
        return;
    }
    FindDialog1Find(lastSearch_);
}

void TfrmTextViewer::Font1Click() {
    HWND re = richEdit1_.Handle();
    CHARFORMAT2A cf{};
    cf.cbSize = sizeof cf;
    SendMessageA(re, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    ui::FontChoice req;
    lstrcpynA(req.Font.lfFaceName, cf.szFaceName, LF_FACESIZE);
    req.Font.lfHeight = -MulDiv(cf.yHeight, Dpi(), 1440);
    req.Font.lfWeight = (cf.dwEffects & CFE_BOLD) ? FW_BOLD : FW_NORMAL;
    req.Font.lfItalic = (cf.dwEffects & CFE_ITALIC) ? 1 : 0;
    req.Font.lfUnderline = (cf.dwEffects & CFE_UNDERLINE) ? 1 : 0;
    req.Font.lfStrikeOut = (cf.dwEffects & CFE_STRIKEOUT) ? 1 : 0;
    req.Font.lfCharSet = cf.bCharSet;
    req.Color = (cf.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT) : cf.crTextColor;
    if (ui::Dialogs().PickFont(Handle(), req)) {
        CHARFORMAT2A nf{};
        nf.cbSize = sizeof nf;
        nf.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT |
                    CFM_COLOR | CFM_CHARSET;
        lstrcpynA(nf.szFaceName, req.Font.lfFaceName, LF_FACESIZE);
        nf.yHeight = req.PointSize10 > 0 ? req.PointSize10 * 2
                                         : MulDiv(std::abs(req.Font.lfHeight), 1440, Dpi());
        nf.dwEffects =
            (req.Font.lfWeight >= FW_BOLD ? CFE_BOLD : 0) | (req.Font.lfItalic ? CFE_ITALIC : 0) |
            (req.Font.lfUnderline ? CFE_UNDERLINE : 0) | (req.Font.lfStrikeOut ? CFE_STRIKEOUT : 0);
        nf.crTextColor = req.Color;
        nf.bCharSet = req.Font.lfCharSet;
        SendMessageA(re, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&nf));
        SendMessageA(re, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&nf));
    }
    SetFocus(re);
}

void TfrmTextViewer::WrapLines1Click() {
    ui::MenuItem item(menu_, IDM_TV_WRAPLINES);
    item.SetChecked(!item.Checked());
    richEdit1_.SetWordWrap(item.Checked());
}

void TfrmTextViewer::RichEdit1KeyDown(WORD key) {
    if (key == VK_ESCAPE) Close();
}

void TfrmTextViewer::OnCommand(int id, int, HWND) {
    switch (id) {
    case IDM_TV_SAVEAS:
        SaveAs1Click();
        break;
    case IDM_TV_PRINT:
        Print1Click();
        break;
    case IDM_TV_PRINTSETUP:
        PrintSetup1Click();
        break;
    case IDM_TV_EXIT:
        Exit1Click();
        break;
    case IDM_TV_COPY:
        Copy1Click();
        break;
    case IDM_TV_SELECTALL:
        SelectAll1Click();
        break;
    case IDM_TV_FIND:
        Find1Click();
        break;
    case IDM_TV_FINDNEXT:
        FindNext1Click();
        break;
    case IDM_TV_WRAPLINES:
        WrapLines1Click();
        break;
    case IDM_TV_FONT:
        Font1Click();
        break;
    case IDM_TV_ESCAPE:
        RichEdit1KeyDown(VK_ESCAPE);
        break;
    default:
        break; // "Save Position" has no command
    }
}

LRESULT TfrmTextViewer::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kFindMessage) {
        auto* fr = reinterpret_cast<FINDREPLACEA*>(lp);
        if (fr->Flags & FR_DIALOGTERM)
            findDialog_ = nullptr;
        else if (fr->Flags & FR_FINDNEXT)
            FindDialog1Find(FindBoxText(*fr));
        return 0;
    }
    // The find dialog goes away with the viewer.
    if (msg == WM_SHOWWINDOW && !wp) CloseFindDialog();
    return DefaultProc(msg, wp, lp);
}

void TfrmTextViewer::View(const ViewRequest& request) {
    LoadFromFile(request.Path);
    if (!request.Modal) {
        Show();
        SetForegroundWindow(Handle());
        return;
    }
    if (Visible()) Hide();
    ShowModal();
}
