#include "engine/PathUtil.h"

#include "base/LongPaths.h"

#include <windows.h>

#include <algorithm>

namespace kpath {

namespace {
size_t LastSeparator(const std::string& path) {
    return path.find_last_of("\\/:");
}
} // namespace

std::string ExtractFileExt(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t sep = LastSeparator(path);
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return {};
    return path.substr(dot);
}

std::string ExtractFileName(const std::string& path) {
    size_t sep = LastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string ExtractFilePath(const std::string& path) {
    size_t sep = LastSeparator(path);
    return sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    std::string old = ExtractFileExt(path);
    return path.substr(0, path.size() - old.size()) + ext;
}

std::string UpperCase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : char(c); });
    return s;
}

std::string LowerCase(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : char(c); });
    return s;
}

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    DWORD a = GetFileAttributesW(kname::LongPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    if (path.empty()) return false;
    DWORD a = GetFileAttributesW(kname::LongPath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string CannotText(const std::string& action, const std::string& path, unsigned long error) {
    char buffer[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, buffer, sizeof buffer, nullptr);
    std::string reason(buffer, n);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.'))
        reason.pop_back();
    if (reason.empty()) reason = "system error " + std::to_string(error);
    // The system's sentence starts in capitals; after the colon it continues the text.
    if (reason.size() > 1 && reason[0] >= 'A' && reason[0] <= 'Z' &&
        !(reason[1] >= 'A' && reason[1] <= 'Z'))
        reason[0] = static_cast<char>(reason[0] - 'A' + 'a');
    return "Cannot " + action + " \"" + path + "\": " + reason + ".";
}

std::string CannotOpenText(const std::string& path, unsigned long error) {
    return CannotText("open", path, error);
}

std::string ExistingButUnopenable(const std::string& path) {
    if (path.empty()) return {};
    const DWORD a = GetFileAttributesW(kname::LongPath(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:
            return {};
        default:
            return CannotOpenText(path, error);
        }
    }
    if (a & FILE_ATTRIBUTE_DIRECTORY)
        return "Cannot open \"" + path + "\": it is a folder, not an archive.";
    return {};
}

std::string ProgramPath() {
    return kname::ProgramFilePath();
}

bool ForceDirectories(std::string dir) {
    while (dir.size() > 1 && (dir.back() == '\\' || dir.back() == '/'))
        dir.pop_back();
    if (dir.empty() || DirectoryExists(dir)) return !dir.empty();
    size_t sep = dir.find_last_of("\\/");
    if (sep != std::string::npos && sep > 0) {
        std::string parent = dir.substr(0, sep);
        // A drive ("C:") is a root: it exists or it does not.
        bool isRoot = parent.size() == 2 && parent[1] == ':';
        if (!isRoot && !ForceDirectories(parent)) return false;
    }
    return CreateDirectoryW(kname::LongPath(dir).c_str(), nullptr) != 0 || DirectoryExists(dir);
}

} // namespace kpath
