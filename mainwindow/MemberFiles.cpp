#include "mainwindow/MemberFiles.h"

#include "engine/PathUtil.h"
#include "base/Handle.h"
#include "base/LongPaths.h"

#include <shellapi.h>

#include <stdexcept>

namespace members {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// Whether text holds word (lower case) at `at`, ASCII letters compared without case.
bool HoldsAt(std::string_view text, size_t at, std::string_view word) {
    for (size_t k = 0; k < word.size(); ++k)
        if (LowerAscii(text[at + k]) != word[k]) return false;
    return true;
}

// Whether the name, ASCII case ignored, holds "install.exe" or "setup.exe". Each ".exe" is
// looked at once, without a lowered copy or the string search's calls into the C runtime:
// archives of 100,000 members are searched at every opening while the setup option is on.
bool NamesSetupProgram(std::string_view name) {
    for (size_t p = 0; p + 4 <= name.size(); ++p) {
        if (name[p] != '.' || !HoldsAt(name, p, ".exe")) continue;
        if ((p >= 7 && HoldsAt(name, p - 7, "install")) ||
            (p >= 5 && HoldsAt(name, p - 5, "setup")))
            return true;
    }
    return false;
}

} // namespace

std::string FindSetupName(std::size_t count,
                          const std::function<std::string_view(std::size_t)>& nameAt) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = nameAt(i);
        if (!NamesSetupProgram(name)) continue;
        std::string lower(name);
        for (char& c : lower)
            c = LowerAscii(c);
        return lower;
    }
    return {};
}

std::string FindSetupName(const std::vector<std::string>& names) {
    return FindSetupName(names.size(), [&](std::size_t i) { return std::string_view(names[i]); });
}

bool IsProgramFile(const std::string& path) {
    return kpath::LowerCase(kpath::ExtractFileExt(path)) == ".exe";
}

std::optional<std::string> StartablePath(const std::string& path) {
    if (path.size() < MAX_PATH) return path;
    // The long name is kept where it fits: a document's name says which program opens it.
    if (std::string folders = kname::ShortPath(path); !folders.empty() && folders.size() < MAX_PATH)
        return folders;
    const std::wstring shortForm = kname::ShortFormW(kname::Widen(path, CP_ACP));
    if (shortForm.empty()) return std::nullopt;
    std::string all = kname::Narrow(shortForm, CP_ACP);
    if (all.size() < MAX_PATH) return all;
    return std::nullopt;
}

std::string ProgramCommandLine(const std::string& path) {
    return "\"" + path + "\"";
}

DWORD StartProgram(const std::string& path) {
    // The program's own folder is its working folder: the current one is where the last
    // extraction went, which may lie deeper than a new process can start in.
    const std::wstring program = kname::Widen(path, CP_ACP);
    std::wstring commandLine = kname::Widen(ProgramCommandLine(path), CP_ACP);
    std::wstring folder = program.substr(0, program.find_last_of(L'\\') + 1);
    if (folder.size() > 3) folder.pop_back(); // a drive's root keeps its backslash
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return GetLastError();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ERROR_SUCCESS;
}

std::optional<std::string> UnpackedPath(const std::string& folder, const std::string& member) {
    if (member.empty() || member[0] == '/' || member[0] == '\\' ||
        member.find(':') != std::string::npos)
        return std::nullopt;
    std::string local = member;
    for (char& c : local)
        if (c == '/') c = '\\';
    for (size_t start = 0;;) {
        const size_t end = local.find('\\', start);
        if (local.compare(start, end == std::string::npos ? end : end - start, "..") == 0)
            return std::nullopt;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return folder + "\\" + local;
}

namespace {

bool RemoveTreeW(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    ui::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (find) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeW(full);
            } else {
                // The engine gives members their stored read-only attribute.
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find.Get(), &found));
    }
    find.Reset();
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_DIRECTORY);
    return RemoveDirectoryW(folder.c_str()) != 0;
}

} // namespace

bool RemoveTree(const std::string& folder) {
    return RemoveTreeW(kname::LongPath(folder));
}

ScratchFolders::~ScratchFolders() {
    RemoveMarked();
}

std::string ScratchFolders::Make(const std::string& base, Kind kind) {
    if (!kpath::ForceDirectories(base)) throw std::runtime_error("Cannot create folder " + base);
    // The process number keeps two running copies of the program apart; CreateDirectory
    // fails on a name that exists, so a taken name is simply skipped.
    const std::string prefix = base + "\\kv" + std::to_string(GetCurrentProcessId()) + "_";
    for (unsigned tries = 0; tries < 10000; ++tries) {
        std::string folder = prefix + std::to_string(++next_);
        if (CreateDirectoryW(kname::LongPath(folder).c_str(), nullptr)) {
            if (kind == RemoveAtEnd) marked_.push_back(folder);
            return folder;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    throw std::runtime_error("Cannot create folder " + prefix + std::to_string(next_));
}

void ScratchFolders::RemoveMarked() {
    for (const std::string& folder : marked_) {
        // Members may lie deeper than the plain path limit allows.
        const bool drivePath = folder.size() > 2 && folder[1] == ':' && folder[2] == '\\';
        RemoveTree(drivePath ? "\\\\?\\" + folder : folder);
    }
    marked_.clear();
}

Launcher WindowsLauncher() {
    Launcher l;
    l.Open = [](const std::string& target) {
        ShellExecuteA(GetDesktopWindow(), "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    l.Help = [](HWND owner, const std::string& helpFile, UINT command) {
        WinHelpA(owner, helpFile.c_str(), command, 0);
    };
    return l;
}

} // namespace members
