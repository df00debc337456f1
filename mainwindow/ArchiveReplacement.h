// A new archive in place of an existing file of the same name. The engine writes the new
// archive under a work name beside the old one; only once it is complete does the old file
// go to the recycle bin and the new one take its name. Leaving before that, or adding
// nothing, keeps the old file as it was.
#pragma once

#include <windows.h>

#include <string>

namespace archivenames {

// The work name of a replacement for target: recognisable, so one left behind by an
// interrupted run is known and cleared by the next replacement of that name.
std::string ReplacementWorkName(const std::string& target);

class ArchiveReplacement {
public:
    explicit ArchiveReplacement(std::string target);
    // Removes a work archive that was not put in place.
    ~ArchiveReplacement();
    ArchiveReplacement(const ArchiveReplacement&) = delete;
    ArchiveReplacement& operator=(const ArchiveReplacement&) = delete;

    // Where the engine writes the new archive.
    const std::string& WorkName() const { return work_; }
    // After adding: when a new archive was written, the old file goes to the recycle bin and
    // the new one takes its name. True when the target is now the new archive; otherwise the
    // old file is untouched, and when a new archive had been written the user is told that
    // the old one could not be replaced.
    bool Complete(HWND owner);

private:
    std::string target_;
    std::string work_;
};

} // namespace archivenames
