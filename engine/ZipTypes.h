// Data model of the archive component: directory entries, option sets, events, errors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

class TZipKeeper;

// The 26 bytes that follow a local file header's signature, read in one piece.
#pragma pack(push, 1)
struct ZipDirEntryFixed {
    std::uint16_t Version;
    std::uint16_t Flag;
    std::uint16_t CompressionMethod;
    std::uint32_t DateTime; // DOS time in the low 16 bits, date in the high 16 bits
    std::uint32_t CRC32;
    // Zip sizes are unsigned 32-bit values; reading them signed would show a 3 GB member
    // with a negative size.
    std::uint32_t CompressedSize;
    std::uint32_t UncompressedSize;
    std::uint16_t FileNameLength;
    std::uint16_t ExtraFieldLength;
};
#pragma pack(pop)
static_assert(sizeof(ZipDirEntryFixed) == 26);
static_assert(offsetof(ZipDirEntryFixed, DateTime) == 6);
static_assert(offsetof(ZipDirEntryFixed, CompressedSize) == 14);
static_assert(offsetof(ZipDirEntryFixed, FileNameLength) == 22);

// One member as read from its local header.
struct ZipDirEntry : ZipDirEntryFixed {
    std::string FileName; // exactly as stored, at most 256 bytes, up to the first NUL
    // The sizes the header means: the 32-bit fields, or the ZIP64 extra field's values where
    // a field holds 0xFFFFFFFF (members of 4 GiB or more).
    std::uint64_t CompressedSize64 = 0;
    std::uint64_t UncompressedSize64 = 0;
    std::string ExtraField; // the local header's extra field as stored
    // From the member's central directory header when the listing found one (else MS-DOS
    // and empty): the host system that wrote it, which decides the code page of a name
    // without the UTF-8 flag, and that header's extra field.
    std::uint8_t HostSystem = 0;
    std::string CentralExtraField;
    ZipDirEntry() : ZipDirEntryFixed{} {}
};

// A set of enum values kept as bits (bit n is value n).
template <class E, class Bits> class OptionSet {
public:
    constexpr OptionSet() = default;
    constexpr OptionSet(std::initializer_list<E> values) {
        for (E v : values)
            Include(v);
    }
    constexpr bool Has(E v) const { return (bits_ >> static_cast<int>(v)) & 1u; }
    constexpr OptionSet& Include(E v) {
        bits_ = static_cast<Bits>(bits_ | (Bits(1) << static_cast<int>(v)));
        return *this;
    }
    constexpr OptionSet& Exclude(E v) {
        bits_ = static_cast<Bits>(bits_ & ~(Bits(1) << static_cast<int>(v)));
        return *this;
    }
    constexpr Bits Raw() const { return bits_; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr bool operator==(const OptionSet&) const = default;

private:
    Bits bits_ = 0;
};

enum AddOptsEnum {
    AddDirNames = 0,
    AddRecurseDirs = 1,
    AddMove = 2,
    AddFreshen = 3,
    AddUpdate = 4,
    AddZipTime = 5,
    AddForceDOS = 6,
    AddHiddenFiles = 7,
    AddEncrypt = 8,
};
enum ExtrOptsEnum {
    ExtrDirNames = 0,
    ExtrOverWrite = 1,
    ExtrFreshen = 2,
    ExtrUpdate = 3,
    ExtrTest = 4,
};
using AddOpts = OptionSet<AddOptsEnum, std::uint16_t>;
using ExtrOpts = OptionSet<ExtrOptsEnum, std::uint8_t>;
static_assert(sizeof(AddOpts) == 2 && sizeof(ExtrOpts) == 1);

enum class ProgressType { NewFile = 0, ProgressUpdate = 1, EndOfBatch = 2 };

using TNotifyEvent = std::function<void(TZipKeeper& sender)>;
using TProgressEvent = std::function<void(TZipKeeper& sender, ProgressType progrType,
                                          const std::string& filename, std::int32_t fileSize)>;
using TMessageEvent =
    std::function<void(TZipKeeper& sender, std::int32_t errCode, const std::string& message)>;

// An extraction's question before it replaces an existing file: the file's path (UTF-8) and
// the member (its stored name and size). Keep leaves the file, Cancel stops the extraction.
struct OverwriteQuestion {
    std::string ExistingPath;
    std::string StoredName;
    std::int32_t Size = 0; // clamped to 2^31-1
};
enum class OverwriteAnswer { Keep, Replace, Cancel };
using TOverwriteEvent =
    std::function<OverwriteAnswer(TZipKeeper& sender, const OverwriteQuestion& question)>;

// Raised when an archive cannot be read; carries the exact text the user sees.
class EZipStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Raised when the archive file cannot be opened ("Cannot open "<path>": <reason>.").
class EZipOpenError : public EZipStreamError {
public:
    using EZipStreamError::EZipStreamError;
};
