#include "mainwindow/TempFolders.h"

#include "engine/PathUtil.h"
#include "base/Handle.h"

#include <windows.h>

namespace startup {

namespace {

std::string WithoutTrailingBackslash(std::string s) {
    while (s.size() > 3 && (s.back() == '\\' || s.back() == '/'))
        s.pop_back();
    return s;
}

// Full, lower-cased form with backslashes, for comparing folders.
std::string Normalized(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string s = (n > 0 && n < sizeof full) ? std::string(full, n) : path;
    for (char& c : s)
        if (c == '/') c = '\\';
    return kpath::LowerCase(WithoutTrailingBackslash(s));
}

bool IsInside(const std::string& file, const std::string& folder) {
    if (folder.empty()) return false;
    std::string f = Normalized(folder);
    if (f.back() != '\\') f += '\\';
    return file.size() > f.size() && file.compare(0, f.size(), f) == 0;
}

} // namespace

std::string SystemTempDir() {
    char buf[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(sizeof buf, buf);
    return (n > 0 && n < sizeof buf) ? WithoutTrailingBackslash(std::string(buf, n)) : "";
}

std::string DetermineTempDir() {
    HKEY raw = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Setup",
                        0, nullptr, 0, KEY_READ, nullptr, &raw, nullptr) == ERROR_SUCCESS) {
        ui::KeyHandle key(raw);
        char value[MAX_PATH + 1] = {};
        DWORD size = sizeof value - 1, type = 0;
        if (RegQueryValueExA(key.Get(), "WinDir", nullptr, &type, reinterpret_cast<BYTE*>(value),
                             &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ) && value[0] != '\0')
            return std::string(value) + "\\Temp";
    }
    // Not the program's own folder: unpacking with overwrite there could replace the
    // program and its engines.
    return SystemTempDir();
}

bool IsDownloadLocation(const std::string& archive, const std::string& systemTemp,
                        const std::string& tempDir) {
    const std::string file = Normalized(archive);
    if (IsInside(file, systemTemp) || IsInside(file, tempDir)) return true;
    const std::string folder = WithoutTrailingBackslash(kpath::ExtractFilePath(file));
    const std::string name = kpath::ExtractFileName(folder);
    return name == "temp" || name == "tmp";
}

} // namespace startup
