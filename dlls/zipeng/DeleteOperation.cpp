// Deleting: every member the patterns select is left out of the new archive; the
// others are copied unchanged.
#include "dlls/zipeng/Operations.h"

#include "base/LongPaths.h"
#include "base/zipcore/Wildcard.h"
#include "dlls/zipeng/NewArchive.h"
#include "dlls/zipeng/ReadAhead.h"

#include <memory>

namespace zipeng {

int RunDelete(const Request& request, Reporter& reporter) {
    if (request.patterns.empty()) {
        reporter.Message(keng::kErrNoMatch, "No members were given to delete");
        return 0;
    }
    if (GetFileAttributesW(kname::LongPath(request.archivePath).c_str()) == INVALID_FILE_ATTRIBUTES)
        throw EngineError(keng::kErrOpenArchive, "Cannot find " + request.archivePath);
    const WriterTurn turn(request.archivePath);
    RemoveStaleTemps(FolderOf(request.archivePath));

    auto oldFile = std::make_unique<FileSource>(request.archivePath);
    auto old = std::make_unique<ReadAhead>(*oldFile);
    zipcore::ArchiveInfo info;
    try {
        info = zipcore::ReadArchive(*old);
    } catch (const zipcore::FormatError& e) {
        throw EngineError(keng::kErrBadArchive,
                          request.archivePath + ": " + e.what() + "; nothing was deleted");
    }

    const zipcore::NameSelector selector(request.patterns);
    std::vector<bool> used(request.patterns.size(), false);
    std::vector<bool> remove(info.members.size(), false);
    int count = 0;
    for (size_t i = 0; i < info.members.size(); ++i)
        if (selector.Selects(info.members[i].name, &used)) {
            remove[i] = true;
            ++count;
        }
    for (size_t s = 0; s < request.patterns.size(); ++s)
        if (!used[s])
            reporter.Message(keng::kErrNoMatch, "No member matches " + request.patterns[s]);
    if (count == 0) return 0;

    NewArchive archive(request.archivePath);
    if (info.dataStart > 0) archive.CopyPrefix(*old, info.dataStart);
    for (size_t i = 0; i < info.members.size(); ++i) {
        const zipcore::Member& m = info.members[i];
        if (remove[i]) {
            reporter.NewFile(m.name, m.uncompressedSize);
            reporter.Verbose("deleted " + m.name);
        } else {
            archive.CopyMember(*old, m);
        }
    }
    const FileIdentity original = oldFile->Identity();
    old.reset();
    oldFile.reset(); // closed before the new archive takes its place
    archive.Finish(info.comment, request.archiveTime, original);
    return count;
}

} // namespace zipeng
