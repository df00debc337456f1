// Window-free rules for getting members out to be viewed, run or installed: which member is
// a setup program, where an unpacked member lies, how a program is started, the folders
// each such command unpacks into, and how files and addresses are handed to Windows.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace members {

// The maker's pages and mailbox (a reserved domain: nothing real is contacted).
inline constexpr const char* kHomePage = "https://www.pelvox.example/";
inline constexpr const char* kProductPage = "https://www.pelvox.example/kelvora98/";
inline constexpr const char* kCommentsMail = "mailto:comments@pelvox.example";

// The first name, in the order given, whose lower-cased form (A to Z only) contains
// "install.exe" or "setup.exe" anywhere; returned lower-cased. Empty when none does.
std::string FindSetupName(const std::vector<std::string>& names);
// The same over names given one by one.
std::string FindSetupName(std::size_t count,
                          const std::function<std::string_view(std::size_t)>& nameAt);

// True for a file Windows starts as a program here: the extension ".exe", any case.
bool IsProgramFile(const std::string& path);
// The form of an existing file's path the system starts a program or opens a document by:
// the path itself below MAX_PATH, else with its folders (then also its name) in their 8.3
// form; nothing when even that is too long.
std::optional<std::string> StartablePath(const std::string& path);

// The command line that starts exactly this program: the path in quotes, so a folder with
// spaces is not read as a shorter program name followed by arguments.
std::string ProgramCommandLine(const std::string& path);
// Starts the program at path (below MAX_PATH) with that command line, in its own folder;
// ERROR_SUCCESS, or why the system would not start it.
DWORD StartProgram(const std::string& path);

// Where a member unpacked with its folders into folder lies: folder, a backslash and the
// stored name with backslashes. Nothing for a name that would lead outside the folder
// (absolute, a drive, "..") - the engine never writes those, and the path could name an
// unrelated file.
std::optional<std::string> UnpackedPath(const std::string& folder, const std::string& member);

// Removes a folder with everything in it, read-only files too. False when something stays.
bool RemoveTree(const std::string& folder);

// Fresh folders below a base folder, one per command that unpacks for viewing, running or
// installing, so a member never replaces an unrelated file and a stale copy is never the
// one used. Folders made for viewing are removed when this object ends (at program end);
// the others stay, since a started program may still need its files.
class ScratchFolders {
public:
    enum Kind { RemoveAtEnd, Keep };

    ScratchFolders() = default;
    ~ScratchFolders();
    ScratchFolders(const ScratchFolders&) = delete;
    ScratchFolders& operator=(const ScratchFolders&) = delete;

    // Creates base (and its parents) when missing, then a new folder of a name nobody has
    // used there; returns its path. Throws "Cannot create folder %s" when that fails.
    std::string Make(const std::string& base, Kind kind);
    // Removes the folders made with RemoveAtEnd so far.
    void RemoveMarked();

private:
    std::vector<std::string> marked_;
    unsigned next_ = 0;
};

// How files, addresses and the help file are handed to Windows: the shell's "open" and
// Windows help by default. Tests put recorders in, so no browser or help window opens.
struct Launcher {
    std::function<void(const std::string& target)> Open;
    std::function<void(HWND owner, const std::string& helpFile, UINT command)> Help;
};
Launcher WindowsLauncher();

} // namespace members
