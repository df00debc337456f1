// Reading an archive's directory: the end record (also behind a comment or followed by junk),
// ZIP64 records, the central directory, and the stored extent of each member. Offsets in the
// results are absolute positions in the source, corrected for data prepended to the archive
// (a self-extractor stub) when the stored offsets do not count it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zipcore {

// Anything malformed, inconsistent or hostile in an archive. The text says what and where.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No end of central directory record could be found: not a zip archive, or one cut short
// before its directory (dlls/zipcore/LocalScan.h reads what there is of it).
class MissingDirectory : public FormatError {
public:
    using FormatError::FormatError;
};

// Random access to the archive's bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to n bytes at an absolute offset and returns how many were read: fewer only
    // at the end of the data. Read failures throw (the implementation's own exception).
    virtual std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) = 0;
};

// Reads exactly n bytes; throws FormatError naming `what` when the data ends first.
void ReadExact(ByteSource& src, std::uint64_t offset, void* buffer, std::size_t n,
               std::string_view what);

// A ByteSource over bytes in memory (not copied: they must outlive the source).
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override;

private:
    std::string_view bytes_;
};

struct Member {
    std::string name; // raw bytes as stored (code page or UTF-8, see flags bit 11)
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosTime = 0; // date << 16 | time
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0; // includes the 12-byte encryption header, if any
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0;   // absolute
    std::uint64_t centralHeaderOffset = 0; // absolute
    std::uint16_t internalAttributes = 0;
    std::uint32_t externalAttributes = 0;
    std::string extra;   // central extra field, raw
    std::string comment; // member comment, raw
    // Absolute offset the member's stored extent must end by: the next member's local header
    // or the central directory. LocateData refuses data that runs past it.
    std::uint64_t extentLimit = 0;

    std::uint8_t Host() const { return static_cast<std::uint8_t>(versionMadeBy >> 8); }
    bool IsEncrypted() const { return (flags & 0x0001) != 0; }
    // A WinZip AES member (method 99) is encrypted whatever its flag says.
    bool NeedsPassword() const { return IsEncrypted() || method == 99; }
    bool HasDataDescriptor() const { return (flags & 0x0008) != 0; }
    bool IsUtf8() const { return (flags & 0x0800) != 0; }
    // Unix mode in the high 16 bits of the external attributes when made on Unix, else 0.
    std::uint32_t UnixMode() const;
    bool IsDirectory() const;
    bool IsSymlink() const;
    bool IsReadOnly() const;
};

struct ArchiveInfo {
    std::vector<Member> members; // in central directory order
    std::string comment;
    // Added to every stored offset: the length of data prepended to the archive whose stored
    // offsets do not count it (0 for ordinary archives and self-extractors written as such).
    std::uint64_t offsetAdjust = 0;
    // Where the archive's first record begins (lowest local header, or the central directory
    // when there are no members); bytes before it are a stub or other prefix.
    std::uint64_t dataStart = 0;
    std::uint64_t centralDirOffset = 0; // absolute
    std::uint64_t centralDirSize = 0;
    std::uint64_t endRecordOffset = 0; // the end of central directory record, absolute
    std::uint64_t endOffset = 0;       // just after the end record and its comment; junk may follow
    bool zip64 = false;
};

// Reads the directory. Throws FormatError for anything that is not a sound single-volume
// archive, including overlapping members and data running into the central directory, and,
// when `checkCount`, an end record whose member count the directory does not hold.
ArchiveInfo ReadArchive(ByteSource& src, bool checkCount = true);

// Where a member's data is, from its local header.
struct MemberDataSpan {
    std::uint64_t headerOffset = 0;   // local header, absolute
    std::uint64_t dataOffset = 0;     // first byte of the (possibly encrypted) data
    std::uint64_t dataSize = 0;       // compressed size
    std::uint64_t descriptorSize = 0; // data descriptor after the data (0 if none found)
    std::uint64_t end = 0;            // just after the data and its descriptor
    std::string localName;
    std::string localExtra;
};

// Reads the member's local header. [headerOffset, end) is the member as stored, to be copied
// unchanged. Throws FormatError when the header is damaged or the extent passes extentLimit.
MemberDataSpan LocateData(ByteSource& src, const Member& member);
// The same into a span whose memory is reused from member to member.
void LocateData(ByteSource& src, const Member& member, MemberDataSpan& span);

// Extra field blocks (id, length, data): the data of the first block with the id, or empty.
std::string_view FindExtraField(std::string_view extra, std::uint16_t id);
// The extra field without the blocks of that id (for example the ZIP64 block, to rewrite it).
std::string RemoveExtraField(std::string_view extra, std::uint16_t id);

} // namespace zipcore
