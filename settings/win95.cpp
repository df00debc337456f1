#include "settings/win95.h"

#include "base/LongPaths.h"

namespace win95 {

namespace {

bool RunOperation(HWND window, UINT func, const std::vector<std::string>& from,
                  const std::string* to, FILEOP_FLAGS flags);

// A name the shell cannot take goes to it by its 8.3 folders where that form is short
// enough, so it still reaches the recycle bin when asked; else it is erased by the file calls.
bool DeleteLong(HWND window, const std::vector<std::string>& names, FILEOP_FLAGS flags) {
    bool all = true;
    for (const std::string& name : names) {
        std::string shellName = name;
        if (name.size() >= MAX_PATH) shellName = kname::ShortPath(name);
        if (!shellName.empty() && shellName.size() < MAX_PATH)
            all = RunOperation(window, FO_DELETE, {shellName}, nullptr, flags) && all;
        else
            all = DeleteFileW(kname::LongPath(name).c_str()) != 0 && all;
    }
    return all;
}

// The shell's operations take names below MAX_PATH only (Wine's overrun their buffers on
// longer ones). One file copied or moved at such a length goes by the file calls, never
// over an existing file.
std::optional<bool> RunLongOperation(HWND window, UINT func, const std::vector<std::string>& from,
                                     const std::string* to, FILEOP_FLAGS flags) {
    bool longName = to && to->size() >= MAX_PATH;
    for (const std::string& name : from)
        longName = longName || name.size() >= MAX_PATH;
    if (!longName) return std::nullopt;
    if (func == FO_DELETE) return DeleteLong(window, from, flags);
    if (!to || from.size() != 1) return false;
    const std::wstring source = kname::LongPath(from[0]), target = kname::LongPath(*to);
    if (func == FO_COPY) return CopyFileW(source.c_str(), target.c_str(), TRUE) != 0;
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
}

bool RunOperation(HWND window, UINT func, const std::vector<std::string>& from,
                  const std::string* to, FILEOP_FLAGS flags) {
    if (const std::optional<bool> done = RunLongOperation(window, func, from, to, flags))
        return *done;
    std::optional<std::string> fromList = ShellNameList(from);
    std::optional<std::string> toList;
    if (to) toList = ShellNameList({*to});
    if (!fromList || (to && !toList)) return false;
    SHFILEOPSTRUCTA op{};
    op.hwnd = window;
    op.wFunc = func;
    op.pFrom = fromList->c_str();
    op.pTo = toList ? toList->c_str() : nullptr;
    op.fFlags = flags;
    op.fAnyOperationsAborted = FALSE;
    op.hNameMappings = nullptr;
    op.lpszProgressTitle = nullptr;
    return SHFileOperationA(&op) == 0;
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(kname::LongPath(path).c_str());
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full) : path;
}

// Copy and move: a single file asked to be renamed on a collision gets its free name here.
bool Transfer(HWND window, UINT func, const std::vector<std::string>& source,
              const std::string& dest, bool rename, FILEOP_FLAGS flags, std::string* placedAs) {
    std::string to = dest;
    if (rename && source.size() == 1 && !source[0].empty() && !dest.empty()) {
        to = RenamedTarget(source[0], dest);
        if (placedAs) *placedAs = to;
    }
    return RunOperation(window, func, source, &to, flags);
}

} // namespace

std::string RenamedTarget(const std::string& source, const std::string& dest) {
    std::string target = dest;
    const DWORD a = Attributes(dest);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) {
        const size_t slash = source.find_last_of("\\/:");
        target = dest;
        if (target.back() != '\\') target += '\\';
        target += slash == std::string::npos ? source : source.substr(slash + 1);
    }
    if (Attributes(target) == INVALID_FILE_ATTRIBUTES) return target;
    // Onto itself there is no collision to avoid.
    if (lstrcmpiA(FullPath(target).c_str(), FullPath(source).c_str()) == 0) return target;
    const size_t slash = target.find_last_of("\\/:");
    size_t dot = target.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        dot = target.size();
    for (int n = 2;; ++n) {
        std::string candidate =
            target.substr(0, dot) + " (" + std::to_string(n) + ")" + target.substr(dot);
        if (Attributes(candidate) == INVALID_FILE_ATTRIBUTES) return candidate;
    }
}

std::optional<std::string> ShellNameList(const std::vector<std::string>& names) {
    if (names.empty()) return std::nullopt;
    std::string list;
    for (const std::string& name : names) {
        if (name.empty() || name.find('\0') != std::string::npos) return std::nullopt;
        list += name;
        list += '\0';
    }
    list += '\0'; // an empty name ends the list
    return list;
}

FILEOP_FLAGS CopyFlags(bool rename, bool confirm) {
    FILEOP_FLAGS f = FOF_ALLOWUNDO | FOF_FILESONLY;
    if (rename) f |= FOF_RENAMEONCOLLISION;
    if (!confirm) f |= FOF_NOCONFIRMATION;
    return f;
}

FILEOP_FLAGS MoveFlags(bool rename, bool silent) {
    FILEOP_FLAGS f = FOF_ALLOWUNDO | FOF_FILESONLY;
    if (rename) f |= FOF_RENAMEONCOLLISION;
    if (silent) f |= FOF_NOCONFIRMATION;
    return f;
}

FILEOP_FLAGS DeleteFlags(bool toRecycle, bool confirm) {
    FILEOP_FLAGS f = FOF_FILESONLY;
    if (toRecycle) f |= FOF_ALLOWUNDO;
    if (!confirm) f |= FOF_NOCONFIRMATION;
    return f;
}

bool CopyFiles(HWND window, const std::vector<std::string>& source, const std::string& dest,
               bool rename, bool confirm, std::string* placedAs) {
    return Transfer(window, FO_COPY, source, dest, rename, CopyFlags(rename, confirm), placedAs);
}

bool MoveFiles(HWND window, const std::vector<std::string>& source, const std::string& dest,
               bool rename, bool silent, std::string* placedAs) {
    return Transfer(window, FO_MOVE, source, dest, rename, MoveFlags(rename, silent), placedAs);
}

bool DeleteFiles(HWND window, const std::vector<std::string>& names, bool toRecycle, bool confirm) {
    return RunOperation(window, FO_DELETE, names, nullptr, DeleteFlags(toRecycle, confirm));
}

} // namespace win95
