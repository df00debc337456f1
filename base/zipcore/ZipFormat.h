// Record signatures, fixed sizes and codes of the zip format (PKWARE APPNOTE).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zipcore {

constexpr std::uint32_t kLocalHeaderSig = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSig = 0x02014B50;
constexpr std::uint32_t kEndOfCentralDirSig = 0x06054B50;
constexpr std::uint32_t kZip64EndSig = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSig = 0x07064B50;
constexpr std::uint32_t kDataDescriptorSig = 0x08074B50;

constexpr std::size_t kLocalHeaderSize = 30;     // fixed part, before name and extra field
constexpr std::size_t kCentralHeaderSize = 46;   // fixed part, before name, extra and comment
constexpr std::size_t kEndOfCentralDirSize = 22; // fixed part, before the archive comment
constexpr std::size_t kZip64EndSize = 56;        // fixed part, before extensible data
constexpr std::size_t kZip64LocatorSize = 20;

constexpr std::uint16_t kZip64ExtraId = 0x0001;

// General purpose flag bits.
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kFlagUtf8 = 0x0800;

// Compression methods.
constexpr std::uint16_t kMethodStored = 0;
constexpr std::uint16_t kMethodDeflated = 8;
constexpr std::uint16_t kMethodDeflate64 = 9;
constexpr std::uint16_t kMethodAes = 99;

// Host systems in the high byte of "version made by".
constexpr std::uint8_t kHostMsDos = 0;
constexpr std::uint8_t kHostUnix = 3;
constexpr std::uint8_t kHostNtfs = 10;

// Values that mean "the real value is in the ZIP64 extra field / record".
constexpr std::uint32_t kZip64Mark32 = 0xFFFFFFFF;
constexpr std::uint16_t kZip64Mark16 = 0xFFFF;

// A readable name of a compression method for messages ("bzip2", "Deflate64", ...).
std::string_view MethodName(std::uint16_t method);
// A member name in double quotes for messages, control characters shown as '?'.
std::string QuoteName(std::string_view name);
// Methods this library can decode: stored, deflated and Deflate64.
constexpr bool IsMethodSupported(std::uint16_t method) {
    return method == kMethodStored || method == kMethodDeflated || method == kMethodDeflate64;
}

} // namespace zipcore
