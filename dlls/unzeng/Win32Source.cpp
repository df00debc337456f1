#include "dlls/unzeng/Win32Source.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace unzeng {

namespace {

constexpr std::size_t kWindowSize = 64 * 1024;
// Reads at most this long go through the window; longer ones go straight to the file.
constexpr std::size_t kSmallRead = 4096;

} // namespace

std::string SystemMessage(unsigned long error) {
    char* text = nullptr;
    const DWORD len = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = len ? std::string(text, len) : std::string("system error");
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message + " (code " + std::to_string(error) + ")";
}

Win32Source::Win32Source(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
    if (!file_) throw ArchiveIoError(SystemMessage(GetLastError()));
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.Get(), &size)) throw ArchiveIoError(SystemMessage(GetLastError()));
    size_ = static_cast<std::uint64_t>(size.QuadPart);
    window_.resize(kWindowSize);
}

std::size_t Win32Source::ReadDirect(std::uint64_t offset, void* buffer, std::size_t n) {
    std::size_t done = 0;
    // The position is set on the handle (each worker has its own) rather than given in an
    // OVERLAPPED: under Wine a read with an OVERLAPPED also costs a wine-server round trip.
    if (offset != filePointer_) {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(file_.Get(), to, nullptr, FILE_BEGIN))
            throw ArchiveIoError("cannot read the archive: " + SystemMessage(GetLastError()));
        filePointer_ = offset;
    }
    while (done < n) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
        DWORD got = 0;
        const BOOL read =
            ReadFile(file_.Get(), static_cast<char*>(buffer) + done, want, &got, nullptr);
        filePointer_ += got;
        if (!read) {
            filePointer_ = ~std::uint64_t{0}; // unknown: the next read sets it again
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            throw ArchiveIoError("cannot read the archive: " + SystemMessage(error));
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

std::size_t Win32Source::ReadAt(std::uint64_t offset, void* buffer, std::size_t n) {
    if (offset >= size_ || n == 0) return 0;
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - offset));
    if (n > kSmallRead) return ReadDirect(offset, buffer, n);
    if (offset < windowStart_ || offset + n > windowStart_ + windowLen_) {
        windowStart_ = offset;
        windowLen_ = ReadDirect(offset, window_.data(), window_.size());
        if (windowLen_ < n) n = windowLen_;
    }
    std::memcpy(buffer, window_.data() + (offset - windowStart_), n);
    return n;
}

} // namespace unzeng
