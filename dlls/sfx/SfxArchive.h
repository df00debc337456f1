// The archive appended to the running program: found through its end record, its central
// directory held in memory. Kept free of the C++ library and of exceptions so the stub stays
// small enough for the program's listing to find the archive behind it.
#pragma once

#include "base/zipcore/AesFormat.h"

#include <windows.h>

#include <cstdint>

namespace sfx {

struct Entry {
    const char* name = nullptr; // raw bytes inside the central directory copy, not terminated
    std::uint16_t nameLength = 0;
    std::uint16_t versionMadeBy = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dosTime = 0;
    std::uint32_t crc = 0;
    std::uint32_t externalAttributes = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeader = 0; // absolute position in the file
    std::uint64_t extentLimit = 0; // the next member's header or the central directory
    zipcore::AesField aes;         // WinZip AES members: version 1 or 2, else 0

    bool IsEncrypted() const { return flags & 0x0001; }
    // An AES member is encrypted whatever its flag says: it needs the password too.
    bool NeedsPassword() const { return IsEncrypted() || aes.version; }
    // The method of the data, under any AES encryption.
    std::uint16_t DataMethod() const { return aes.version ? aes.method : method; }
    // Unix mode in the high 16 bits of the external attributes when made on Unix, else 0.
    std::uint32_t UnixMode() const;
    bool IsDirectory() const;
    bool IsSymlink() const { return (UnixMode() & 0170000) == 0120000; }
    bool IsReadOnly() const;
};

class Archive {
public:
    Archive() = default;
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Reads the directory of the archive at the end of the file. On failure returns false
    // and `Problem()` says why.
    bool Open(const wchar_t* path);
    const char* Problem() const { return problem_; }

    std::uint32_t Count() const { return count_; }
    const Entry& operator[](std::uint32_t i) const { return entries_[i]; }
    std::uint64_t TotalSize() const;
    // Length of what precedes the archive (the stub itself when the offsets do not count it).
    std::uint64_t OffsetAdjust() const { return adjust_; }
    const char* Comment() const { return comment_; }
    std::uint16_t CommentLength() const { return commentLength_; }

    // Reads exactly n bytes at an absolute position.
    bool ReadAt(std::uint64_t position, void* buffer, std::uint32_t n);
    // Where the member's stored data starts, after its local header; 0 when the header is
    // damaged or the data would run past the member's extent.
    std::uint64_t DataStart(const Entry& e);

private:
    bool Fail(const char* why);
    bool ReadEnd(std::uint64_t& cdOffset, std::uint64_t& cdSize, std::uint64_t& entries,
                 std::uint64_t& cdEnd);
    bool ReadEntries(std::uint64_t cdSize, std::uint64_t entries);
    bool CheckExtents();

    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::uint64_t size_ = 0;
    std::uint64_t adjust_ = 0;
    std::uint64_t cdStart_ = 0;
    char* central_ = nullptr;
    Entry* entries_ = nullptr;
    std::uint32_t count_ = 0;
    char comment_[256] = {};
    std::uint16_t commentLength_ = 0;
    const char* problem_ = "";
};

// Heap memory without the C++ library's allocator (whose failure path throws).
void* Allocate(std::size_t bytes);
void Release(void* block);

} // namespace sfx
