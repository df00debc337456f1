#include "base/zipcore/LocalScan.h"

#include "base/zipcore/ByteIo.h"
#include "base/zipcore/ExtraFields.h"
#include "base/zipcore/ZipFormat.h"

#include <algorithm>
#include <limits>

namespace zipcore {

namespace {

using u8 = unsigned char;
constexpr std::size_t kFirstChunk = 1024;
constexpr std::size_t kChunk = 64 * 1024;
constexpr std::uint32_t kDigitalSignatureSig = 0x05054B50;

bool U32At(ByteSource& src, std::uint64_t at, std::uint32_t& value) {
    u8 b[4];
    if (at > src.Size() || src.Size() - at < 4 || src.ReadAt(at, b, 4) != 4) return false;
    value = GetU32(b);
    return true;
}

bool IsRecordSignature(std::uint32_t sig) {
    return sig == kLocalHeaderSig || sig == kCentralHeaderSig || sig == kEndOfCentralDirSig ||
           sig == kZip64EndSig || sig == kDigitalSignatureSig;
}

// The first offset at or after `from` where "PK" starts and `accept` agrees; the file's size
// when there is none.
template <class Accept> std::uint64_t FindPk(ByteSource& src, std::uint64_t from, Accept accept) {
    const std::uint64_t size = src.Size();
    // Small members are the common case: the reads start small and grow.
    std::vector<u8> buf(kFirstChunk);
    for (std::uint64_t at = from; at < size && size - at >= 2;) {
        const std::size_t n =
            src.ReadAt(at, buf.data(), std::min<std::uint64_t>(buf.size(), size - at));
        if (n < 2) break;
        for (std::size_t i = 0; i + 1 < n; ++i)
            if (buf[i] == 'P' && buf[i + 1] == 'K' && accept(at + i)) return at + i;
        at += n - 1; // the last byte may start a "PK" that straddles the chunks
        if (buf.size() < kChunk) buf.resize(buf.size() * 4);
    }
    return size;
}

// Where the data of a member that leaves its sizes to a data descriptor ends: at a descriptor
// whose compressed size is the distance from the data's start, with or without its signature
// (then the next record follows it), with 4- or 8-byte sizes. Fills the CRC and sizes and
// the end (descriptor included); false when no such descriptor is in the file.
bool FindDescriptor(ByteSource& src, std::uint64_t dataStart, Member& m, std::uint64_t& end) {
    auto take = [&](const u8* d, std::uint64_t c, bool wide, std::uint64_t after) {
        m.crc = GetU32(d);
        m.compressedSize = c;
        m.uncompressedSize = wide ? GetU64(d + 12) : GetU32(d + 8);
        end = after;
        return true;
    };
    // The 8-byte sizes first when the header has a ZIP64 field: a small size read as 4 bytes
    // would match too.
    const bool zip64 = !FindExtraField(m.extra, kZip64ExtraId).empty();
    const std::uint64_t found = FindPk(src, dataStart, [&](std::uint64_t at) {
        u8 d[24];
        const std::size_t got = src.ReadAt(at, d, sizeof d);
        if (got < 4) return false;
        const std::uint32_t sig = GetU32(d);
        if (sig == kDataDescriptorSig) {
            const std::uint64_t c = at - dataStart;
            for (const bool wide : {zip64, !zip64}) {
                const std::size_t length = wide ? 24 : 16;
                if (got >= length && (wide ? GetU64(d + 8) : GetU32(d + 8)) == c)
                    return take(d + 4, c, wide, at + length);
            }
            return false;
        }
        if (!IsRecordSignature(sig)) return false;
        for (const bool wide : {zip64, !zip64}) {
            const std::uint64_t length = wide ? 20 : 12;
            if (at - dataStart < length) continue;
            u8 p[20];
            if (src.ReadAt(at - length, p, length) != length) continue;
            const std::uint64_t c = at - length - dataStart;
            if ((wide ? GetU64(p + 4) : GetU32(p + 4)) == c) return take(p, c, wide, at);
        }
        return false;
    });
    return found < src.Size();
}

// The system that wrote a member, as far as its local extra fields tell (no directory says):
// Unix owner fields are written only on Unix (Info-ZIP, bsdtar, macOS), the NTFS times only
// on Windows; without either the name is read as MS-DOS's. Names are then decoded by the
// same rules as the directory's (a Unix host's valid UTF-8 is UTF-8).
std::uint8_t HostOfLocalFields(const std::string& extra) {
    constexpr std::uint16_t kUnixFields[] = {0x000D, 0x5855, 0x7855, 0x7875};
    for (const std::uint16_t id : kUnixFields)
        if (!FindExtraField(extra, id).empty()) return kHostUnix;
    if (!FindExtraField(extra, kNtfsExtraId).empty()) return kHostNtfs;
    return kHostMsDos;
}

// A name cut off by the file's end may run on into zeros.
std::string NamePart(const std::string& name) {
    return name.substr(0, name.find('\0'));
}

struct Candidate {
    Member member;
    std::uint64_t end = 0; // after the data and its descriptor
};

enum class Outcome { Complete, Cut, Unsound };

// Reads the member whose local header is at `at`.
Outcome ReadCandidate(ByteSource& src, std::uint64_t at, Candidate& c) {
    const std::uint64_t size = src.Size();
    Member& m = c.member;
    u8 h[kLocalHeaderSize];
    if (src.ReadAt(at, h, sizeof h) != sizeof h) return Outcome::Cut;
    m.versionNeeded = GetU16(h + 4);
    m.flags = GetU16(h + 6);
    m.method = GetU16(h + 8);
    m.dosTime = GetU32(h + 10);
    m.crc = GetU32(h + 14);
    const std::uint32_t compressed = GetU32(h + 18), uncompressed = GetU32(h + 22);
    const std::size_t nameLength = GetU16(h + 26), extraLength = GetU16(h + 28);
    m.localHeaderOffset = at;
    m.name.resize(nameLength);
    m.name.resize(src.ReadAt(at + kLocalHeaderSize, m.name.data(), nameLength));
    if (m.name.size() < nameLength) return Outcome::Cut;
    if (nameLength == 0) return Outcome::Unsound;
    m.extra.resize(extraLength);
    if (src.ReadAt(at + kLocalHeaderSize + nameLength, m.extra.data(), extraLength) != extraLength)
        return Outcome::Cut;
    m.versionMadeBy =
        static_cast<std::uint16_t>(HostOfLocalFields(m.extra) << 8 | (m.versionNeeded & 0xFF));
    const std::uint64_t dataStart = at + kLocalHeaderSize + nameLength + extraLength;
    const LocalSizes sizes = LocalHeaderSizes(compressed, uncompressed, m.extra);
    m.compressedSize = sizes.compressed;
    m.uncompressedSize = sizes.uncompressed;

    if (m.HasDataDescriptor() && (compressed == 0 || compressed == kZip64Mark32))
        return FindDescriptor(src, dataStart, m, c.end) ? Outcome::Complete : Outcome::Cut;
    if (sizes.compressed > size - std::min(size, dataStart)) return Outcome::Cut;
    c.end = dataStart + sizes.compressed;
    if (!m.HasDataDescriptor()) return Outcome::Complete;
    // Sizes in the header and again after the data: take the descriptor's where it agrees. A
    // descriptor without its signature that does not agree is not there (a writer set the flag
    // and wrote none): the next record follows the data.
    std::uint32_t sig = 0;
    const bool signature = U32At(src, c.end, sig) && sig == kDataDescriptorSig;
    const bool wide = !FindExtraField(m.extra, kZip64ExtraId).empty();
    const std::uint64_t length = (signature ? 4 : 0) + (wide ? 20 : 12);
    u8 d[24];
    if (src.ReadAt(c.end, d, length) != length) return Outcome::Cut;
    const u8* values = d + (signature ? 4 : 0);
    if ((wide ? GetU64(values + 4) : GetU32(values + 4)) == m.compressedSize) {
        m.crc = GetU32(values);
        m.uncompressedSize = wide ? GetU64(values + 12) : GetU32(values + 8);
    } else if (!signature) {
        return Outcome::Complete;
    }
    c.end += length;
    return Outcome::Complete;
}

} // namespace

LocalScan ScanLocalHeaders(ByteSource& src, std::uint64_t start) {
    LocalScan out;
    const std::uint64_t size = src.Size();
    bool strayCut = false; // a candidate searched for that ran past the end
    std::string strayCutName;
    std::uint64_t strayAt = 0, strayHeaderEnd = 0;
    bool searching = true; // for a header, through bytes that are no member's
    std::uint64_t searchFrom = start;
    std::uint64_t at = start;
    auto isLocalHeader = [&](std::uint64_t p) {
        std::uint32_t sig = 0;
        return U32At(src, p, sig) && sig == kLocalHeaderSig;
    };
    for (;;) {
        std::uint32_t sig = 0;
        if (searching) {
            at = FindPk(src, at, isLocalHeader);
            if (at >= size) break;
        } else if (!U32At(src, at, sig) || sig != kLocalHeaderSig) {
            if (at >= size || IsRecordSignature(sig)) break; // the directory's remains, or the end
            // Bytes that belong to no member: search on for the next header.
            searching = true;
            searchFrom = at;
            continue;
        }
        Candidate c;
        const Outcome outcome = ReadCandidate(src, at, c);
        // A header searched for, elsewhere than at the start, counts only when its data ends
        // at another record: bytes of a program or of junk are not taken for members.
        const bool sound =
            outcome == Outcome::Complete && (!searching || at == start || c.end == size ||
                                             (U32At(src, c.end, sig) && IsRecordSignature(sig)));
        if (sound) {
            if (out.members.empty()) {
                out.firstHeader = at;
            } else if (searching) {
                out.junkBytes += at - searchFrom;
                // A header that fits in the gap was a member's; one that runs on into the member
                // found was a chance signature in the junk.
                if (strayCut && strayHeaderEnd <= at)
                    out.skipped.push_back(std::move(strayCutName));
            }
            strayCut = false;
            searching = false;
            c.member.extentLimit = c.end;
            out.members.push_back(std::move(c.member));
            at = c.end;
            continue;
        }
        if (!searching && outcome == Outcome::Cut) {
            out.cut = true;
            out.cutName = NamePart(c.member.name);
            break;
        }
        if (!searching) {
            // A damaged header where the next member should begin: named, and passed over.
            out.skipped.push_back(NamePart(c.member.name));
            searching = true;
            searchFrom = at;
        } else if (outcome == Outcome::Cut && !strayCut) {
            strayCut = true;
            strayCutName = NamePart(c.member.name);
            strayAt = at;
            strayHeaderEnd = at + kLocalHeaderSize + c.member.name.size() + c.member.extra.size();
        }
        at += 4; // search on behind the signature
    }
    if (strayCut) {
        out.cut = true;
        out.cutName = std::move(strayCutName);
    }
    if (searching && !out.members.empty())
        out.junkBytes += (strayCut ? strayAt : size) - std::min(size, searchFrom);
    return out;
}

} // namespace zipcore
