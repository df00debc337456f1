#include "dlls/zipeng/TempArchive.h"

#include "dlls/zipeng/EngineError.h"
#include "dlls/zipeng/FileIo.h"

#include "base/LongPaths.h"
#include "base/TempNames.h"

namespace zipeng {

namespace {
constexpr std::wstring_view kPrefix = L"~kz";
} // namespace

bool IsTempArchiveName(std::string_view name) {
    return ktemp::IsTempName(kname::Widen(name, CP_ACP), kPrefix);
}

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string(".\\") : path.substr(0, cut + 1);
}

void RemoveStaleTemps(const std::string& folder) {
    ktemp::SweepTemps(kname::LongPath(folder), kPrefix);
}

TempArchive::TempArchive(const std::string& archivePath) : archivePath_(archivePath) {
    const std::string folder = FolderOf(archivePath);
    DWORD seed = ktemp::FreshSeed();
    for (int attempt = 0; attempt < 64; ++attempt) {
        path_ = folder + kname::Narrow(ktemp::TempName(kPrefix, seed), CP_ACP);
        // No sharing: nobody can open it meanwhile, and a stale-file sweep elsewhere cannot
        // delete it.
        handle_.Reset(CreateFileW(kname::LongPath(path_).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (handle_) return;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            throw EngineError(keng::kErrTempFile, "Cannot create a temporary file in " + folder +
                                                      ": " + SystemErrorText(error));
        seed = ktemp::NextSeed(seed);
    }
    throw EngineError(keng::kErrTempFile, "Cannot create a temporary file in " + folder);
}

TempArchive::~TempArchive() {
    if (committed_) return;
    handle_.Reset();
    DeleteFileW(kname::LongPath(path_).c_str());
}

void TempArchive::Commit(const FILETIME* time, const std::optional<FileIdentity>& original) {
    if (time && !SetFileTime(handle_.Get(), nullptr, nullptr, time))
        throw EngineError(keng::kErrWrite, "Cannot set the time of " + path_ + ": " +
                                               SystemErrorText(GetLastError()));
    if (!FlushFileBuffers(handle_.Get())) {
        const DWORD error = GetLastError();
        throw EngineError(error == ERROR_DISK_FULL ? keng::kErrDiskFull : keng::kErrWrite,
                          "Cannot write the new " + archivePath_ + ": " + SystemErrorText(error) +
                              "; it is unchanged");
    }
    // The archive was held open until now, so only a program that ignores the writers' turn
    // can have put another file there, in the moment since it was closed.
    if (original && IdentityAt(archivePath_) != original)
        throw EngineError(keng::kErrOpenArchive,
                          "Cannot replace " + archivePath_ +
                              ": another program changed it meanwhile; it is left as it is now");
    handle_.Reset();
    const DWORD replace = original ? MOVEFILE_REPLACE_EXISTING : 0;
    if (!MoveFileExW(kname::LongPath(path_).c_str(), kname::LongPath(archivePath_).c_str(),
                     replace | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (!original && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS))
            throw EngineError(keng::kErrOpenArchive,
                              "Cannot create " + archivePath_ +
                                  ": another program made a file of that name meanwhile; it is "
                                  "left as it is");
        throw EngineError(keng::kErrTempFile,
                          "Cannot replace " + archivePath_ + ": " + SystemErrorText(error));
    }
    committed_ = true;
}

} // namespace zipeng
