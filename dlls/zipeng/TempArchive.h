// The new archive is written to a temporary file in the archive's own folder and takes the
// archive's place only when it is complete and on disk. Temporary files are named
// "~kz" + 8 hex digits + ".tmp"; ones left behind by a crash are removed the next time the
// engine writes to that folder (a temporary file still open elsewhere cannot be deleted and
// so is left alone).
#pragma once

#include "base/Handle.h"
#include "dlls/zipeng/ArchiveGuard.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace zipeng {

// Whether a file name (without folder) has the form of the engine's temporary files.
bool IsTempArchiveName(std::string_view fileName);

// Deletes the engine's leftover temporary files in the folder (which ends with '\').
void RemoveStaleTemps(const std::string& folder);

// The folder part of a full path, with its trailing '\'.
std::string FolderOf(const std::string& path);

class TempArchive {
public:
    // Creates a new temporary file beside the archive; throws EngineError(kErrTempFile).
    explicit TempArchive(const std::string& archivePath);
    // Without Commit the temporary file is closed and deleted.
    ~TempArchive();
    TempArchive(const TempArchive&) = delete;
    TempArchive& operator=(const TempArchive&) = delete;

    HANDLE Handle() const { return handle_.Get(); }
    const std::string& Path() const { return path_; }

    // Gives the file the time (when not null), forces it to disk, closes it and moves it
    // over the archive: over `original` only while the name still holds that file, or, for a
    // new archive (no original), only where no file has appeared meanwhile. Throws
    // EngineError; the archive is then as it was, or as another writer left it.
    void Commit(const FILETIME* time, const std::optional<FileIdentity>& original);

private:
    std::string archivePath_;
    std::string path_;
    ui::FileHandle handle_;
    bool committed_ = false;
};

} // namespace zipeng
