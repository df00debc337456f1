#include "engine/ZipKeep.h"

#include "base/MemberNames.h"
#include "base/zipcore/CentralDirectory.h"
#include "base/zipcore/ExtraFields.h"
#include "base/zipcore/LocalScan.h"
#include "base/zipcore/ZipFormat.h"
#include "engine/ArchiveReader.h"
#include "engine/PathUtil.h"
#include "ui/Dialogs.h"
#include "ui/WarmMemory.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

constexpr size_t kNameBufferLength = 256;
constexpr std::int64_t kEndRecordSize = 22;
// Lists shorter than this are quick as they are; longer ones get warm memory of this much
// per entry: the entry, its row key and its row, and the sort's scratch lists.
constexpr size_t kWarmFrom = 8192;
constexpr size_t kWarmBytesPerEntry = 400;

const char kNoEntries[] = "No valid zip entries found";

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// How much of a stored name the entries keep: up to the first NUL, at most 256 bytes.
size_t EntryNameLength(std::string_view raw) {
    return std::min({raw.size(), kNameBufferLength, kname::FindByte(raw, '\0')});
}

void KeepNamePart(std::string& name) {
    if (const size_t kept = EntryNameLength(name); kept < name.size()) {
        name.resize(kept);
        name.shrink_to_fit(); // a long stored name keeps no memory beyond its part
    }
}

std::uint32_t Field32(std::uint64_t size) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFF));
}

// The engines' random reads, served by the listing's buffered reader.
class ReaderSource : public zipcore::ByteSource {
public:
    explicit ReaderSource(ArchiveReader& in) : in_(in) {}
    std::uint64_t Size() const override { return static_cast<std::uint64_t>(in_.Size()); }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
        in_.Seek(static_cast<std::int64_t>(offset));
        return in_.Read(buffer, n);
    }

private:
    ArchiveReader& in_;
};

// The fixed fields of a member as a reader of the zip format found them.
void CopyMemberFields(ZipDirEntryFixed& fixed, const zipcore::Member& m) {
    fixed.Version = m.versionNeeded;
    fixed.Flag = m.flags;
    fixed.CompressionMethod = m.method;
    fixed.DateTime = m.dosTime;
    fixed.CRC32 = m.crc;
    fixed.CompressedSize = Field32(m.compressedSize);
    fixed.UncompressedSize = Field32(m.uncompressedSize);
    fixed.FileNameLength = static_cast<std::uint16_t>(m.name.size());
}

// A member as the directory records it, with the fields of its local header where that
// header is where the directory says and names the same member. The CRC and sizes are the
// directory's: a streaming writer leaves zeros in the local header (its data descriptor has
// the values), and a damaged one a placeholder; in a sound archive the two agree. The
// directory's name and extra field move into the entry; localName is scratch kept from
// member to member, so comparing the local header's name costs no allocation.
ZipDirEntry EntryFromDirectory(ArchiveReader& in, zipcore::Member& m, std::string& localName) {
    KeepNamePart(m.name);
    ZipDirEntry e;
    ZipDirEntryFixed& fixed = e;
    std::uint8_t sig[4];
    in.Seek(static_cast<std::int64_t>(m.localHeaderOffset));
    bool local = in.Read(sig, 4) == 4 && sig[0] == 0x50 && sig[1] == 0x4B && sig[2] == 0x03 &&
                 sig[3] == 0x04 && in.Read(&fixed, sizeof fixed) == sizeof fixed &&
                 in.ReadString(localName, fixed.FileNameLength) == fixed.FileNameLength &&
                 in.ReadString(e.ExtraField, fixed.ExtraFieldLength) == fixed.ExtraFieldLength;
    if (local) local = std::string_view(localName).substr(0, EntryNameLength(localName)) == m.name;
    if (local) {
        const zipcore::LocalSizes sizes =
            zipcore::LocalHeaderSizes(fixed.CompressedSize, fixed.UncompressedSize, e.ExtraField);
        if (sizes.compressed != m.compressedSize || sizes.uncompressed != m.uncompressedSize) {
            fixed.CompressedSize = Field32(m.compressedSize);
            fixed.UncompressedSize = Field32(m.uncompressedSize);
        }
    } else {
        e = ZipDirEntry();
        CopyMemberFields(fixed, m);
    }
    e.FileName = std::move(m.name);
    fixed.CRC32 = m.crc;
    e.CompressedSize64 = m.compressedSize;
    e.UncompressedSize64 = m.uncompressedSize;
    // The system that wrote the member decides the code page of a name without the UTF-8 flag.
    e.HostSystem = m.Host();
    e.CentralExtraField = std::move(m.extra);
    return e;
}

