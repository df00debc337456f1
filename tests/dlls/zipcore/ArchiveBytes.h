// Builds zip archives in memory for the core's tests: every member feature the reader must
// handle, and the offsets of each record so that tests can damage them precisely.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zipcore_test {

struct TestMember {
    std::string name = {};
    std::string data = {};
    std::uint16_t method = 8;     // 0 stored, 8 deflated; others are written stored but labelled
    std::string password = {};    // non-empty: traditional encryption, or AES with aesStrength
    int aesStrength = 0;          // 1-3: WinZip AES-128/192/256 of the (compressed) data
    std::uint16_t aesVersion = 1; // AE-1, or AE-2 without the CRC
    bool descriptor = false;      // sizes and CRC in a data descriptor after the data
    bool descriptorSignature = true;
    bool zip64 = false; // sizes and offset in ZIP64 extra fields, 8-byte descriptor sizes
    std::uint32_t dosTime = 0x5A8C6000;
    std::uint16_t versionMadeBy = 20;
    std::uint32_t externalAttributes = 0;
    std::string localExtra = {};
    std::string comment = {};
    std::string centralExtra = {}; // after any ZIP64 block
};

struct ArchiveOptions {
    std::string prefix = {};        // bytes before the archive (a stub)
    bool offsetsCountPrefix = true; // false: offsets relative to the archive's own start
    std::string comment = {};
    std::string junk = {}; // bytes after the end record
    bool zip64End = false; // ZIP64 end record and locator
};

struct BuiltArchive {
    std::string bytes = {};
    std::vector<std::uint64_t> localOffsets;   // absolute
    std::vector<std::uint64_t> centralOffsets; // absolute
    std::uint64_t centralDirOffset = 0;        // absolute
    std::uint64_t endRecordOffset = 0;         // absolute
};

BuiltArchive BuildArchive(const std::vector<TestMember>& members,
                          const ArchiveOptions& options = {});

// n letters in a pattern that compresses, but not to nothing.
std::string Text(std::size_t n, char seed);

// Repeatable bytes without matches to speak of.
std::string Pseudorandom(std::size_t n);
// Raw deflate of the data (zlib level 6).
std::string Deflate(const std::string& data);
std::uint32_t Crc(const std::string& data);

void PatchU16(std::string& bytes, std::uint64_t at, std::uint16_t v);
void PatchU32(std::string& bytes, std::uint64_t at, std::uint32_t v);
std::string FromHex(const std::string& hex);

} // namespace zipcore_test
