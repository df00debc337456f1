#include "base/zipcore/ExtraFields.h"

#include "base/zipcore/ByteIo.h"
#include "base/zipcore/CentralDirectory.h"
#include "base/zipcore/ZipFormat.h"

namespace zipcore {

namespace {

// 1601-01-01 to 1970-01-01 in 100 ns units.
constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ull;
constexpr std::uint64_t kTicksPerSecond = 10000000ull;
constexpr std::uint16_t kNtfsTimesTag = 0x0001;
constexpr std::uint16_t kNtfsTimesSize = 24;

const unsigned char* Bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

} // namespace

std::uint64_t FileTimeFromUnix(std::int64_t seconds) {
    const std::int64_t ticks = seconds * static_cast<std::int64_t>(kTicksPerSecond);
    if (ticks < -static_cast<std::int64_t>(kUnixEpochFileTime)) return 0;
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(kUnixEpochFileTime) + ticks);
}

std::int64_t UnixFromFileTime(std::uint64_t fileTime) {
    // Floor division, so a time just before 1970 gives -1, not 0.
    const auto ticks = static_cast<std::int64_t>(fileTime - kUnixEpochFileTime);
    const auto per = static_cast<std::int64_t>(kTicksPerSecond);
    return ticks >= 0 ? ticks / per : -((-ticks + per - 1) / per);
}

std::string NtfsTimesBlock(const FileTimes& times) {
    std::string block;
    PutU16(block, kNtfsExtraId);
    PutU16(block, 4 + 4 + kNtfsTimesSize);
    PutU32(block, 0); // reserved
    PutU16(block, kNtfsTimesTag);
    PutU16(block, kNtfsTimesSize);
    PutU64(block, times.modified);
    PutU64(block, times.accessed);
    PutU64(block, times.created);
    return block;
}

std::string ExtendedTimeBlock(std::uint64_t modifiedFileTime) {
    std::int64_t seconds = UnixFromFileTime(modifiedFileTime);
    if (seconds < INT32_MIN) seconds = INT32_MIN;
    if (seconds > INT32_MAX) seconds = INT32_MAX;
    std::string block;
    PutU16(block, kExtendedTimeExtraId);
    PutU16(block, 5);
    block.push_back(1); // modification time present
    PutU32(block, static_cast<std::uint32_t>(static_cast<std::int32_t>(seconds)));
    return block;
}

std::optional<FileTimes> ReadNtfsTimes(std::string_view extra) {
    const std::string_view block = FindExtraField(extra, kNtfsExtraId);
    std::size_t pos = 4; // after the reserved word
    while (block.size() >= pos + 4) {
        const std::uint16_t tag = GetU16(Bytes(block) + pos);
        const std::uint16_t size = GetU16(Bytes(block) + pos + 2);
        pos += 4;
        if (block.size() - pos < size) break;
        if (tag == kNtfsTimesTag && size >= kNtfsTimesSize) {
            FileTimes t;
            t.modified = GetU64(Bytes(block) + pos);
            t.accessed = GetU64(Bytes(block) + pos + 8);
            t.created = GetU64(Bytes(block) + pos + 16);
            if (t.modified == 0) return std::nullopt;
            return t;
        }
        pos += size;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> ReadExtendedModTime(std::string_view extra) {
    const std::string_view block = FindExtraField(extra, kExtendedTimeExtraId);
    if (block.size() < 5 || !(block[0] & 1)) return std::nullopt;
    const auto seconds = static_cast<std::int32_t>(GetU32(Bytes(block) + 1));
    const std::uint64_t t = FileTimeFromUnix(seconds);
    if (t == 0) return std::nullopt;
    return t;
}

LocalSizes LocalHeaderSizes(std::uint32_t compressed, std::uint32_t uncompressed,
                            std::string_view localExtra) {
    LocalSizes sizes{compressed, uncompressed};
    const std::string_view block = FindExtraField(localExtra, kZip64ExtraId);
    if (block.size() >= 16) {
        // A local block holds both sizes, whichever of them was marked.
        if (uncompressed == kZip64Mark32) sizes.uncompressed = GetU64(Bytes(block));
        if (compressed == kZip64Mark32) sizes.compressed = GetU64(Bytes(block) + 8);
        return sizes;
    }
    if (block.size() >= 8) {
        if (uncompressed == kZip64Mark32)
            sizes.uncompressed = GetU64(Bytes(block));
        else if (compressed == kZip64Mark32)
            sizes.compressed = GetU64(Bytes(block));
    }
    return sizes;
}

} // namespace zipcore
