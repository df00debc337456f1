#include "dlls/unzeng/MemberWork.h"

#include "dlls/unzeng/Win32Source.h"

#include "base/zipcore/MemberReader.h"
#include "base/zipcore/ZipFormat.h"

#include <windows.h>

#include <optional>

namespace unzeng {

namespace {

using zipcore::MemberError;

keng::ErrorCode CodeFor(MemberError::Kind kind) {
    switch (kind) {
    case MemberError::Kind::Unsupported:
        return keng::kErrUnsupportedMethod;
    case MemberError::Kind::NeedPassword:
    case MemberError::Kind::WrongPassword:
        return keng::kErrPassword;
    case MemberError::Kind::Corrupt:
        break;
    }
    return keng::kErrCrc;
}

// Locates the member and prepares its decoder; a member that cannot be decoded is reported
// here, before anything is written.
std::optional<zipcore::MemberDecoder> OpenDecoder(WorkContext& ctx, const zipcore::Member& m,
                                                  JobSink& sink) {
    try {
        zipcore::LocateData(ctx.source, m, ctx.span);
        return std::optional<zipcore::MemberDecoder>(std::in_place, ctx.source, m, ctx.span,
                                                     ctx.passwords, &ctx.scratch);
    } catch (const MemberError& e) {
        sink.Note(CodeFor(e.kind()), std::string("Skipped: ") + e.what());
    } catch (const zipcore::FormatError& e) {
        sink.Note(keng::kErrBadArchive, std::string("Skipped: ") + e.what());
    }
    return std::nullopt;
}

// Where the data goes: always a temporary file beside the target (OutputFiles.h), which takes
// the target's name only once its data proved correct. An interrupted extraction (a stop,
// a killed process, a full disk) thus never leaves a partial file under the real name, dated
// now, that a later Update or Freshen would take for a good one; an existing file is
// replaced only then.
struct Output {
    ui::FileHandle file;
    const std::wstring& path;   // the temporary file being written (the worker's buffer)
    const std::wstring& target; // its final name
    std::vector<std::uint8_t>& renameRecord;
    bool replacing = false;

