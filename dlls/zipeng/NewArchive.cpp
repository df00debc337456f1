#include "dlls/zipeng/NewArchive.h"

#include "base/zipcore/ZipFormat.h"

#include <algorithm>

namespace zipeng {

namespace {
constexpr size_t kCopyBlock = 1 << 20;
}

NewArchive::NewArchive(const std::string& archivePath)
    : temp_(archivePath), out_(temp_.Handle(), archivePath) {}

void NewArchive::Copy(zipcore::ByteSource& src, std::uint64_t offset, std::uint64_t length) {
    if (copyBuffer_.empty()) copyBuffer_.resize(kCopyBlock);
    while (length > 0) {
        const size_t n = static_cast<size_t>(std::min<std::uint64_t>(length, kCopyBlock));
        zipcore::ReadExact(src, offset, copyBuffer_.data(), n, "member data");
        out_.Write(copyBuffer_.data(), n);
        offset += n;
        length -= n;
    }
}

void NewArchive::CopyPrefix(zipcore::ByteSource& src, std::uint64_t length) {
    Copy(src, 0, length);
}

void NewArchive::CopyMember(zipcore::ByteSource& src, const zipcore::Member& member) {
    const zipcore::MemberDataSpan span = zipcore::LocateData(src, member);
    HeaderFields h;
    h.name = member.name;
    h.versionMadeBy = member.versionMadeBy;
    h.versionNeeded = member.versionNeeded;
    h.flags = member.flags;
    h.method = member.method;
    h.dosTime = member.dosTime;
    h.crc = member.crc;
    h.compressedSize = member.compressedSize;
    h.uncompressedSize = member.uncompressedSize;
    h.localOffset = out_.Position();
    h.internalAttributes = member.internalAttributes;
    h.externalAttributes = member.externalAttributes;
    h.extra = zipcore::RemoveExtraField(member.extra, zipcore::kZip64ExtraId);
    h.comment = member.comment;
    Copy(src, span.headerOffset, span.end - span.headerOffset);
    AddEntry(h);
}

void NewArchive::AddEntry(const HeaderFields& m) {
    central_ += CentralHeader(m);
    ++entries_;
    newest_ = std::max(newest_, m.dosTime);
}

void NewArchive::Finish(const std::string& comment, bool archiveTime,
                        const std::optional<FileIdentity>& original) {
    const std::uint64_t centralOffset = out_.Position();
    out_.Write(central_);
    out_.Write(EndRecords(entries_, centralOffset, central_.size(), comment));
    out_.Finish();
    FILETIME time;
    const bool haveTime = archiveTime && entries_ > 0 && FileTimeFromDosTime(newest_, &time);
    temp_.Commit(haveTime ? &time : nullptr, original);
}

} // namespace zipeng
