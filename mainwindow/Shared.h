// State shared between the program's windows.
#pragma once

#include <string>

namespace kelvora {

// The name of the main window's current archive; also written by the wizard and read by
// the add-files dialog and the file info window.
extern std::string CurrentArchiveName;
// Set by the add-files dialog when it was left without anything to add.
extern bool AddDialogCancelled;

// The five values the file info window shows, written at every refresh of the list.
struct FileInfoValues {
    std::string FileName = "0";
    std::string EntryCount = "0";
    std::string CompressedSize = "0";
    std::string UncompressedSize = "0";
    std::string Ratio = "0";
};
extern FileInfoValues FileInfo;

} // namespace kelvora
