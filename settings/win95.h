// Copying, moving and deleting files through the shell, with its own progress and
// confirmation dialogs, undo and recycle bin.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

namespace win95 {

// The NUL-separated, double-NUL-terminated list the shell takes. Names are kept whole (";"
// is a valid file-name character); nothing when the list is empty or a name is empty,
// which the shell's form cannot hold.
std::optional<std::string> ShellNameList(const std::vector<std::string>& names);

// The flags each operation asks for.
FILEOP_FLAGS CopyFlags(bool rename, bool confirm);
FILEOP_FLAGS MoveFlags(bool rename, bool silent);
FILEOP_FLAGS DeleteFlags(bool toRecycle, bool confirm);

// Where one file copied or moved to dest lands when Rename is asked for: dest itself (or
// the file's name in the folder dest), or, when that name is taken by another file, the
// first free "name (2).ext", "name (3).ext"... Not every shell renames on its own (Wine
// overwrites), so the operations pass the free name on and can tell the caller.
std::string RenamedTarget(const std::string& source, const std::string& dest);

// Each is true exactly when the shell reports success. Dest is one folder or file name.
// Rename gives a copy or move onto an existing name a new name instead; for a single file,
// placedAs then receives where it went. Confirm (copy, delete) lets the shell ask; Silent
// (move) keeps it from asking. A name of MAX_PATH or more, which the shell cannot take, is
// copied or moved (one file) by the file calls without the shell's dialogs; deleted through
// the shell by its 8.3 folders where that form is below MAX_PATH, else erased by the file
// calls (the system's last error then says why one was not).
bool CopyFiles(HWND window, const std::vector<std::string>& source, const std::string& dest,
               bool rename, bool confirm, std::string* placedAs = nullptr);
bool MoveFiles(HWND window, const std::vector<std::string>& source, const std::string& dest,
               bool rename, bool silent, std::string* placedAs = nullptr);
// ToRecycle sends the files to the recycle bin; otherwise they are erased.
bool DeleteFiles(HWND window, const std::vector<std::string>& names, bool toRecycle, bool confirm);

} // namespace win95
