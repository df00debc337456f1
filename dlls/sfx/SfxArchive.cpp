#include "dlls/sfx/SfxArchive.h"

#include "base/zipcore/ByteIo.h"
#include "base/zipcore/ZipFormat.h"

#include <cstdlib>
#include <cstring>

namespace sfx {

namespace {

using zipcore::GetU16;
using zipcore::GetU32;
using zipcore::GetU64;
using uchar = unsigned char;

// The end record may be followed by a comment of up to 65535 bytes.
constexpr std::uint32_t kTailSearch = 0xFFFF + zipcore::kEndOfCentralDirSize;

int CompareHeaders(const void* a, const void* b) {
    const std::uint64_t x = (*static_cast<Entry* const*>(a))->localHeader;
    const std::uint64_t y = (*static_cast<Entry* const*>(b))->localHeader;
    return x < y ? -1 : (x > y ? 1 : 0);
}

// The local header signature must not stand in the stub's own bytes, where the program's
// listing would take it for the archive's first member; it is put together at run time.
std::uint32_t LocalHeaderSignature() {
    volatile std::uint16_t high = zipcore::kLocalHeaderSig >> 16;
    return std::uint32_t(high) << 16 | (zipcore::kLocalHeaderSig & 0xFFFF);
}

} // namespace

void* Allocate(std::size_t bytes) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}

void Release(void* block) {
    if (block) HeapFree(GetProcessHeap(), 0, block);
}

std::uint32_t Entry::UnixMode() const {
    return (versionMadeBy >> 8) == zipcore::kHostUnix ? externalAttributes >> 16 : 0;
}

bool Entry::IsDirectory() const {
    if (nameLength > 0 && (name[nameLength - 1] == '/' || name[nameLength - 1] == '\\'))
        return true;
    if (const std::uint32_t mode = UnixMode()) return (mode & 0170000) == 0040000;
    return (externalAttributes & 0x10) && uncompressedSize == 0;
}

bool Entry::IsReadOnly() const {
    const std::uint32_t mode = UnixMode();
    return (externalAttributes & 0x01) || (mode != 0 && (mode & 0200) == 0);
}

Archive::~Archive() {
    Release(entries_);
    Release(central_);
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool Archive::Fail(const char* why) {
    problem_ = why;
    return false;
}

std::uint64_t Archive::TotalSize() const {
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count_; ++i)
        total += entries_[i].uncompressedSize;
    return total;
}

bool Archive::ReadAt(std::uint64_t position, void* buffer, std::uint32_t n) {
    if (position > size_ || n > size_ - position) return false;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD got = 0;
    return ReadFile(file_, buffer, n, &got, &at) && got == n;
}

bool Archive::Open(const wchar_t* path) {
    file_ = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return Fail("the program file cannot be read");
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_, &size)) return Fail("the program file cannot be read");
    size_ = static_cast<std::uint64_t>(size.QuadPart);

    std::uint64_t cdOffset = 0, cdSize = 0, entries = 0, cdEnd = 0;
    if (!ReadEnd(cdOffset, cdSize, entries, cdEnd)) return false;
    if (cdOffset + cdSize > cdEnd) return Fail("the archive's directory is damaged");
    adjust_ = cdEnd - cdOffset - cdSize;
    cdStart_ = cdOffset + adjust_;
    return ReadEntries(cdSize, entries) && CheckExtents();
}

// Finds the end record (the last one that fits), and the ZIP64 records when it points to them.
bool Archive::ReadEnd(std::uint64_t& cdOffset, std::uint64_t& cdSize, std::uint64_t& entries,
                      std::uint64_t& cdEnd) {
    const std::uint32_t tail =
        static_cast<std::uint32_t>(size_ < kTailSearch ? size_ : kTailSearch);
    uchar* buf = static_cast<uchar*>(Allocate(tail + 1));
    if (!buf || !ReadAt(size_ - tail, buf, tail)) {
        Release(buf);
        return Fail("no archive is attached to this program");
    }
    const std::uint64_t base = size_ - tail;
    std::int64_t found = -1;
    for (std::int64_t i = std::int64_t(tail) - 22; i >= 0 && found < 0; --i) {
        const uchar* p = buf + i;
        if (GetU32(p) == zipcore::kEndOfCentralDirSig && i + 22 + GetU16(p + 20) <= tail) found = i;
    }
    if (found < 0) {
        Release(buf);
        return Fail("no archive is attached to this program");
    }
    const uchar* end = buf + found;
    const std::uint64_t endPos = base + found;
    if (GetU16(end + 4) != 0 || GetU16(end + 6) != 0) {
        Release(buf);
        return Fail("the archive is split into several parts");
    }
    entries = GetU16(end + 10);
    cdSize = GetU32(end + 12);
    cdOffset = GetU32(end + 16);
    cdEnd = endPos;
    commentLength_ = GetU16(end + 20);
    if (commentLength_ >= sizeof comment_) commentLength_ = sizeof comment_ - 1;
    std::memcpy(comment_, end + 22, commentLength_);
    Release(buf);

    uchar locator[zipcore::kZip64LocatorSize];
    if (endPos < sizeof locator || !ReadAt(endPos - sizeof locator, locator, sizeof locator) ||
        GetU32(locator) != zipcore::kZip64LocatorSig)
        return true;
    // The ZIP64 end record: where its stored offset says, or just before the locator when a
    // stub in front shifted everything.
    const std::uint64_t stored = GetU64(locator + 8);
    const std::uint64_t candidates[2] = {stored, endPos - sizeof locator - zipcore::kZip64EndSize};
    for (std::uint64_t at : candidates) {
        uchar rec[zipcore::kZip64EndSize];
        if (!ReadAt(at, rec, sizeof rec) || GetU32(rec) != zipcore::kZip64EndSig) continue;
        entries = GetU64(rec + 32);
        cdSize = GetU64(rec + 40);
        cdOffset = GetU64(rec + 48);
        // Everything before the record is shifted by the same amount as the record itself.
        if (at < stored || cdOffset + cdSize > stored)
            return Fail("the archive's ZIP64 records are damaged");
        cdEnd = at - (stored - cdOffset - cdSize);
        return true;
    }
    return Fail("the archive's ZIP64 records are missing");
}

