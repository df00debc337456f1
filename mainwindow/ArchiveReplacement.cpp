#include "mainwindow/ArchiveReplacement.h"

#include "base/LongPaths.h"
#include "engine/PathUtil.h"
#include "settings/win95.h"
#include "ui/Dialogs.h"

namespace archivenames {

std::string ReplacementWorkName(const std::string& target) {
    return target + ".~kn";
}

ArchiveReplacement::ArchiveReplacement(std::string target)
    : target_(std::move(target)), work_(ReplacementWorkName(target_)) {
    // A work archive of this name can only be left over from a replacement that never
    // finished; the engine must not add to it.
    DeleteFileW(kname::LongPath(work_).c_str());
}

ArchiveReplacement::~ArchiveReplacement() {
    DeleteFileW(kname::LongPath(work_).c_str());
}

bool ArchiveReplacement::Complete(HWND owner) {
    if (!kpath::FileExists(work_)) return false; // nothing was added: nothing to replace
    const bool oldGone =
        !kpath::FileExists(target_) ||
        (win95::DeleteFiles(owner, {target_}, true, false) && !kpath::FileExists(target_));
    if (oldGone && MoveFileW(kname::LongPath(work_).c_str(), kname::LongPath(target_).c_str()))
        return true;
    ui::Dialogs().Info(owner, "Error - cannot replace " + target_ + "; it is unchanged");
    return false;
}

} // namespace archivenames
