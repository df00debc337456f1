// The values the program's windows share, in one place owned by the application: WinMain
// makes one and hands it to the windows that read or write them; a test makes its own.
// Windows never reach each other through it: whoever opens a window hands it what it needs.
#pragma once

#include <array>
#include <string>

namespace kelvora {

// The settings held in memory after loading; the options dialog edits them.
struct InMemorySettings {
    bool AutoMove = true;
    std::string DownloadDir = "c:\\download";
    bool AutoRun = true;
    bool AutoExit = true;
    // Taking over a file type is the user's choice: off until switched on.
    bool Netscape = false;
    bool IE = false;
    std::array<std::string, 4> RecentArchives; // [0] is the newest
    bool AesEncryption = false; // "Protect With Password" uses AES-256, not traditional
};

struct SharedState {
    // The name of the main window's current archive; also written by the wizard and read
    // by the add-files dialog and the file info window.
    std::string CurrentArchiveName;
    // Set by the add-files dialog when it was left without anything to add.
    bool AddDialogCancelled = false;
    InMemorySettings Settings;
};

} // namespace kelvora
