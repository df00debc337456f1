// Paths of any length for the system's file calls. The ...A file calls stop at MAX_PATH
// (Wine refuses longer names whatever the manifest says), so the program and the engines
// make every file call through the wide form made here: widened from the process code page,
// made full, and given the \\?\ prefix (\\?\UNC\ for a network path) once it is long.
#pragma once

#include "base/MemberNames.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace kname {

// Below this a path needs no prefix: a folder's path must leave room for an 8.3 name.
constexpr size_t kPrefixFrom = MAX_PATH - 12;

inline std::wstring LongPathW(std::wstring path) {
    if (path.empty() || path.rfind(L"\\\\?\\", 0) == 0 || path.rfind(L"\\\\.\\", 0) == 0)
        return path;
    if (path.size() < kPrefixFrom) return path;
    const DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (need > 0) {
        std::wstring full(need, L'\0');
        const DWORD got = GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
        if (got > 0 && got < need) {
            full.resize(got);
            path = std::move(full);
        }
    }
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    if (path.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    return path;
}

// A path in the process code page, as the program holds it, in the form for file calls.
inline std::wstring LongPath(std::string_view path) {
    return LongPathW(Widen(path, CP_ACP));
}

// The path without the prefix LongPathW gives, for showing.
inline std::wstring ShownPathW(std::wstring_view path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + std::wstring(path.substr(8));
    if (path.rfind(L"\\\\?\\", 0) == 0) return std::wstring(path.substr(4));
    return std::wstring(path);
}

// The attributes of a file or folder at any depth; INVALID_FILE_ATTRIBUTES when it is not there.
inline DWORD FileAttributes(std::string_view path) {
    return GetFileAttributesW(LongPath(path).c_str());
}

// Calls found(data, name) for each entry of a folder (its path ends with a backslash), the
// name in the process code page, through the wide calls: any depth, any script. found
// returns false to stop. False when the folder cannot be listed.
template <class Found> bool ForEachInFolder(std::string_view folder, Found&& found) {
    WIN32_FIND_DATAW data{};
    const HANDLE find = FindFirstFileW(LongPath(std::string(folder) + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        if (!found(data, Narrow(data.cFileName, CP_ACP))) break;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

// A shorter form of a path, in the process code page, for a text buffer of a fixed size: the
// deepest existing folder above the file is given in its 8.3 form and the rest kept as it is
// (an archive about to be made does not exist yet; a file written under its 8.3 name could
// take that name). Empty when the system has no short form.
inline std::string ShortPath(std::string_view path) {
    std::wstring wide = LongPathW(Widen(path, CP_ACP));
    std::wstring tail;
    for (;;) {
        const size_t sep = wide.find_last_of(L'\\');
        if (sep == std::wstring::npos || sep < 3 || sep + 1 == wide.size()) return {};
        tail = wide.substr(sep) + tail;
        wide.resize(sep);
        const DWORD need = GetShortPathNameW(wide.c_str(), nullptr, 0);
        if (need > 0) {
            std::wstring shortForm(need, L'\0');
            const DWORD got = GetShortPathNameW(wide.c_str(), shortForm.data(), need);
            if (got > 0 && got < need) {
                shortForm.resize(got);
                return Narrow(ShownPathW(shortForm) + tail, CP_ACP);
            }
        }
    }
}

// The full path of the running program in the process code page; it may lie deeper than
// MAX_PATH, so the buffer grows until the name fits.
inline std::string ProgramFilePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD got = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (got < path.size()) {
            path.resize(got);
            return Narrow(ShownPathW(path), CP_ACP);
        }
        path.resize(path.size() * 2);
    }
}

// The text in the code page exactly; nothing when the page cannot hold it.
inline std::optional<std::string> ExactlyInCodePage(const std::wstring& text, UINT codePage) {
    if (codePage == CP_UTF8 || IsAscii(Narrow(text, CP_UTF8))) return Narrow(text, codePage);
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) return std::nullopt;
    std::string out(n, '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        out.data(), n, nullptr, nullptr);
    return out;
}

// The 8.3 form of an existing file or folder at any depth, without the prefix; empty when the
// system has none (the file is not there, or short names are off on its volume).
inline std::wstring ShortFormW(const std::wstring& path) {
    const std::wstring full = LongPathW(path);
    const DWORD need = GetShortPathNameW(full.c_str(), nullptr, 0);
    if (need == 0) return {};
    std::wstring shortForm(need, L'\0');
    const DWORD got = GetShortPathNameW(full.c_str(), shortForm.data(), need);
    if (got == 0 || got >= need) return {};
    shortForm.resize(got);
    return ShownPathW(shortForm);
}

// How a path handed over in Unicode reaches the program's ...A calls in a code page: as it is
// where the page holds it, else by its 8.3 form (shortForm, empty when there is none) where
// the page holds that. Nothing when neither goes: any other form would name another file.
inline std::optional<std::string> CodePageName(const std::wstring& path, UINT codePage,
                                               const std::wstring& shortForm) {
    if (std::optional<std::string> exact = ExactlyInCodePage(path, codePage)) return exact;
    if (shortForm.empty()) return std::nullopt;
    return ExactlyInCodePage(shortForm, codePage);
}

// CodePageName with the system's 8.3 form of the path, asked only when needed (before
// Windows 10 1903 there is no UTF-8 process code page, and a folder named in another script
// would otherwise arrive best-fit mapped, naming a file that is not there).
inline std::optional<std::string> CodePagePath(const std::wstring& path, UINT codePage) {
    if (std::optional<std::string> exact = ExactlyInCodePage(path, codePage)) return exact;
    return CodePageName(path, codePage, ShortFormW(path));
}

} // namespace kname
