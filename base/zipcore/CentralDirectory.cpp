#include "base/zipcore/CentralDirectory.h"

#include "base/zipcore/ByteIo.h"
#include "base/zipcore/ZipFormat.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zipcore {

namespace {

using u8 = unsigned char;

// How far back from the end the end record is searched for: its own size, the longest
// comment, and room for junk appended after the archive.
constexpr std::uint64_t kMaxCommentLength = 0xFFFF;
constexpr std::uint64_t kJunkAllowance = 1 << 20;
constexpr std::uint64_t kTailWindow = kEndOfCentralDirSize + kMaxCommentLength + kJunkAllowance;
// End-record candidates tried before giving up (each was a signature match).
constexpr int kMaxCandidates = 32;

std::uint64_t CheckedAdd(std::uint64_t a, std::uint64_t b, std::string_view what) {
    if (a > std::numeric_limits<std::uint64_t>::max() - b)
        throw FormatError(std::string(what) + " is out of range");
    return a + b;
}

bool SignatureAt(ByteSource& src, std::uint64_t offset, std::uint32_t sig) {
    u8 b[4];
    if (offset > src.Size() || src.Size() - offset < 4) return false;
    return src.ReadAt(offset, b, 4) == 4 && GetU32(b) == sig;
}

struct EndValues {
    std::uint64_t recordOffset = 0; // where the record following the central directory is
    std::uint64_t entries = 0;
    std::uint64_t cdSize = 0;
    std::uint64_t cdOffset = 0; // as stored
    bool zip64 = false;
};

// The values of the ZIP64 end record, when a locator precedes the end record at `eocd`.
bool ReadZip64End(ByteSource& src, std::uint64_t eocd, EndValues& v) {
    if (eocd < kZip64LocatorSize) return false;
    const std::uint64_t locatorAt = eocd - kZip64LocatorSize;
    u8 loc[kZip64LocatorSize];
    ReadExact(src, locatorAt, loc, sizeof loc, "ZIP64 end locator");
    if (GetU32(loc) != kZip64LocatorSig) return false;
    if (GetU32(loc + 4) != 0 || GetU32(loc + 16) > 1)
        throw FormatError("split (multi-volume) archives are not supported");

    // The stored offset, and, for an archive behind a stub, the usual place right before
    // the locator.
    std::uint64_t record = GetU64(loc + 8);
    if (record > locatorAt || locatorAt - record < kZip64EndSize ||
        !SignatureAt(src, record, kZip64EndSig)) {
        if (locatorAt < kZip64EndSize || !SignatureAt(src, locatorAt - kZip64EndSize, kZip64EndSig))
            throw FormatError("the ZIP64 end of central directory record is missing");
        record = locatorAt - kZip64EndSize;
    }
    u8 r[kZip64EndSize];
    ReadExact(src, record, r, sizeof r, "ZIP64 end of central directory record");
    if (GetU32(r + 16) != 0 || GetU32(r + 20) != 0)
        throw FormatError("split (multi-volume) archives are not supported");
    v.recordOffset = record;
    v.entries = GetU64(r + 32);
    v.cdSize = GetU64(r + 40);
    v.cdOffset = GetU64(r + 48);
    v.zip64 = true;
    return true;
}

struct Located {
    EndValues values;
    std::uint64_t eocd = 0;
    std::uint64_t adjust = 0;
    std::uint64_t cdStart = 0;
    std::string comment;
};

// Checks one end-record candidate: on success fills `out`; false when the candidate does not
// lead to a central directory (it may be bytes inside a comment or junk).
bool TryEndRecord(ByteSource& src, std::uint64_t eocd, const u8* rec, std::uint64_t tailEnd,
                  Located& out) {
    const std::uint16_t commentLen = GetU16(rec + 20);
    if (eocd + kEndOfCentralDirSize + commentLen > tailEnd) return false;

    EndValues v;
    v.recordOffset = eocd;
    v.entries = GetU16(rec + 10);
    v.cdSize = GetU32(rec + 12);
    v.cdOffset = GetU32(rec + 16);
    const std::uint16_t disk = GetU16(rec + 4), cdDisk = GetU16(rec + 6);
    if (!ReadZip64End(src, eocd, v) && (disk != 0 || cdDisk != 0)) {
        if (disk == 0xFFFF || cdDisk == 0xFFFF)
            throw FormatError("the ZIP64 end of central directory locator is missing");
        throw FormatError("split (multi-volume) archives are not supported");
    }

    // The central directory ends where the following record begins; stored offsets that fall
    // short of that count the difference as prepended data.
    if (v.cdOffset > v.recordOffset || v.cdSize > v.recordOffset - v.cdOffset) return false;
    const std::uint64_t adjust = v.recordOffset - (v.cdOffset + v.cdSize);
    std::uint64_t cdStart = v.cdOffset + adjust;
    if (v.entries > 0 || v.cdSize > 0) {
        if (!SignatureAt(src, cdStart, kCentralHeaderSig)) {
            if (adjust == 0 || !SignatureAt(src, v.cdOffset, kCentralHeaderSig)) return false;
            cdStart = v.cdOffset; // offsets are right; something sits between the two records
        }
    }
    out.values = v;
    out.eocd = eocd;
    out.adjust = cdStart - v.cdOffset;
    out.cdStart = cdStart;
    out.comment.resize(commentLen);
    ReadExact(src, eocd + kEndOfCentralDirSize, out.comment.data(), commentLen, "archive comment");
    return true;
}

Located FindEndRecord(ByteSource& src) {
    const std::uint64_t size = src.Size();
    if (size < kEndOfCentralDirSize)
        throw MissingDirectory("not a zip archive: no end of central directory record");
    const std::uint64_t start = size > kTailWindow ? size - kTailWindow : 0;
    std::vector<u8> tail(static_cast<std::size_t>(size - start));
    ReadExact(src, start, tail.data(), tail.size(), "archive end");

    int candidates = 0;
    for (std::size_t i = tail.size() - kEndOfCentralDirSize + 1; i-- > 0;) {
        if (tail[i] != 'P' || GetU32(&tail[i]) != kEndOfCentralDirSig) continue;
        Located found;
        if (TryEndRecord(src, start + i, &tail[i], size, found)) return found;
        if (++candidates == kMaxCandidates) break;
    }
    throw MissingDirectory("not a zip archive: no valid end of central directory record");
}

// Replaces the saturated 32-bit fields with the values of the ZIP64 extra block.
void ApplyZip64Extra(Member& m, bool needUncompressed, bool needCompressed, bool needOffset,
                     bool needDisk) {
    std::string_view block = FindExtraField(m.extra, kZip64ExtraId);
    std::size_t pos = 0;
    auto take64 = [&](std::uint64_t& field) {
        if (block.size() - pos < 8)
            throw FormatError("member " + QuoteName(m.name) + ": ZIP64 extra field too short");
        field = GetU64(reinterpret_cast<const u8*>(block.data()) + pos);
        pos += 8;
    };
    if (needUncompressed) take64(m.uncompressedSize);
    if (needCompressed) take64(m.compressedSize);
    if (needOffset) take64(m.localHeaderOffset);
    if (needDisk) {
        if (block.size() - pos < 4)
            throw FormatError("member " + QuoteName(m.name) + ": ZIP64 extra field too short");
        if (GetU32(reinterpret_cast<const u8*>(block.data()) + pos) != 0)
            throw FormatError("split (multi-volume) archives are not supported");
    }
}

std::vector<Member> ParseCentralDirectory(const std::vector<u8>& cd, std::uint64_t cdStart,
                                          std::uint64_t adjust, std::uint64_t announced) {
    std::vector<Member> members;
    // Room for the members the end record announces, as far as the directory can hold them.
    members.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(announced, cd.size() / kCentralHeaderSize)));
    std::size_t pos = 0;
    while (pos < cd.size()) {
        if (cd.size() - pos < 4) throw FormatError("central directory ends in a partial record");
        const std::uint32_t sig = GetU32(&cd[pos]);
        if (sig == 0x05054B50) break; // digital signature record ends the directory
        if (sig != kCentralHeaderSig)
            throw FormatError("central directory damaged after " + std::to_string(members.size()) +
                              " members");
        if (cd.size() - pos < kCentralHeaderSize)
            throw FormatError("central directory ends in a partial record");
        const u8* h = &cd[pos];
        const std::size_t nameLen = GetU16(h + 28), extraLen = GetU16(h + 30),
                          commentLen = GetU16(h + 32);
        if (cd.size() - pos - kCentralHeaderSize < nameLen + extraLen + commentLen)
            throw FormatError("central directory ends in a partial record");

        Member m;
        m.versionMadeBy = GetU16(h + 4);
        m.versionNeeded = GetU16(h + 6);
        m.flags = GetU16(h + 8);
        m.method = GetU16(h + 10);
        m.dosTime = GetU32(h + 12);
        m.crc = GetU32(h + 16);
        m.compressedSize = GetU32(h + 20);
        m.uncompressedSize = GetU32(h + 24);
        const std::uint16_t disk = GetU16(h + 34);
        m.internalAttributes = GetU16(h + 36);
        m.externalAttributes = GetU32(h + 38);
        m.localHeaderOffset = GetU32(h + 42);
        const char* text = reinterpret_cast<const char*>(h + kCentralHeaderSize);
        m.name.assign(text, nameLen);
        m.extra.assign(text + nameLen, extraLen);
        m.comment.assign(text + nameLen + extraLen, commentLen);
        m.centralHeaderOffset = cdStart + pos;

        const bool bigU = m.uncompressedSize == kZip64Mark32,
                   bigC = m.compressedSize == kZip64Mark32,
                   bigO = m.localHeaderOffset == kZip64Mark32, bigD = disk == kZip64Mark16;
        if (bigU || bigC || bigO || bigD)
            ApplyZip64Extra(m, bigU, bigC, bigO, bigD);
        else if (disk != 0)
            throw FormatError("split (multi-volume) archives are not supported");
        m.localHeaderOffset = CheckedAdd(m.localHeaderOffset, adjust, "a local header offset");

        members.push_back(std::move(m));
        pos += kCentralHeaderSize + nameLen + extraLen + commentLen;
    }
    return members;
}

