// What the floor programs share: listing a tree of files, and the CPU used by this process
// and by the Wine server. Not part of the product.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace floors {

struct Tree {
    std::vector<std::wstring> folders; // relative, backslashes, parents before children
    std::vector<int> parent;           // index into folders, -1 for a top-level folder
    std::vector<std::wstring> files;   // relative, backslashes
    std::vector<int> folderOf;         // index into folders, -1 for a file at the top
};

// Lists `root` (ending in a backslash) depth first, names sorted within a folder, so the
// files of one folder are neighbours as an archive's members usually are.
inline void List(const std::wstring& root, Tree& tree, const std::wstring& relative = L"",
                 int folder = -1) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((root + relative + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> folders, files;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? folders : files).push_back(name);
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    for (const std::wstring& name : files) {
        tree.files.push_back(relative + name);
        tree.folderOf.push_back(folder);
    }
    for (const std::wstring& name : folders) {
        tree.folders.push_back(relative + name);
        tree.parent.push_back(folder);
        List(root, tree, relative + name + L"\\", static_cast<int>(tree.folders.size()) - 1);
    }
}

inline double OwnCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

// User plus system clock ticks of a Linux process, read from /proc through Wine's Z: drive
// (the only way a Windows program sees the Wine server's CPU), or -1 when /proc cannot be
// read. "self" would not do for this process: the server opens the files. Fields 14 and 15 of
// /proc/<pid>/stat, counted after the command name, which may hold spaces and ends at the last ')'.
inline long long ServerTicks(const std::wstring& pid) {
    HANDLE h = CreateFileW((L"Z:\\proc\\" + pid + L"\\stat").c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    char text[1024];
    DWORD got = 0;
    const BOOL read = ReadFile(h, text, sizeof text - 1, &got, nullptr);
    CloseHandle(h);
    if (!read) return -1;
    text[got] = 0;
    const char* at = std::strrchr(text, ')');
    unsigned long long user = 0, system = 0;
    if (!at || std::sscanf(at + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &user,
                           &system) != 2)
        return -1;
    return static_cast<long long>(user + system);
}

} // namespace floors
