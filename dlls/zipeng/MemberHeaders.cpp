#include "dlls/zipeng/MemberHeaders.h"

#include "base/zipcore/ByteIo.h"
#include "base/zipcore/ZipFormat.h"

#include <algorithm>

namespace zipeng {

using zipcore::PutU16;
using zipcore::PutU32;
using zipcore::PutU64;

namespace {

constexpr std::uint64_t kMax32 = zipcore::kZip64Mark32;

std::uint32_t Field32(std::uint64_t v) {
    return v >= kMax32 ? zipcore::kZip64Mark32 : static_cast<std::uint32_t>(v);
}

std::uint16_t Length16(const std::string& s) {
    return static_cast<std::uint16_t>(std::min<size_t>(s.size(), 0xFFFF));
}

} // namespace

bool NeedsZip64Local(std::uint64_t expectedSize) {
    return expectedSize >= kMax32 - (kMax32 >> 6);
}

std::string LocalHeader(const HeaderFields& m, bool zip64Sizes) {
    std::string extra;
    if (zip64Sizes) {
        PutU16(extra, zipcore::kZip64ExtraId);
        PutU16(extra, 16);
        PutU64(extra, m.uncompressedSize);
        PutU64(extra, m.compressedSize);
    }
    if (m.times.modified != 0) extra += zipcore::ExtendedTimeBlock(m.times.modified);
    extra.append(m.extra, 0, std::min(m.extra.size(), size_t{0xFFFF} - extra.size()));
    std::string h;
    h.reserve(zipcore::kLocalHeaderSize + m.name.size() + extra.size());
    PutU32(h, zipcore::kLocalHeaderSig);
    PutU16(h, zip64Sizes ? std::max(m.versionNeeded, kVersionZip64) : m.versionNeeded);
    PutU16(h, m.flags);
    PutU16(h, m.method);
    PutU32(h, m.dosTime);
    PutU32(h, m.crc);
    PutU32(h, zip64Sizes ? zipcore::kZip64Mark32 : Field32(m.compressedSize));
    PutU32(h, zip64Sizes ? zipcore::kZip64Mark32 : Field32(m.uncompressedSize));
    PutU16(h, Length16(m.name));
    PutU16(h, static_cast<std::uint16_t>(extra.size()));
    h.append(m.name, 0, Length16(m.name));
    h += extra;
    return h;
}

std::string CentralHeader(const HeaderFields& m) {
    std::string zip64;
    if (m.uncompressedSize >= kMax32) PutU64(zip64, m.uncompressedSize);
    if (m.compressedSize >= kMax32) PutU64(zip64, m.compressedSize);
    if (m.localOffset >= kMax32) PutU64(zip64, m.localOffset);
    std::string extra;
    if (!zip64.empty()) {
        PutU16(extra, zipcore::kZip64ExtraId);
        PutU16(extra, static_cast<std::uint16_t>(zip64.size()));
        extra += zip64;
    }
    if (m.times.modified != 0)
        extra += zipcore::NtfsTimesBlock(m.times) + zipcore::ExtendedTimeBlock(m.times.modified);
    // The other blocks stay as they were, as far as the 16-bit length allows.
    extra.append(m.extra, 0, std::min(m.extra.size(), size_t{0xFFFF} - extra.size()));

    std::string h;
    h.reserve(zipcore::kCentralHeaderSize + m.name.size() + extra.size() + m.comment.size());
    PutU32(h, zipcore::kCentralHeaderSig);
    const bool needs64 = !zip64.empty();
    PutU16(h, needs64 ? static_cast<std::uint16_t>(
                            (m.versionMadeBy & 0xFF00) |
                            std::max<std::uint16_t>(m.versionMadeBy & 0xFF, kVersionZip64))
                      : m.versionMadeBy);
    PutU16(h, needs64 ? std::max(m.versionNeeded, kVersionZip64) : m.versionNeeded);
    PutU16(h, m.flags);
    PutU16(h, m.method);
    PutU32(h, m.dosTime);
    PutU32(h, m.crc);
    PutU32(h, Field32(m.compressedSize));
    PutU32(h, Field32(m.uncompressedSize));
    PutU16(h, Length16(m.name));
    PutU16(h, static_cast<std::uint16_t>(extra.size()));
    PutU16(h, Length16(m.comment));
    PutU16(h, 0); // disk number start
    PutU16(h, m.internalAttributes);
    PutU32(h, m.externalAttributes);
    PutU32(h, Field32(m.localOffset));
    h.append(m.name, 0, Length16(m.name));
    h += extra;
    h.append(m.comment, 0, Length16(m.comment));
    return h;
}

std::string EndRecords(std::uint64_t entries, std::uint64_t centralOffset,
                       std::uint64_t centralSize, const std::string& comment) {
    std::string out;
    const bool zip64 =
        entries >= zipcore::kZip64Mark16 || centralOffset >= kMax32 || centralSize >= kMax32;
    if (zip64) {
        const std::uint64_t recordOffset = centralOffset + centralSize;
        PutU32(out, zipcore::kZip64EndSig);
        PutU64(out, zipcore::kZip64EndSize - 12); // size of the rest of the record
        PutU16(out, kVersionZip64);
        PutU16(out, kVersionZip64);
        PutU32(out, 0); // this disk
        PutU32(out, 0); // disk with the central directory
        PutU64(out, entries);
        PutU64(out, entries);
        PutU64(out, centralSize);
        PutU64(out, centralOffset);
        PutU32(out, zipcore::kZip64LocatorSig);
        PutU32(out, 0);
        PutU64(out, recordOffset);
        PutU32(out, 1); // total disks
    }
    const auto entries16 = static_cast<std::uint16_t>(
        entries >= zipcore::kZip64Mark16 ? zipcore::kZip64Mark16 : entries);
    PutU32(out, zipcore::kEndOfCentralDirSig);
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, entries16);
    PutU16(out, entries16);
    PutU32(out, Field32(centralSize));
    PutU32(out, Field32(centralOffset));
    PutU16(out, Length16(comment));
    out.append(comment, 0, Length16(comment));
    return out;
}

} // namespace zipeng