// Gives each member its extent limit and refuses members that share or overlap storage.
void CheckExtents(std::vector<Member>& members, std::uint64_t cdStart) {
    std::vector<std::size_t> order(members.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Most writers put the directory in file order: then there is nothing to sort (a sort of
    // 100,000 members reads them in scattered order).
    const auto byOffset = [&](std::size_t a, std::size_t b) {
        return members[a].localHeaderOffset < members[b].localHeaderOffset;
    };
    if (!std::is_sorted(order.begin(), order.end(), byOffset))
        std::sort(order.begin(), order.end(), byOffset);
    for (std::size_t k = 0; k < order.size(); ++k) {
        Member& m = members[order[k]];
        const bool last = k + 1 == order.size();
        const std::uint64_t limit = last ? cdStart : members[order[k + 1]].localHeaderOffset;
        if (!last && limit == m.localHeaderOffset)
            throw FormatError("members " + QuoteName(m.name) + " and " +
                              QuoteName(members[order[k + 1]].name) +
                              " share their data (overlapping members)");
        // The least the member can occupy: its header, the name as in the central directory,
        // and its data.
        std::uint64_t least =
            CheckedAdd(m.localHeaderOffset, kLocalHeaderSize + m.name.size(), "a member's extent");
        least = CheckedAdd(least, m.compressedSize, "a member's extent");
        if (m.localHeaderOffset >= cdStart || least > limit) {
            std::string other =
                last ? std::string("the central directory") : QuoteName(members[order[k + 1]].name);
            throw FormatError("member " + QuoteName(m.name) + " overlaps " + other +
                              " (overlapping members or a damaged size)");
        }
        m.extentLimit = limit;
    }
}

} // namespace

void ReadExact(ByteSource& src, std::uint64_t offset, void* buffer, std::size_t n,
               std::string_view what) {
    if (n == 0) return;
    if (src.ReadAt(offset, buffer, n) != n)
        throw FormatError("the archive ends inside the " + std::string(what));
}

std::size_t MemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) {
    if (offset >= bytes_.size()) return 0;
    const std::size_t count = std::min<std::uint64_t>(n, bytes_.size() - offset);
    std::memcpy(buffer, bytes_.data() + offset, count);
    return count;
}

