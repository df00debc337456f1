#include "dlls/unzeng/Execute.h"

#include "dlls/unzeng/OutputFiles.h"
#include "dlls/unzeng/PasswordPrompt.h"
#include "dlls/unzeng/Pipeline.h"
#include "dlls/unzeng/Plan.h"
#include "dlls/unzeng/Reporter.h"
#include "dlls/unzeng/Request.h"
#include "dlls/unzeng/Win32Source.h"
#include "base/zipcore/LocalScan.h"
#include "base/zipcore/ZipFormat.h"
#include "base/EngineRecords.h"
#include "base/PasswordForms.h"

#include <optional>
#include <vector>

#include <windows.h>

namespace unzeng {

namespace {

// The members of an archive without a directory (a download cut off before its end), found
// by their local headers as the member list finds them: every complete one is extracted and
// checked against its CRC, the one the file ends in is reported. Empty when there are none.
std::optional<zipcore::ArchiveInfo> ScanIncomplete(zipcore::ByteSource& source,
                                                   const Request& request, Reporter& reporter) {
    zipcore::LocalScan scan = zipcore::ScanLocalHeaders(source);
    if (scan.members.empty() && !scan.cut) return std::nullopt;
    reporter.Message(keng::kErrNone, "\"" + request.archiveName +
                                         "\" is incomplete (its central directory is missing): " +
                                         std::to_string(scan.members.size()) +
                                         " complete members found by their local headers");
    if (scan.cut)
        reporter.Message(keng::kErrBadArchive,
                         "Not extracted: " +
                             (scan.cutName.empty() ? std::string("the last member")
                                                   : zipcore::QuoteName(scan.cutName)) +
                             ": the archive ends inside it");
    for (const std::string& name : scan.skipped)
        reporter.Message(keng::kErrBadArchive,
                         "Not extracted: " + zipcore::QuoteName(name) + ": its header is damaged");
    if (scan.junkBytes > 0)
        reporter.Message(keng::kErrNone, std::to_string(scan.junkBytes) +
                                             " bytes between the members belong to none of them");
    zipcore::ArchiveInfo archive;
    archive.members = std::move(scan.members);
    archive.dataStart = scan.firstHeader;
    archive.centralDirOffset = archive.endRecordOffset = archive.endOffset = source.Size();
    return archive;
}

// Asks the program, on this thread and before any worker starts, about every file that would
// replace an existing one; a file it keeps is told as kept, not as a problem. False when the
// program asked to stop.
bool AskAboutExistingFiles(Plan& plan, const Request& request, Reporter& reporter) {
    if (request.test || request.update || request.freshen) return true;
    for (Job& job : plan.jobs) {
        if (job.kind != Job::Kind::File) continue;
        const DWORD attributes = GetFileAttributesW(job.target.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue; // nothing to replace, or a folder the worker refuses with its reason
        const std::string path = DisplayPath(job.target);
        switch (reporter.AskOverwrite(path, job.member->name, job.member->uncompressedSize)) {
        case Reporter::Answer::Stop:
            return false;
        case Reporter::Answer::Replace:
            job.replace = true;
            break;
        case Reporter::Answer::Keep:
            job.kind = Job::Kind::Notice;
            job.notice = {keng::kErrNone, "Kept \"" + path + "\": not replaced, as asked"};
            break;
        }
    }
    return true;
}

// The password as given, then the same text in the older code pages it may have been
// encrypted in (base/PasswordForms.h). Empty without a password.
std::vector<std::string> PasswordsToTry(const std::optional<std::string>& password) {
    std::vector<std::string> tries;
    if (!password) return tries;
    tries.push_back(*password);
    kpass::PasswordForms forms;
    kpass::PasswordFormsOf(password->data(), static_cast<int>(password->size()), forms);
    for (int i = 1; i < forms.count; ++i)
        tries.emplace_back(forms.text[i], forms.length[i]);
    return tries;
}

int Execute(const Request& request, Reporter& reporter) {
    const std::wstring archivePath = Widen(request.archiveName, CP_ACP);
    zipcore::ArchiveInfo archive;
    try {
        Win32Source source(archivePath);
        try {
            archive = zipcore::ReadArchive(source);
        } catch (const zipcore::MissingDirectory&) {
            auto scanned = ScanIncomplete(source, request, reporter);
            if (!scanned) throw;
            if (scanned->members.empty()) return 0; // only a cut member, reported
            archive = std::move(*scanned);
        }
    } catch (const ArchiveIoError& e) {
        reporter.Message(keng::kErrOpenArchive,
                         "Cannot open the archive \"" + request.archiveName + "\": " + e.what());
        return 0;
    } catch (const zipcore::FormatError& e) {
        reporter.Message(keng::kErrBadArchive,
                         "\"" + request.archiveName +
                             "\" is damaged or not a zip archive: " + e.what());
        return 0;
    }
    const std::wstring base = request.test ? std::wstring() : CurrentFolderPath();
    if (!request.test) SweepTemps(base); // the other folders as they are first written
    Plan plan = MakePlan(archive, request, base);
    for (const Notice& n : plan.unmatched)
        if (reporter.Message(n.code, n.text)) return 0;
    if (request.askOverwrite && !AskAboutExistingFiles(plan, request, reporter)) {
        reporter.Message(keng::kErrCancelled, "Stopped at the user's request before any file");
        return 0;
    }

    std::optional<std::string> password = request.password;
    if (plan.needsPassword && !password) {
        password = AskPassword(request.owner, request.archiveName);
        if (!password) RefuseEncrypted(plan);
    }
    const std::vector<std::string> passwords = PasswordsToTry(password);
    try {
        const PipelineResult result = RunPipeline(plan, request, archivePath, passwords, reporter);
        if (result.stopped)
            reporter.Message(keng::kErrCancelled, "Stopped at the user's request after " +
                                                      std::to_string(result.processed) + " files");
        return result.processed;
    } catch (const ArchiveIoError& e) {
        reporter.Message(keng::kErrOpenArchive,
                         "Cannot read the archive \"" + request.archiveName + "\": " + e.what());
        return 0;
    }
}

// A report that cannot be made (the callback itself throws) is left out: nothing may
// unwind into the caller.
void ReportQuietly(Reporter& reporter, keng::ErrorCode code, const std::string& text) {
    try {
        reporter.Message(code, text);
    } catch (...) {
    }
}

} // namespace

std::int32_t ExecuteRecord(keng::UnzParams* params) {
    if (!params) return 0;
    Reporter reporter(params->Callback, params->Caller);
    int processed = 0;
    try {
        std::string problem;
        if (const auto request = ReadRequest(*params, problem))
            processed = Execute(*request, reporter);
        else
            reporter.Message(keng::kErrParams, "Extraction refused: " + problem);
    } catch (const std::bad_alloc&) {
        ReportQuietly(reporter, keng::kErrInternal, "Extraction failed: out of memory");
    } catch (const std::exception& e) {
        ReportQuietly(reporter, keng::kErrInternal, std::string("Extraction failed: ") + e.what());
    } catch (...) {
        ReportQuietly(reporter, keng::kErrInternal, "Extraction failed: unexpected failure");
    }
    try {
        reporter.EndOfBatch();
    } catch (...) {
    }
    return processed;
}

} // namespace unzeng
