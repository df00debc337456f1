// The file system side of extraction: folders created once and remembered, new files,
// temporary files beside their target, replacing, times and attributes. Paths are absolute
// wide paths with the \\?\ prefix, so member paths longer than MAX_PATH still work.
#pragma once

#include "dlls/common/FastSync.h"
#include "base/Handle.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace unzeng {

// A file or folder cannot be created, written or replaced; the text names it.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The current directory as an absolute \\?\ path without a trailing backslash.
std::wstring CurrentFolderPath();

// The folder one worker made sure of last: most members lie beside the one before, and then
// cost no lookup, no lock and no lower-casing.
struct LastFolder {
    std::wstring path;
    bool fresh = false;
    bool valid = false;
};

// Creates folders, remembering which exist so each is asked for once. Thread-safe.
class FolderMaker {
public:
    // Creates the folder and its missing parents. True when this extraction created it, so
    // nothing but its own files can be in it. Throws WriteError.
    bool Ensure(const std::wstring& folder);
    // Creates the folders above a file path; true as Ensure.
    bool EnsureParentOf(const std::wstring& file, LastFolder& last);

private:
    bool EnsureLocked(const std::wstring& folder, const std::wstring& key);

    ksync::Mutex mutex_;
    std::unordered_map<std::wstring, bool> known_; // lower-cased path: created by us
};

// Creates a file that must not exist yet. Empty handle and `error` set when it cannot;
// ERROR_FILE_EXISTS / ERROR_ALREADY_EXISTS mean something is there already.
ui::FileHandle CreateNewFile(const std::wstring& path, unsigned long& error);

// Creates a new, uniquely named file in the folder of `target` ("~ku" + 8 hex digits +
// ".tmp", base/TempNames.h: its length never depends on the target's) and puts its path in
// `temp` (its memory reused from file to file). Throws WriteError.
void CreateTempBeside(const std::wstring& target, ui::FileHandle& file, std::wstring& temp);

// Keeps the data of the temporary file open on `file` (closed afterwards) where the user
// finds it beside its target: "name.~kz" (or "name.~kz2", ...), or, where such a name would
// be too long, the temporary name ending in ".bad", which no sweep removes. Returns the name.
std::wstring KeepAside(ui::FileHandle& file, const std::wstring& temp, const std::wstring& target,
                       std::vector<std::uint8_t>& record);

// Deletes the temporary files a killed extraction left in the folder; one another extraction
// is writing stays (it is open without sharing).
void SweepTemps(const std::wstring& folder);

// The DOS time of an existing file's last write, or nothing when no file is there.
std::optional<std::uint32_t> ExistingFileDosTime(const std::wstring& path);

// Writes all bytes. Throws WriteError naming the path.
void WriteAll(const ui::FileHandle& file, const std::uint8_t* data, std::size_t n,
              const std::wstring& path);

// Sets the member's times: all three from its NTFS extra field, else the modification time
// from its extended timestamp, else from its DOS time (local time of that date). An invalid
// DOS time without either field leaves the times as they are.
void SetMemberTimes(const ui::FileHandle& file, const std::string& extra, std::uint32_t dosTime);

// Moves `from` over `to`, clearing a read-only attribute on `to` if that is in the way.
// Throws WriteError.
void ReplaceWith(const std::wstring& from, const std::wstring& to);

// Renames without replacing. Throws WriteError.
void Rename(const std::wstring& from, const std::wstring& to);
// Gives the file open on `file` (opened with DELETE access) the name `to`, replacing a file
// of that name when asked. False when it could not (a read-only file in the way, a system
// without the call): the caller then closes the file and renames it by name. Under Wine this
// saves three wine-server round trips per extracted file over renaming by name. `record`
// holds the call's record, its memory reused from file to file.
bool RenameOpenFile(const ui::FileHandle& file, const std::wstring& to, bool replace,
                    std::vector<std::uint8_t>& record);

// Deletes if present; errors are ignored (clean-up after a failure).
void RemoveQuietly(const std::wstring& path);

void MarkReadOnly(const std::wstring& path);

// Lower-cases a path in place as Windows compares names (letter case ignored), for keys of
// paths; ASCII names, the usual ones, without a system call.
void LowerCaseKey(wchar_t* path, std::size_t length);
inline void LowerCaseKey(std::wstring& path) {
    LowerCaseKey(path.data(), path.size());
}

// Conversions for messages and paths.
std::wstring Widen(const std::string& text, unsigned codePage);
std::string Narrow(const std::wstring& text);
// A path for messages: without the \\?\ prefix, in UTF-8 like every message text.
std::string DisplayPath(const std::wstring& path);

} // namespace unzeng
