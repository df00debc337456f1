#include "engine/ArchiveReader.h"

#include "engine/PathUtil.h"
#include "engine/ZipTypes.h"

#include "base/LongPaths.h"

#include <windows.h>

#include <cstring>

namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

ArchiveReader::ArchiveReader(const std::string& path)
    : file_(CreateFileW(kname::LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)),
      buf_(kBufferSize) {
    if (!file_) throw EZipOpenError(kpath::CannotOpenText(path, GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.Get(), &size))
        throw EZipOpenError(kpath::CannotOpenText(path, GetLastError()));
    size_ = size.QuadPart;
}

void ArchiveReader::Fill() {
    bufStart_ += static_cast<std::int64_t>(bufLen_);
    bufPos_ = 0;
    bufLen_ = 0;
    if (bufStart_ >= size_) return;
    LARGE_INTEGER to{};
    to.QuadPart = bufStart_;
    if (!SetFilePointerEx(file_.Get(), to, nullptr, FILE_BEGIN)) return;
    DWORD got = 0;
    if (ReadFile(file_.Get(), buf_.data(), static_cast<DWORD>(buf_.size()), &got, nullptr))
        bufLen_ = got;
}

namespace {

// Header fields are a few bytes each, and the C runtime's memcpy under Wine costs a call and
// more for each: copies of known sizes are made inline.
void CopySmall(std::uint8_t* to, const std::uint8_t* from, size_t n) {
    for (; n >= 8; n -= 8, to += 8, from += 8)
        std::memcpy(to, from, 8);
    if (n & 4) {
        std::memcpy(to, from, 4);
        to += 4;
        from += 4;
    }
    if (n & 2) {
        std::memcpy(to, from, 2);
        to += 2;
        from += 2;
    }
    if (n & 1) *to = *from;
}

} // namespace

size_t ArchiveReader::Read(void* dest, size_t n) {
    auto* out = static_cast<std::uint8_t*>(dest);
    if (n <= 64 && n <= bufLen_ - bufPos_) {
        CopySmall(out, buf_.data() + bufPos_, n);
        bufPos_ += n;
        return n;
    }
    size_t done = 0;
    while (done < n) {
        if (bufPos_ >= bufLen_) {
            Fill();
            if (bufLen_ == 0) break;
        }
        size_t take = std::min(n - done, bufLen_ - bufPos_);
        std::memcpy(out + done, buf_.data() + bufPos_, take);
        bufPos_ += take;
        done += take;
    }
    return done;
}

size_t ArchiveReader::ReadString(std::string& out, size_t n) {
    if (n <= bufLen_ - bufPos_) {
        out.assign(reinterpret_cast<const char*>(buf_.data() + bufPos_), n);
        bufPos_ += n;
        return n;
    }
    out.resize(n);
    const size_t got = Read(out.data(), n);
    out.resize(got);
    return got;
}

void ArchiveReader::Seek(std::int64_t position) {
    if (position >= bufStart_ && position <= bufStart_ + static_cast<std::int64_t>(bufLen_)) {
        bufPos_ = static_cast<size_t>(position - bufStart_);
        return;
    }
    // Outside the buffer: start an empty buffer at the new position.
    bufStart_ = position;
    bufPos_ = 0;
    bufLen_ = 0;
}