bool Archive::ReadEntries(std::uint64_t cdSize, std::uint64_t entries) {
    if (cdSize > 0x7FFFFFFF || entries > cdSize / zipcore::kCentralHeaderSize)
        return Fail("the archive's directory is damaged");
    central_ = static_cast<char*>(Allocate(static_cast<std::size_t>(cdSize) + 1));
    entries_ = static_cast<Entry*>(Allocate(sizeof(Entry) * (entries + 1)));
    if (!central_ || !entries_) return Fail("there is not enough memory for the directory");
    if (!ReadAt(cdStart_, central_, static_cast<std::uint32_t>(cdSize)))
        return Fail("the archive's directory is damaged");

    const uchar* p = reinterpret_cast<const uchar*>(central_);
    const uchar* end = p + cdSize;
    for (; count_ < entries; ++count_) {
        if (end - p < std::ptrdiff_t(zipcore::kCentralHeaderSize) ||
            GetU32(p) != zipcore::kCentralHeaderSig)
            return Fail("the archive's directory is damaged");
        const std::uint32_t n = GetU16(p + 28), x = GetU16(p + 30), c = GetU16(p + 32);
        if (std::uint64_t(end - p) < zipcore::kCentralHeaderSize + n + x + c)
            return Fail("the archive's directory is damaged");
        Entry& e = entries_[count_];
        e.versionMadeBy = GetU16(p + 4);
        e.flags = GetU16(p + 8);
        e.method = GetU16(p + 10);
        e.dosTime = GetU32(p + 12);
        e.crc = GetU32(p + 16);
        e.compressedSize = GetU32(p + 20);
        e.uncompressedSize = GetU32(p + 24);
        e.externalAttributes = GetU32(p + 38);
        e.localHeader = GetU32(p + 42);
        e.name = reinterpret_cast<const char*>(p + zipcore::kCentralHeaderSize);
        e.nameLength = static_cast<std::uint16_t>(n);

        // ZIP64 extra field: the values marked as too large, in this order.
        const uchar* extra = p + zipcore::kCentralHeaderSize + n;
        if (e.method == zipcore::kMethodAes && !zipcore::FindAesField(extra, x, &e.aes))
            e.aes.version = 0;
        for (std::uint32_t at = 0; at + 4 <= x;) {
            const std::uint32_t id = GetU16(extra + at), len = GetU16(extra + at + 2);
            if (at + 4 + len > x) break;
            if (id == zipcore::kZip64ExtraId) {
                const uchar* v = extra + at + 4;
                std::uint32_t left = len;
                std::uint64_t* fields[3] = {&e.uncompressedSize, &e.compressedSize, &e.localHeader};
                for (std::uint64_t* f : fields) {
                    if (*f != zipcore::kZip64Mark32) continue;
                    if (left < 8) return Fail("the archive's ZIP64 fields are missing");
                    *f = GetU64(v);
                    v += 8;
                    left -= 8;
                }
                break;
            }
            at += 4 + len;
        }
        for (std::uint64_t f : {e.uncompressedSize, e.compressedSize, e.localHeader})
            if (f == zipcore::kZip64Mark32) return Fail("the archive's ZIP64 fields are missing");
        e.localHeader += adjust_;
        p += zipcore::kCentralHeaderSize + n + x + c;
    }
    return true;
}

// Members must not share or overlap their stored extents (a classic zip bomb construction).
bool Archive::CheckExtents() {
    if (count_ == 0) return true;
    Entry** order = static_cast<Entry**>(Allocate(sizeof(Entry*) * count_));
    if (!order) return Fail("there is not enough memory for the directory");
    for (std::uint32_t i = 0; i < count_; ++i)
        order[i] = &entries_[i];
    std::qsort(order, count_, sizeof(Entry*), CompareHeaders);
    bool ok = order[0]->localHeader >= adjust_;
    for (std::uint32_t i = 0; ok && i < count_; ++i) {
        const std::uint64_t limit = i + 1 < count_ ? order[i + 1]->localHeader : cdStart_;
        order[i]->extentLimit = limit;
        ok = order[i]->localHeader + zipcore::kLocalHeaderSize <= limit;
    }
    Release(order);
    return ok || Fail("members of the archive overlap each other");
}

std::uint64_t Archive::DataStart(const Entry& e) {
    uchar h[zipcore::kLocalHeaderSize];
    if (!ReadAt(e.localHeader, h, sizeof h) || GetU32(h) != LocalHeaderSignature()) return 0;
    const std::uint64_t data = e.localHeader + sizeof h + GetU16(h + 26) + GetU16(h + 28);
    if (data > e.extentLimit || e.compressedSize > e.extentLimit - data) return 0;
    return data;
}

} // namespace sfx
