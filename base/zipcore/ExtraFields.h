// Extra field blocks beyond ZIP64 and the Unicode path: the NTFS times (0x000A, 100 ns
// units since 1601, UTC) and the extended timestamp (0x5455, Unix seconds), written by the
// compression engine and read back on extraction, and the sizes of a ZIP64 local header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zipcore {

constexpr std::uint16_t kNtfsExtraId = 0x000A;
constexpr std::uint16_t kExtendedTimeExtraId = 0x5455;

// Windows file times: 100 ns intervals since 1601-01-01 UTC; 0 means "not known".
struct FileTimes {
    std::uint64_t modified = 0;
    std::uint64_t accessed = 0;
    std::uint64_t created = 0;
};

// The NTFS block (attribute 1 with all three times), ready to append to an extra field.
std::string NtfsTimesBlock(const FileTimes& times);
// The extended timestamp block with the modification time only (same in local and
// central headers). Times outside the 32-bit Unix range are clamped.
std::string ExtendedTimeBlock(std::uint64_t modifiedFileTime);

// The times of an NTFS block, when the extra field holds a well-formed one.
std::optional<FileTimes> ReadNtfsTimes(std::string_view extra);
// The modification time of an extended timestamp block as a Windows file time.
std::optional<std::uint64_t> ReadExtendedModTime(std::string_view extra);

// Unix seconds and Windows file times.
std::uint64_t FileTimeFromUnix(std::int64_t seconds);
std::int64_t UnixFromFileTime(std::uint64_t fileTime);

struct LocalSizes {
    std::uint64_t compressed = 0;
    std::uint64_t uncompressed = 0;
};
// The sizes a local header means: a 32-bit field holding 0xFFFFFFFF takes its value from the
// ZIP64 block (which, in a local header, holds the uncompressed then the compressed size).
// Without a block long enough the marked field keeps its 32-bit value.
LocalSizes LocalHeaderSizes(std::uint32_t compressed, std::uint32_t uncompressed,
                            std::string_view localExtra);

} // namespace zipcore