std::uint32_t Member::UnixMode() const {
    return Host() == kHostUnix ? externalAttributes >> 16 : 0;
}

bool Member::IsDirectory() const {
    if (!name.empty() && (name.back() == '/' || name.back() == '\\')) return true;
    if (const std::uint32_t mode = UnixMode()) return (mode & 0170000) == 0040000;
    return (externalAttributes & 0x10) != 0 && uncompressedSize == 0;
}

bool Member::IsSymlink() const {
    return (UnixMode() & 0170000) == 0120000;
}

bool Member::IsReadOnly() const {
    if ((externalAttributes & 0x01) != 0) return true;
    const std::uint32_t mode = UnixMode();
    return mode != 0 && (mode & 0200) == 0;
}

ArchiveInfo ReadArchive(ByteSource& src, bool checkCount) {
    Located end = FindEndRecord(src);
    ArchiveInfo info;
    info.comment = std::move(end.comment);
    info.offsetAdjust = end.adjust;
    info.centralDirOffset = end.cdStart;
    info.centralDirSize = end.values.cdSize;
    info.endRecordOffset = end.eocd;
    info.endOffset = end.eocd + kEndOfCentralDirSize + info.comment.size();
    info.zip64 = end.values.zip64;

    // The directory size was checked against the position of the record after it, so this
    // allocation is bounded by the file's real size.
    std::vector<u8> cd(static_cast<std::size_t>(end.values.cdSize));
    ReadExact(src, end.cdStart, cd.data(), cd.size(), "central directory");
    info.members = ParseCentralDirectory(cd, end.cdStart, end.adjust, end.values.entries);

    const std::uint64_t found = info.members.size();
    const bool countOk =
        info.zip64 ? found == end.values.entries : (found & 0xFFFF) == end.values.entries;
    if (checkCount && !countOk)
        throw FormatError("the end record declares " + std::to_string(end.values.entries) +
                          " members, the central directory holds " + std::to_string(found));
    CheckExtents(info.members, end.cdStart);

    info.dataStart = end.cdStart;
    for (const Member& m : info.members)
        info.dataStart = std::min(info.dataStart, m.localHeaderOffset);
    return info;
}

