// KSFX.BIN: the self-extractor stub. Run as "archive.exe", it unpacks the zip archive appended
// to its own file into a folder the user picks, or unattended:
//   /d:<folder>   target folder (default: a folder named after the program, beside it)
//   /o            overwrite existing files without asking
//   /p:<password> password of encrypted members
//   /s            no questions: unpack at once, close when done, result on standard output
// Exit code: 0 all unpacked, 1 some members failed or were skipped, 2 nothing was unpacked
// (closed or cancelled), 3 no readable archive or no usable target folder.
#include "base/CodePages.h"
#include "dlls/sfx/SfxArchive.h"
#include "dlls/sfx/SfxExtract.h"
#include "dlls/sfx/SfxNames.h"
#include "dlls/sfx/resource.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

namespace {

using namespace sfx;

constexpr int kExitOk = 0, kExitPartial = 1, kExitNothing = 2, kExitNoArchive = 3;

struct Settings {
    wchar_t folder[MAX_PATH * 2] = {};
    char password[128] = {};
    bool havePassword = false;
    bool overwrite = false;
    bool silent = false;
};

// Unattended runs report on standard output, when they have one, in UTF-8.
void Report(const wchar_t* text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) return;
    char utf8[4096];
    for (int at = 0, total = lstrlenW(text); at < total; at += 1000) {
        const int part = total - at < 1000 ? total - at : 1000;
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, text + at, part, utf8, sizeof utf8, nullptr, nullptr);
        DWORD wrote = 0;
        WriteFile(out, utf8, bytes, &wrote, nullptr);
    }
}

class Window : public Questions {
public:
    Archive archive;
    Settings settings;
    HWND dialog = nullptr;
    int exitCode = kExitNothing;
    bool running = false, cancel = false, finished = false;
    std::uint64_t total = 0, before = 0;

    bool Overwrite(const wchar_t* path) override;
    bool Password(char* out, int capacity, bool retry) override;
    bool Progress(std::uint64_t bytesDone) override;

    void Init();
    void Browse();
    void Run();
    void Pump();
    // Close stops a running unpacking first; the window stays to show the result.
    void CloseOrCancel() {
        if (running)
            cancel = true;
        else
            DestroyWindow(dialog);
    }
    // Shown at once: the unpacking runs on this thread between message pumps.
    void Say(int id, const wchar_t* text) {
        SetDlgItemTextW(dialog, id, text);
        UpdateWindow(GetDlgItem(dialog, id));
    }
    // A problem that ends the unpacking before it starts.
    void Stop(const wchar_t* text) {
        Say(IDC_SFX_STATUS, text);
        if (settings.silent) Report(text);
        exitCode = kExitNoArchive;
    }
};

Window* theWindow = nullptr;

bool Switch(const wchar_t* arg, wchar_t letter, const wchar_t** value) {
    if ((arg[0] != L'/' && arg[0] != L'-') || (arg[1] | 0x20) != letter) return false;
    if (arg[2] == 0) {
        *value = arg + 2;
        return true;
    }
    if (arg[2] != L':' && arg[2] != L'=') return false;
    *value = arg + 3;
    return true;
}

void ParseSwitches(Settings& s) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv && i < argc; ++i) {
        const wchar_t* v = nullptr;
        if (Switch(argv[i], L'd', &v)) {
            if (!*v && i + 1 < argc) v = argv[++i];
            lstrcpynW(s.folder, v, MAX_PATH * 2);
        } else if (Switch(argv[i], L'p', &v)) {
            s.havePassword = WideCharToMultiByte(CP_ACP, 0, v, -1, s.password, sizeof s.password,
                                                 nullptr, nullptr) > 1;
        } else if (Switch(argv[i], L'o', &v)) {
            s.overwrite = true;
        } else if (Switch(argv[i], L's', &v)) {
            s.silent = true;
        }
    }
    LocalFree(argv);
}

// "C:\Downloads\setup.exe" unpacks by default to "C:\Downloads\setup".
void DefaultFolder(const wchar_t* program, wchar_t* out) {
    lstrcpynW(out, program, MAX_PATH * 2);
    wchar_t* dot = nullptr;
    for (wchar_t* p = out; *p; ++p)
        if (*p == L'.')
            dot = p;
        else if (*p == L'\\')
            dot = nullptr;
    if (dot) *dot = 0;
}

void Window::Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            cancel = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