// A member found by its local header alone (no directory to read).
ZipDirEntry EntryFromLocalScan(const zipcore::Member& m) {
    ZipDirEntry e;
    CopyMemberFields(e, m);
    e.ExtraFieldLength = static_cast<std::uint16_t>(m.extra.size());
    e.FileName = m.name;
    KeepNamePart(e.FileName);
    e.ExtraField = m.extra;
    // The system the scan judged from the local fields: names decode as extraction decodes them.
    e.HostSystem = m.Host();
    e.CompressedSize64 = m.compressedSize;
    e.UncompressedSize64 = m.uncompressedSize;
    return e;
}

std::string IncompleteText(size_t complete, const zipcore::LocalScan& scan) {
    std::string text = "This archive is incomplete (its directory is missing or damaged): ";
    if (complete == 0)
        text.append("no complete member was found.");
    else if (complete == 1)
        text.append("1 complete member is listed.");
    else
        text.append(std::to_string(complete)).append(" complete members are listed.");
    if (scan.cut && !scan.cutName.empty())
        text.append(" ")
            .append(zipcore::QuoteName(scan.cutName))
            .append(" is cut off and cannot be extracted.");
    else if (scan.cut)
        text.append(" The last member is cut off and cannot be extracted.");
    for (const std::string& name : scan.skipped)
        text.append(" ")
            .append(zipcore::QuoteName(name))
            .append(" is damaged and cannot be extracted.");
    return text;
}

// How many entries the end record at the very end of the file announces (through the
// ZIP64 end record when it says 0xFFFF), or 0 when the file does not end with one (a
// comment follows it). Only a hint, for reserving room: a list of 100,000 entries grown step
// by step is copied seventeen times.
size_t AnnouncedEntries(ArchiveReader& in) {
    constexpr std::int64_t kLocatorSize = 20, kZip64EndSize = 56;
    auto signature = [](const std::uint8_t* p, std::uint8_t third, std::uint8_t fourth) {
        return p[0] == 0x50 && p[1] == 0x4B && p[2] == third && p[3] == fourth;
    };
    auto u64 = [](const std::uint8_t* p) {
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | p[i];
        return v;
    };
    std::uint64_t total = 0;
    std::uint8_t end[kEndRecordSize], locator[kLocatorSize], zip64[kZip64EndSize];
    if (in.Size() >= kEndRecordSize) {
        in.Seek(in.Size() - kEndRecordSize);
        if (in.Read(end, sizeof end) == sizeof end && signature(end, 0x05, 0x06) &&
            U16(end + 20) == 0)
            total = U16(end + 10);
    }
    if (total == 0xFFFF && in.Size() >= kEndRecordSize + kLocatorSize) {
        total = 0;
        in.Seek(in.Size() - kEndRecordSize - kLocatorSize);
        if (in.Read(locator, sizeof locator) == sizeof locator && signature(locator, 0x06, 0x07)) {
            const std::uint64_t at = u64(locator + 8);
            if (at < static_cast<std::uint64_t>(in.Size())) {
                in.Seek(static_cast<std::int64_t>(at));
                if (in.Read(zip64, sizeof zip64) == sizeof zip64 && signature(zip64, 0x06, 0x06))
                    total = u64(zip64 + 32);
            }
        }
    }
    in.Seek(0);
    // Every entry takes at least a local and a central header: a count the file cannot
    // hold is not believed.
    const auto most = static_cast<std::uint64_t>(in.Size()) / (30 + 46);
    return total > most ? 0 : static_cast<size_t>(total);
}

} // namespace

