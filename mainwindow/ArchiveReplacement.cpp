#include "mainwindow/ArchiveReplacement.h"

#include "engine/PathUtil.h"
#include "settings/win95.h"

namespace archivenames {

std::string ReplacementWorkName(const std::string& target) {
    return target + ".~kn";
}

ArchiveReplacement::ArchiveReplacement(std::string target)
    : target_(std::move(target)), work_(ReplacementWorkName(target_)) {
    // A work archive of this name can only be left over from a replacement that never
    // finished; the engine must not add to it.
    DeleteFileA(work_.c_str());
}

ArchiveReplacement::~ArchiveReplacement() {
    DeleteFileA(work_.c_str());
}

bool ArchiveReplacement::Complete(HWND owner) {
    if (!kpath::FileExists(work_)) return false;
    if (kpath::FileExists(target_) &&
        (!win95::DeleteFiles(owner, {target_}, true, false) || kpath::FileExists(target_)))
        return false;
    return MoveFileA(work_.c_str(), target_.c_str()) != 0;
}

} // namespace archivenames
