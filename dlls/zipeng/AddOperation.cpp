// Adding: find the files, then write the new archive in one pass (AddWriter). A new archive
// is written while the files are still being found.
#include "dlls/zipeng/Operations.h"

#include "base/LongPaths.h"
#include "base/MemberNames.h"
#include "dlls/zipeng/AddWriter.h"
#include "dlls/zipeng/PasswordPrompt.h"
#include "dlls/zipeng/ReadAhead.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace zipeng {

namespace {

// Move: the files go only once the new archive is in place; then the folders stored as
// entries, deepest first, where that left them empty.
void RemoveSources(ItemSource& items, const std::vector<size_t>& written, Reporter& reporter) {
    std::vector<const SourceEntry*> folders;
    for (const size_t i : written) {
        const SourceEntry& src = items.Source(i);
        if (src.folder) {
            folders.push_back(&src);
            continue;
        }
        if (!DeleteFileW(FilePath(src.diskPath).c_str()))
            reporter.Message(keng::kErrWrite,
                             "Cannot delete " + Shown(src.diskPath) +
                                 " after adding it: " + SystemErrorText(GetLastError()));
    }
    std::sort(folders.begin(), folders.end(), [](const SourceEntry* a, const SourceEntry* b) {
        return a->diskPath.size() > b->diskPath.size();
    });
    for (const SourceEntry* f : folders)
        RemoveDirectoryW(FilePath(f->diskPath).c_str());
}

// Members meet new files by the names they stand for, so a member an old tool stored in the
// OEM code page is replaced by its file, now named in UTF-8.
std::vector<std::string> MemberNames(const std::vector<zipcore::Member>& members) {
    std::vector<std::string> names;
    names.reserve(members.size());
    for (const zipcore::Member& m : members)
        names.push_back(kname::Utf8Name(zipcore::DecodeMemberName(m)));
    return names;
}

std::optional<std::string> Password(const Request& request) {
    if (!request.encrypt) return std::nullopt;
    std::optional<std::string> password = request.password.empty()
                                              ? AskPassword(static_cast<HWND>(request.owner))
                                              : std::optional<std::string>(request.password);
    if (!password || password->empty())
        throw EngineError(keng::kErrPassword, "No password was given; nothing was added");
    return password;
}

} // namespace

int RunAdd(const Request& request, Reporter& reporter) {
    if (request.patterns.empty()) {
        reporter.Message(keng::kErrNoMatch, "No files were given to add");
        return 0;
    }
    const WriterTurn turn(request.archivePath);
    RemoveStaleTemps(FolderOf(request.archivePath));

    std::unique_ptr<FileSource> oldFile;
    std::unique_ptr<ReadAhead> old;
    zipcore::ArchiveInfo info;
    if (GetFileAttributesW(kname::LongPath(request.archivePath).c_str()) !=
        INVALID_FILE_ATTRIBUTES) {
        oldFile = std::make_unique<FileSource>(request.archivePath);
        old = std::make_unique<ReadAhead>(*oldFile);
        // An empty file is taken as an empty archive; anything else must read cleanly, or
        // nothing is done to it.
        if (old->Size() > 0) {
            try {
                info = zipcore::ReadArchive(*old);
            } catch (const zipcore::FormatError& e) {
                throw EngineError(keng::kErrBadArchive,
                                  request.archivePath + ": " + e.what() + "; nothing was added");
            }
        }
    }

    // Without members to replace, every file found is added in the order found, so writing
    // can start with the first one. Otherwise the plan needs the whole list first.
    ScanResult scan;
    AddPlan plan;
    std::unique_ptr<BackgroundScan> background;
    std::unique_ptr<ItemSource> items;
    if (info.members.empty() && request.mode != AddMode::Freshen) {
        background =
            std::make_unique<BackgroundScan>(request.patterns, request.scan, request.archivePath);
        items = std::make_unique<ScannedItems>(*background);
        PlanItem first;
        if (!items->Item(0, true, first)) {
            items->ReportProblems(reporter);
            for (const ScanProblem& p : background->TakeProblems(true))
                reporter.Message(p.code, p.text);
            return 0;
        }
    } else {
        scan = ScanSources(request.patterns, request.scan, request.archivePath);
        for (const ScanProblem& p : scan.problems)
            reporter.Message(p.code, p.text);
        plan = PlanAdd(info.members, scan.entries, request.mode, MemberNames(info.members));
        for (const size_t d : plan.duplicates)
            ReportDuplicate(reporter, scan.entries[d]);
        if (plan.additions == 0) {
            if (!scan.entries.empty())
                reporter.Verbose("Nothing to add: the archive is up to date");
            return 0;
        }
        items = std::make_unique<FixedItems>(plan, scan.entries);
    }

    const std::optional<std::string> password = Password(request);
    NewArchive archive(request.archivePath);
    if (old && info.dataStart > 0) archive.CopyPrefix(*old, info.dataStart);
    std::vector<size_t> written;
    {
        AddWriter writer(request, reporter, *items, archive, info.members, old.get(), password);
        written = writer.Run();
    }
    if (background) {
        for (const ScanProblem& p : background->TakeProblems(true))
            reporter.Message(p.code, p.text);
    }
    if (written.empty()) return 0; // every file failed: the archive stays as it was
    std::optional<FileIdentity> original;
    if (oldFile) original = oldFile->Identity();
    old.reset();
    oldFile.reset(); // closed before the new archive takes its place
    archive.Finish(info.comment, request.archiveTime, original);
    if (request.move) RemoveSources(*items, written, reporter);
    return static_cast<int>(written.size());
}

} // namespace zipeng
