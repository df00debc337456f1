#include "engine/ArchiveReader.h"

#include "engine/ZipTypes.h"

#include <windows.h>

#include <cstring>

namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

ArchiveReader::ArchiveReader(const std::string& path)
    : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr)),
      buf_(kBufferSize) {
    if (!file_) throw EZipOpenError("Cannot open file " + path);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.Get(), &size)) throw EZipOpenError("Cannot open file " + path);
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

size_t ArchiveReader::Read(void* dest, size_t n) {
    auto* out = static_cast<std::uint8_t*>(dest);
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