    void Discard() {
        file.Reset();
        RemoveQuietly(path);
    }
    // Keeps failed data beside the target; returns its name.
    std::wstring KeepAside() { return unzeng::KeepAside(file, path, target, renameRecord); }
    void Commit() {
        const bool renamed = RenameOpenFile(file, target, replacing, renameRecord);
        file.Reset();
        if (renamed) return;
        if (replacing)
            ReplaceWith(path, target);
        else
            Rename(path, target); // fails rather than replace a file that appeared meanwhile
    }
};

bool MemberIsNewer(const zipcore::Member& m, std::uint32_t fileDosTime) {
    return m.dosTime > fileDosTime;
}

// Opens the output by the rules of OverWrite, Update and Freshen; empty when the member is
// skipped (after saying why, where the user would want to know).
std::optional<Output> OpenOutput(WorkContext& ctx, const Job& job, JobSink& sink) {
    const Request& r = ctx.request;
    const zipcore::Member& m = *job.member;

    auto write = [&](bool replacing) -> std::optional<Output> {
        std::optional<Output> out(
            std::in_place, Output{{}, ctx.tempPath, job.target, ctx.renameRecord, replacing});
        CreateTempBeside(job.target, out->file, ctx.tempPath);
        return out;
    };
    auto upToDate = [&]() -> std::optional<Output> {
        if (r.verbose)
            sink.Note(keng::kErrExists,
                      "Skipped " + QuotedMemberName(m) + ": the file is not older");
        return std::nullopt;
    };

    if (r.freshen) {
        // Freshen extracts only over existing files, so it never creates a folder either.
        const auto existing = ExistingFileDosTime(job.target);
        if (!existing) return std::nullopt;
        if (!MemberIsNewer(m, *existing)) return upToDate();
        return write(true);
    }
    // Nothing can be in a folder this extraction created but its own files, and no two of
    // those share a path: no need to look.
    const bool freshFolder = r.dirNames && ctx.folders.EnsureParentOf(job.target, ctx.lastFolder);
    const DWORD attributes =
        freshFolder ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(job.target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return write(false);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw WriteError("cannot create \"" + DisplayPath(job.target) +
                         "\": a folder of that name is there");
    if (r.update) {
        const auto existing = ExistingFileDosTime(job.target);
        if (existing && !MemberIsNewer(m, *existing)) return upToDate();
        return write(true);
    }
    if (r.overwrite || job.replace) return write(true);
    sink.Note(keng::kErrExists, "Skipped " + QuotedMemberName(m) + ": \"" +
                                    DisplayPath(job.target) + "\" exists (overwriting is off)");
    return std::nullopt;
}

} // namespace

void ExtractFile(WorkContext& ctx, const Job& job, JobSink& sink) {
    const zipcore::Member& m = *job.member;
    std::optional<zipcore::MemberDecoder> decoder = OpenDecoder(ctx, m, sink);
    if (!decoder) return;

    std::optional<Output> out = [&]() -> std::optional<Output> {
        try {
            return OpenOutput(ctx, job, sink);
        } catch (const WriteError& e) {
            sink.Note(keng::kErrWrite,
                      std::string("Skipped ") + QuotedMemberName(m) + ": " + e.what());
            return std::nullopt;
        }
    }();
    if (!out) return;

    sink.Start();
    std::uint32_t crc = 0;
    try {
        while (const std::size_t n = decoder->Read(ctx.buffer.data(), ctx.buffer.size())) {
            crc = zipcore::Crc32(crc, ctx.buffer.data(), n);
            WriteAll(out->file, ctx.buffer.data(), n, out->path);
            if (!sink.Progress(decoder->Produced())) {
                out->Discard();
                return;
            }
        }
        if (zipcore::HasCrc(m) && crc != m.crc) {
            const std::wstring kept = out->KeepAside();
            sink.Note(keng::kErrCrc, "CRC error in " + QuotedMemberName(m) +
                                         (m.IsEncrypted() ? " (or a wrong password)" : "") +
                                         "; its data was kept as \"" + DisplayPath(kept) + "\"");
            return;
        }
        SetMemberTimes(out->file, m.extra, m.dosTime);
        out->Commit();
        if (m.IsReadOnly()) MarkReadOnly(job.target);
    } catch (const MemberError& e) {
        out->Discard();
        sink.Note(CodeFor(e.kind()), e.what());
        return;
    } catch (const WriteError& e) {
        out->Discard();
        sink.Note(keng::kErrWrite, e.what());
        return;
    }
    sink.Succeeded();
}

void TestFile(WorkContext& ctx, const Job& job, JobSink& sink) {
    const zipcore::Member& m = *job.member;
    std::optional<zipcore::MemberDecoder> decoder = OpenDecoder(ctx, m, sink);
    if (!decoder) return;
    sink.Start();
    std::uint32_t crc = 0;
    try {
        while (const std::size_t n = decoder->Read(ctx.buffer.data(), ctx.buffer.size())) {
            crc = zipcore::Crc32(crc, ctx.buffer.data(), n);
            if (!sink.Progress(decoder->Produced())) return;
        }
    } catch (const MemberError& e) {
        sink.Note(CodeFor(e.kind()), e.what());
        return;
    }
    if (zipcore::HasCrc(m) && crc != m.crc) {
        sink.Note(keng::kErrCrc, "CRC error in " + QuotedMemberName(m) +
                                     (m.IsEncrypted() ? " (or a wrong password)" : ""));
        return;
    }
    sink.Succeeded();
}

void MakeFolder(WorkContext& ctx, const Job& job, JobSink& sink) {
    try {
        ctx.folders.Ensure(job.target);
    } catch (const WriteError& e) {
        sink.Note(keng::kErrWrite, e.what());
    }
}

} // namespace unzeng
