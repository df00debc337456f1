// The archive being written: a temporary file beside the old one, the members copied or
// written so far and their central directory entries. Finish writes the directory and the
// end records and puts the file in the archive's place; destroying it without Finish
// leaves the old archive as it was and the temporary file gone.
#pragma once

#include "base/zipcore/CentralDirectory.h"
#include "dlls/zipeng/FileIo.h"
#include "dlls/zipeng/MemberHeaders.h"
#include "dlls/zipeng/TempArchive.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zipeng {

class NewArchive {
public:
    explicit NewArchive(const std::string& archivePath);

    OutputFile& Out() { return out_; }

    // Bytes in front of the first member (a self-extractor stub), copied as they are.
    void CopyPrefix(zipcore::ByteSource& src, std::uint64_t length);
    // A member copied byte for byte (local header, data, descriptor); only its offset in the
    // central directory changes.
    void CopyMember(zipcore::ByteSource& src, const zipcore::Member& member);
    // The central directory entry of a member written at m.localOffset.
    void AddEntry(const HeaderFields& m);

    // Central directory, end records, and the switch (TempArchive::Commit: over `original`
    // only while it is still there, a new archive only where nothing is). With archiveTime
    // the file gets the time of its newest member.
    void Finish(const std::string& comment, bool archiveTime,
                const std::optional<FileIdentity>& original);

    std::uint64_t Entries() const { return entries_; }

private:
    void Copy(zipcore::ByteSource& src, std::uint64_t offset, std::uint64_t length);

    TempArchive temp_;
    OutputFile out_;
    std::string central_;
    std::uint64_t entries_ = 0;
    std::uint32_t newest_ = 0;
    std::vector<char> copyBuffer_;
};

} // namespace zipeng
