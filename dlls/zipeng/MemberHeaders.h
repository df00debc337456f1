// The records the engine writes (PKWARE APPNOTE): local headers, central directory headers
// and the end records, with ZIP64 blocks exactly where a value does not fit in 32 (or 16)
// bits. Reading is zipcore's; this is the writing side.
#pragma once

#include "base/zipcore/ExtraFields.h"

#include <cstdint>
#include <string>

namespace zipeng {

// Host MS-DOS (external attributes are DOS attributes), format version 2.0 / 4.5 (ZIP64).
constexpr std::uint16_t kVersionDeflate = 20;
constexpr std::uint16_t kVersionStored = 10;
constexpr std::uint16_t kVersionZip64 = 45;

struct HeaderFields {
    std::string name;
    std::uint16_t versionMadeBy = kVersionDeflate;
    std::uint16_t versionNeeded = kVersionDeflate;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0; // with the encryption header
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localOffset = 0;
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::string extra;   // extra field of both headers, without a ZIP64 block (added as needed)
    std::string comment; // member comment
    // A file's own times, for a member the engine writes (0: none). Each header gets what its
    // readers take: the local one the extended timestamp's modification time (Info-ZIP unzip
    // and bsdtar restore only that one, to the second), the central one the NTFS field with all
    // three times (7-Zip and our extraction restore those, exact to 100 ns) and the extended
    // timestamp again (Info-ZIP zip's update and freshen compare with it, in any time zone).
    // 54 bytes a member, where zip spends 52 and both fields in both headers cost 90.
    zipcore::FileTimes times;
};

// A local header for a member the engine writes itself: a ZIP64 block when asked, then
// `extra`. With zip64Sizes the sizes go into a ZIP64 block, so the header can be written before the
// final sizes are known and patched in place later: its length does not depend on them.
std::string LocalHeader(const HeaderFields& m, bool zip64Sizes);

// Whether a member of this expected size needs the ZIP64 local header. Leaves room for
// encryption and deflate's worst-case growth.
bool NeedsZip64Local(std::uint64_t expectedSize);

// The central directory header, with a ZIP64 block for the values that need one.
std::string CentralHeader(const HeaderFields& m);

// ZIP64 end record and locator when the counts or offsets need them, then the end of
// central directory record with the archive comment (cut to 65535 bytes).
std::string EndRecords(std::uint64_t entries, std::uint64_t centralOffset,
                       std::uint64_t centralSize, const std::string& comment);

} // namespace zipeng