TZipKeeper::TZipKeeper(HWND ownerHandle) : Handle(ownerHandle) {}

TZipKeeper::~TZipKeeper() {
    ClearContents();
}

int TZipKeeper::Count() const {
    return zipFilename_.empty() ? 0 : static_cast<int>(contents_.size());
}

void TZipKeeper::SetZipFilename(const std::string& name) {
    zipFilename_ = name;
    List();
}

void TZipKeeper::ClearContents() {
    contents_.clear();
    contents_.shrink_to_fit();
}

void TZipKeeper::FireDirUpdate() {
    if (OnDirUpdate) OnDirUpdate(*this);
}

void TZipKeeper::List() {
    ClearContents();
    if (!kpath::FileExists(zipFilename_)) {
        // Something of that name that cannot be read is named with the reason; a name that
        // is not there keeps the empty list.
        const std::string refusal = kpath::ExistingButUnopenable(zipFilename_);
        FireDirUpdate();
        if (!refusal.empty()) throw EZipOpenError(refusal);
        return;
    }
    SFXOffset = 0;

    ArchiveReader in(zipFilename_); // an open failure propagates without OnDirUpdate
    const size_t announced = AnnouncedEntries(in);
    // A long list and what the view builds from it (row keys, their sort, the rows) take
    // tens of megabytes: made ready meanwhile on another processor (ui/WarmMemory.h).
    ui::WarmMemory warm(announced >= kWarmFrom ? announced * kWarmBytesPerEntry : 0);
    contents_.reserve(announced);

    try {
        // The central directory is the authority on the members and their sizes wherever it
        // can be read; only an archive without one (cut off before its end) is read by its
        // local headers.
        ReaderSource source(in);
        std::optional<zipcore::ArchiveInfo> directory;
        try {
            // A wrong member count in the end record does not hide the members.
            directory = zipcore::ReadArchive(source, false);
        } catch (const zipcore::FormatError&) {
        }
        if (directory)
            ListDirectory(in, *directory);
        else
            ListLocalHeaders(source);
    } catch (...) {
        // The read error reaches the caller; the view is still told what was listed.
        in.Close();
        try {
            FireDirUpdate();
        } catch (...) {
        }
        throw;
    }
    in.Close();
    FireDirUpdate();
}

void TZipKeeper::ListDirectory(ArchiveReader& in, zipcore::ArchiveInfo& directory) {
    // In the order of the local headers, as the members lie in the file.
    std::vector<zipcore::Member*> order;
    order.reserve(directory.members.size());
    for (zipcore::Member& m : directory.members)
        order.push_back(&m);
    auto byOffset = [](const zipcore::Member* a, const zipcore::Member* b) {
        return a->localHeaderOffset < b->localHeaderOffset;
    };
    if (!std::is_sorted(order.begin(), order.end(), byOffset))
        std::stable_sort(order.begin(), order.end(), byOffset);
    std::string localName;
    for (zipcore::Member* m : order)
        contents_.push_back(EntryFromDirectory(in, *m, localName));
    if (contents_.empty()) {
        ui::ShowMessage(kNoEntries);
        return;
    }
    SFXOffset = static_cast<std::int32_t>(std::min<std::uint64_t>(directory.dataStart, INT32_MAX));
}

void TZipKeeper::ListLocalHeaders(zipcore::ByteSource& source) {
    const zipcore::LocalScan scan = zipcore::ScanLocalHeaders(source);
    for (const zipcore::Member& m : scan.members)
        contents_.push_back(EntryFromLocalScan(m));
    if (contents_.empty() && !scan.cut) {
        ui::ShowMessage(kNoEntries);
        return;
    }
    if (!contents_.empty())
        SFXOffset = static_cast<std::int32_t>(std::min<std::uint64_t>(scan.firstHeader, INT32_MAX));
    ui::ShowMessage(IncompleteText(contents_.size(), scan));
}
