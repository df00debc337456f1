#include "dlls/zipeng/TempArchive.h"

#include "dlls/zipeng/EngineError.h"
#include "dlls/zipeng/FileIo.h"

#include "base/LongPaths.h"

#include <cstdio>

namespace zipeng {

namespace {

constexpr std::string_view kPrefix = "~kz";
constexpr std::string_view kSuffix = ".tmp";

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

bool IsTempArchiveName(std::string_view name) {
    if (name.size() != kPrefix.size() + 8 + kSuffix.size()) return false;
    for (size_t i = 0; i < kPrefix.size(); ++i)
        if ((name[i] | 0x20) != (kPrefix[i] | 0x20)) return false;
    for (size_t i = 0; i < 8; ++i)
        if (!IsHex(name[kPrefix.size() + i])) return false;
    const std::string_view suffix = name.substr(kPrefix.size() + 8);
    for (size_t i = 0; i < kSuffix.size(); ++i)
        if ((suffix[i] | 0x20) != (kSuffix[i] | 0x20)) return false;
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string(".\\") : path.substr(0, cut + 1);
}

void RemoveStaleTemps(const std::string& folder) {
    WIN32_FIND_DATAW fd;
    ui::FindHandle find(FindFirstFileW(kname::LongPath(folder + "~kz*.tmp").c_str(), &fd));
    if (!find) return;
    do {
        const std::string name = kname::Narrow(fd.cFileName, CP_ACP);
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsTempArchiveName(name))
            DeleteFileW(
                kname::LongPath(folder + name).c_str()); // fails while another writer has it open
    } while (FindNextFileW(find.Get(), &fd));
}

TempArchive::TempArchive(const std::string& archivePath) : archivePath_(archivePath) {
    const std::string folder = FolderOf(archivePath);
    DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ GetCurrentThreadId();
    for (int attempt = 0; attempt < 64; ++attempt) {
        char name[16];
        std::snprintf(name, sizeof name, "~kz%08lx.tmp", static_cast<unsigned long>(seed));
        path_ = folder + name;
        // No sharing: nobody can open it meanwhile, and a stale-file sweep elsewhere cannot
        // delete it.
        handle_.Reset(CreateFileW(kname::LongPath(path_).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (handle_) return;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            throw EngineError(keng::kErrTempFile, "Cannot create a temporary file in " + folder +
                                                      ": " + SystemErrorText(error));
        seed = seed * 1664525u + 1013904223u;
    }
    throw EngineError(keng::kErrTempFile, "Cannot create a temporary file in " + folder);
}

TempArchive::~TempArchive() {
    if (committed_) return;
    handle_.Reset();
    DeleteFileW(kname::LongPath(path_).c_str());
}

void TempArchive::Commit(const FILETIME* time) {
    if (time && !SetFileTime(handle_.Get(), nullptr, nullptr, time))
        throw EngineError(keng::kErrWrite, "Cannot set the time of " + path_ + ": " +
                                               SystemErrorText(GetLastError()));
    if (!FlushFileBuffers(handle_.Get())) {
        const DWORD error = GetLastError();
        throw EngineError(error == ERROR_DISK_FULL ? keng::kErrDiskFull : keng::kErrWrite,
                          "Cannot write the new " + archivePath_ + ": " + SystemErrorText(error) +
                              "; it is unchanged");
    }
    handle_.Reset();
    if (!MoveFileExW(kname::LongPath(path_).c_str(), kname::LongPath(archivePath_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw EngineError(keng::kErrTempFile, "Cannot replace " + archivePath_ + ": " +
                                                  SystemErrorText(GetLastError()));
    committed_ = true;
}

} // namespace zipeng
