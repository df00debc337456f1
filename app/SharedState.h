// The state the program's windows share, in one place owned by the application: WinMain
// makes one and hands it to every window it creates; a test makes its own.
#pragma once

#include <array>
#include <string>

class TMainForm;
class TfrmOptions;
class TfrmTextViewer;
class TAboutBox;
class TfrmFileInfo;
class TAddform;
class TWiz1;
class TWiz2;
class TWiz1Fur;
class TWiz3;
class TWiz4;

namespace kelvora {

// The program's windows, each created once at start-up; a window reaches another through
// these. A test sets only the ones it needs; a command whose window is missing does nothing.
struct ProgramWindows {
    TMainForm* MainForm = nullptr;
    TfrmOptions* frmOptions = nullptr;
    TfrmTextViewer* frmTextViewer = nullptr;
    TAboutBox* AboutBox = nullptr;
    TfrmFileInfo* frmFileInfo = nullptr;
    TAddform* Addform = nullptr;
    // The creation wizard's pages.
    TWiz1* Wiz1 = nullptr;
    TWiz2* Wiz2 = nullptr;
    TWiz1Fur* Wiz1Fur = nullptr;
    TWiz3* Wiz3 = nullptr;
    TWiz4* Wiz4 = nullptr;
};

// The five values the file info window shows, written at every refresh of the list.
struct FileInfoValues {
    std::string FileName = "0";
    std::string EntryCount = "0";
    std::string CompressedSize = "0";
    std::string UncompressedSize = "0";
    std::string Ratio = "0";
};

// The settings held in memory after loading; the options dialog edits them.
struct InMemorySettings {
    bool AutoMove = true;
    std::string DownloadDir = "c:\\download";
    bool AutoRun = true;
    bool AutoExit = true;
    bool Netscape = true;
    bool IE = true;
    std::array<std::string, 4> RecentArchives; // [0] is the newest
    bool AesEncryption = false; // "Protect With Password" uses AES-256, not traditional
};

struct SharedState {
    // The name of the main window's current archive; also written by the wizard and read
    // by the add-files dialog and the file info window.
    std::string CurrentArchiveName;
    // Set by the add-files dialog when it was left without anything to add.
    bool AddDialogCancelled = false;
    FileInfoValues FileInfo;
    InMemorySettings Settings;
    ProgramWindows Windows;
};

} // namespace kelvora