bool Window::Overwrite(const wchar_t* path) {
    if (settings.overwrite || IsDlgButtonChecked(dialog, IDC_SFX_OVERWRITE)) return true;
    if (settings.silent) return false;
    wchar_t text[MAX_PATH * 3];
    wsprintfW(text, L"The file %.600s already exists.\n\nReplace it?", path);
    return MessageBoxW(dialog, text, L"Confirm", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

INT_PTR CALLBACK PasswordProc(HWND d, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(d, DWLP_USER, lParam);
        if (reinterpret_cast<Settings*>(lParam)->havePassword)
            SetDlgItemTextW(d, IDC_SFX_PASSWORD_TEXT, L"The password is wrong. Enter it again:");
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        auto* s = reinterpret_cast<Settings*>(GetWindowLongPtrW(d, DWLP_USER));
        wchar_t typed[128] = {};
        GetDlgItemTextW(d, IDC_SFX_PASSWORD_EDIT, typed, 128);
        s->havePassword =
            LOWORD(wParam) == IDOK && WideCharToMultiByte(CP_ACP, 0, typed, -1, s->password,
                                                          sizeof s->password, nullptr, nullptr) > 1;
        SecureZeroMemory(typed, sizeof typed);
        EndDialog(d, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

bool Window::Password(char* out, int capacity, bool retry) {
    if (!settings.silent && (retry || !settings.havePassword)) {
        settings.havePassword = retry;
        DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SFX_PASSWORD), dialog,
                        PasswordProc, reinterpret_cast<LPARAM>(&settings));
    } else if (retry) {
        return false;
    }
    if (!settings.havePassword) return false;
    lstrcpynA(out, settings.password, capacity);
    return true;
}

bool Window::Progress(std::uint64_t bytesDone) {
    const std::uint64_t done = before + bytesDone;
    SendDlgItemMessageW(dialog, IDC_SFX_PROGRESS, PBM_SETPOS,
                        total ? static_cast<WPARAM>(done * 1000 / total) : 0, 0);
    Pump();
    return !cancel;
}

void Window::Init() {
    wchar_t text[200];
    std::uint32_t files = 0;
    for (std::uint32_t i = 0; i < archive.Count(); ++i)
        files += archive[i].IsDirectory() ? 0 : 1;
    const std::uint64_t kb = (archive.TotalSize() + 1023) / 1024;
    wsprintfW(text,
              L"This self-extracting archive holds %u %s (%u KB). Choose a folder and click Unzip.",
              files, files == 1 ? L"file" : L"files", static_cast<unsigned>(kb));
    Say(IDC_SFX_INFO, text);
    Say(IDC_SFX_FOLDER, settings.folder);
    CheckDlgButton(dialog, IDC_SFX_OVERWRITE, settings.overwrite ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(dialog, IDC_SFX_PROGRESS, PBM_SETRANGE32, 0, 1000);
    if (archive.CommentLength() > 0) {
        wchar_t comment[260];
        const int n = MultiByteToWideChar(kname::OemNameCodePage(), 0, archive.Comment(),
                                          archive.CommentLength(), comment, 259);
        comment[n > 0 ? n : 0] = 0;
        Say(IDC_SFX_RESULT, comment);
    }
    Say(IDC_SFX_STATUS, L"Ready.");
}

int CALLBACK BrowseStart(HWND w, UINT msg, LPARAM, LPARAM data) {
    if (msg == BFFM_INITIALIZED) SendMessageW(w, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

void Window::Browse() {
    wchar_t current[MAX_PATH * 2];
    GetDlgItemTextW(dialog, IDC_SFX_FOLDER, current, MAX_PATH * 2);
    BROWSEINFOW bi{};
    bi.hwndOwner = dialog;
    bi.lpszTitle = L"Choose the folder to unpack the files into:";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    bi.lpfn = BrowseStart;
    bi.lParam = reinterpret_cast<LPARAM>(current);
    if (PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi)) {
        wchar_t chosen[MAX_PATH];
        if (SHGetPathFromIDListW(pidl, chosen)) Say(IDC_SFX_FOLDER, chosen);
        CoTaskMemFree(pidl);
    }
}

void Window::Run() {
    wchar_t typed[MAX_PATH * 2], root[MAX_PATH * 2];
    GetDlgItemTextW(dialog, IDC_SFX_FOLDER, typed, MAX_PATH * 2);
    const DWORD n = typed[0] ? GetFullPathNameW(typed, MAX_PATH * 2, root, nullptr) : 0;
    if (n == 0 || n >= MAX_PATH * 2) {
        Stop(L"Enter the folder to unpack the files into.");
        return;
    }
    int len = static_cast<int>(n);
    while (len > 3 && root[len - 1] == L'\\')
        root[--len] = 0;
    if (len == 3 && root[2] == L'\\') root[--len] = 0; // a drive's root: "C:"
    if (len > 3 && !MakeFolders(root, 3)) {
        Stop(L"The folder cannot be created.");
        return;
    }

    running = true;
    for (int id : {IDOK, IDC_SFX_FOLDER, IDC_SFX_BROWSE, IDC_SFX_OVERWRITE})
        EnableWindow(GetDlgItem(dialog, id), FALSE);
    Say(IDCANCEL, L"Cancel");
    Say(IDC_SFX_RESULT, L"");
    TextLog log;
    Unpacker unpacker(archive, root, *this, log);
    total = archive.TotalSize();
    before = 0;
    unsigned files = 0, failed = 0;
    for (std::uint32_t i = 0; i < archive.Count() && !cancel; ++i) {
        const Entry& e = archive[i];
        wchar_t name[1024];
        const int m = DecodeName(e, name, 1023);
        name[m > 0 ? m : 0] = 0;
        wchar_t status[1040];
        wsprintfW(status, L"Unpacking %s", name);
        Say(IDC_SFX_STATUS, status);
        const Outcome o = unpacker.Unpack(e);
        if (o == Outcome::Extracted)
            ++files;
        else if (o == Outcome::Skipped || o == Outcome::Failed)
            ++failed;
        before += e.uncompressedSize;
        Progress(0);
    }
    running = false;
    finished = true;

    wchar_t summary[MAX_PATH * 3];
    if (cancel)
        wsprintfW(summary, L"Cancelled after %u %s.", files, files == 1 ? L"file" : L"files");
    else if (failed)
        wsprintfW(summary, L"Unpacked %u %s to %s; %u could not be unpacked:", files,
                  files == 1 ? L"file" : L"files", root, failed);
    else
        wsprintfW(summary, L"Unpacked %u %s to %s.", files, files == 1 ? L"file" : L"files", root);
    Say(IDC_SFX_STATUS, summary);
    Say(IDC_SFX_RESULT,
        log.Lines() || cancel ? log.Text() : L"Every file was unpacked and checked.");
    Say(IDCANCEL, L"Close");
    SendDlgItemMessageW(dialog, IDC_SFX_PROGRESS, PBM_SETPOS, cancel ? 0 : 1000, 0);
    exitCode = cancel ? kExitNothing : (failed ? kExitPartial : kExitOk);

    if (settings.silent) {
        Report(summary);
        Report(L"\r\n");
        Report(log.Text());
    }
}

INT_PTR CALLBACK MainProc(HWND d, UINT msg, WPARAM wParam, LPARAM) {
    Window& w = *theWindow;
    switch (msg) {
    case WM_INITDIALOG: {
        w.dialog = d;
        const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SFX));
        SendMessageW(d, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageW(d, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        w.Init();
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (!w.running && !w.finished) w.Run();
            if (w.settings.silent) DestroyWindow(d);
            return TRUE;
        case IDC_SFX_BROWSE:
            w.Browse();
            return TRUE;
        case IDCANCEL:
            w.CloseOrCancel();
            return TRUE;
        }
        break;
    case WM_CLOSE:
        w.CloseOrCancel();
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(w.exitCode);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int show) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    OleInitialize(nullptr);
    static Window window;
    theWindow = &window;

    wchar_t program[MAX_PATH * 2];
    GetModuleFileNameW(nullptr, program, MAX_PATH * 2);
    DefaultFolder(program, window.settings.folder);
    ParseSwitches(window.settings);

    if (!window.archive.Open(program)) {
        wchar_t text[300];
        wsprintfW(text, L"This program cannot unpack its files: %S.", window.archive.Problem());
        if (window.settings.silent)
            Report(text);
        else
            MessageBoxW(nullptr, text, L"Kelvora 98 Self-Extractor", MB_OK | MB_ICONERROR);
        return kExitNoArchive;
    }
    if (!CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_SFX), nullptr, MainProc, 0))
        return kExitNoArchive;
    ShowWindow(window.dialog, window.settings.silent ? SW_SHOWNOACTIVATE : show);
    if (window.settings.silent) PostMessageW(window.dialog, WM_COMMAND, IDOK, 0);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        if (!IsDialogMessageW(window.dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    return window.exitCode;
}
