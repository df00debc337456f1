// Builds archive bytes for tests, header by header, so every odd case can be made exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct LocalMember {
    std::string name;
    std::string data;
    std::uint16_t flag = 0;
    std::uint16_t method = 0;
    std::uint32_t dosTime = 0x5A8C6000; // 2025-04-12 12:00:00
    std::uint32_t crc = 0;
    std::uint32_t compressedSize = 0xFFFFFFFF;   // default: data.size()
    std::uint32_t uncompressedSize = 0xFFFFFFFF; // default: data.size()
    std::string extra;
    std::int32_t nameLengthOverride = -1;
    // Not 0: both size fields hold 0xFFFFFFFF and a ZIP64 block (this uncompressed size,
    // the data's size as compressed) opens the local extra field.
    std::uint64_t zip64Uncompressed = 0;
    // As a streaming writer stores it: flag bit 3, zeros for the CRC and sizes in the local
    // header, a data descriptor (with its signature) after the data; the central header has
    // the values.
    bool streamed = false;
    std::uint16_t versionMadeBy = 20; // the central header's; the high byte is the host
    std::string centralExtra;
};

class ZipBuilder {
public:
    std::vector<std::uint8_t> bytes;

    ZipBuilder& Raw(const std::string& s);
    ZipBuilder& Zeros(size_t n);
    ZipBuilder& U16(std::uint16_t v);
    ZipBuilder& U32(std::uint32_t v);
    // A local header followed by its name, extra field and data; returns its offset.
    size_t Local(const LocalMember& m);
    // A central directory header for a member written at the given offset.
    ZipBuilder& Central(const LocalMember& m, std::uint32_t offset);
    ZipBuilder& EndRecord(std::uint16_t entries, std::uint32_t cdSize, std::uint32_t cdOffset);
    // Local headers, central directory and end record for the members.
    ZipBuilder& Archive(const std::vector<LocalMember>& members);

    void WriteTo(const std::string& path) const;
};

// A fresh temporary folder (Windows path, trailing backslash), removed with its contents.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& data);

} // namespace testing_support
