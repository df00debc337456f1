#include "engine/PathUtil.h"

#include <windows.h>

#include <algorithm>

namespace kpath {

namespace {
size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/:"); }
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
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
    if (path.empty()) return false;
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
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
    return CreateDirectoryA(dir.c_str(), nullptr) != 0 || DirectoryExists(dir);
}

} // namespace kpath