MemberDataSpan LocateData(ByteSource& src, const Member& member) {
    MemberDataSpan span;
    LocateData(src, member, span);
    return span;
}

void LocateData(ByteSource& src, const Member& member, MemberDataSpan& span) {
    // The quoted name only for messages: extraction locates every member, most of them small.
    auto read = [&](std::uint64_t offset, void* buffer, std::size_t n) {
        if (n != 0 && src.ReadAt(offset, buffer, n) != n)
            throw FormatError("the archive ends inside the local header of " +
                              QuoteName(member.name));
    };
    u8 h[kLocalHeaderSize];
    read(member.localHeaderOffset, h, sizeof h);
    if (GetU32(h) != kLocalHeaderSig)
        throw FormatError("member " + QuoteName(member.name) + ": local header not found");
    span.headerOffset = member.localHeaderOffset;
    span.descriptorSize = 0;
    const std::size_t nameLen = GetU16(h + 26), extraLen = GetU16(h + 28);
    span.localName.resize(nameLen);
    span.localExtra.resize(extraLen);
    read(member.localHeaderOffset + kLocalHeaderSize, span.localName.data(), nameLen);
    read(member.localHeaderOffset + kLocalHeaderSize + nameLen, span.localExtra.data(), extraLen);
    span.dataOffset = member.localHeaderOffset + kLocalHeaderSize + nameLen + extraLen;
    span.dataSize = member.compressedSize;
    const std::uint64_t dataEnd = CheckedAdd(span.dataOffset, span.dataSize, "member data");
    if (dataEnd > member.extentLimit)
        throw FormatError("member " + QuoteName(member.name) +
                          ": data runs into the next member (overlapping members)");
    span.end = dataEnd;
    if (!member.HasDataDescriptor()) return;

    // The descriptor may carry a signature and 4- or 8-byte sizes; pick the layout whose
    // values agree with the central directory, trying the one the local header implies first.
    u8 d[24] = {};
    const std::size_t room =
        static_cast<std::size_t>(std::min<std::uint64_t>(24, member.extentLimit - dataEnd));
    const std::size_t got = src.ReadAt(dataEnd, d, room);
    const bool zip64First = !FindExtraField(span.localExtra, kZip64ExtraId).empty();
    struct Layout {
        bool signature;
        bool wide;
    };
    const Layout layouts[4] = {
        {true, zip64First}, {false, zip64First}, {true, !zip64First}, {false, !zip64First}};
    std::size_t crcOnly = 0;
    for (const Layout& l : layouts) {
        const std::size_t at = l.signature ? 4 : 0;
        const std::size_t size = at + 4 + (l.wide ? 16 : 8);
        if (size > got || (l.signature && GetU32(d) != kDataDescriptorSig)) continue;
        if (GetU32(d + at) != member.crc) continue;
        const std::uint64_t c = l.wide ? GetU64(d + at + 4) : GetU32(d + at + 4);
        const std::uint64_t u = l.wide ? GetU64(d + at + 12) : GetU32(d + at + 8);
        if (c == member.compressedSize && u == member.uncompressedSize) {
            span.descriptorSize = size;
            span.end = dataEnd + size;
            return;
        }
        if (crcOnly == 0) crcOnly = size;
    }
    span.descriptorSize = crcOnly;
    span.end = dataEnd + crcOnly;
}

std::string_view FindExtraField(std::string_view extra, std::uint16_t id) {
    std::size_t pos = 0;
    while (extra.size() - pos >= 4) {
        const auto* p = reinterpret_cast<const u8*>(extra.data() + pos);
        const std::uint16_t blockId = GetU16(p);
        const std::size_t len = GetU16(p + 2);
        if (extra.size() - pos - 4 < len) break;
        if (blockId == id) return extra.substr(pos + 4, len);
        pos += 4 + len;
    }
    return {};
}

std::string RemoveExtraField(std::string_view extra, std::uint16_t id) {
    std::string out;
    std::size_t pos = 0;
    while (extra.size() - pos >= 4) {
        const auto* p = reinterpret_cast<const u8*>(extra.data() + pos);
        const std::size_t len = GetU16(p + 2);
        if (extra.size() - pos - 4 < len) break;
        if (GetU16(p) != id) out.append(extra.substr(pos, 4 + len));
        pos += 4 + len;
    }
    // A trailing fragment too short to be a block is kept as it was.
    if (pos < extra.size()) out.append(extra.substr(pos));
    return out;
}

} // namespace zipcore
