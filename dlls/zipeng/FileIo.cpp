#include "dlls/zipeng/FileIo.h"

#include "base/LongPaths.h"

#include <algorithm>
#include <cstring>

namespace zipeng {

namespace {

constexpr size_t kOutputBuffer = 1 << 20;

// Reads and writes go to a position set on the handle beforehand rather than one given in an
// OVERLAPPED: under Wine a read or write with an OVERLAPPED costs a wine-server round trip
// (it queues a completion) besides the system call. No handle here is shared between threads.
bool SeekTo(HANDLE handle, std::uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle, to, nullptr, FILE_BEGIN) != 0;
}

bool IsDiskFull(DWORD error) {
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
}

} // namespace

std::string SystemErrorText(DWORD error) {
    char buffer[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             error, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    if (text.empty()) text = "system error " + std::to_string(error);
    return text;
}

std::wstring WidePath(const std::string& utf8) {
    return kname::Widen(utf8, CP_UTF8);
}

std::wstring FilePath(const std::string& utf8) {
    return kname::LongPathW(WidePath(utf8));
}

std::string Utf8Path(const std::wstring& wide) {
    return kname::Narrow(wide, CP_UTF8);
}

std::string Utf8FromAnsi(const std::string& ansi) {
    return kname::Narrow(kname::Widen(ansi, CP_ACP), CP_UTF8);
}

std::string Shown(const std::string& utf8) {
    return kname::Narrow(WidePath(utf8), CP_ACP);
}

InputFile::InputFile(const std::string& path, keng::ErrorCode code, DWORD share)
    : path_(Shown(path)), code_(code),
      handle_(CreateFileW(FilePath(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr)) {
    if (!handle_) {
        const DWORD error = GetLastError();
        throw EngineError(code_, "Cannot open " + path_ + ": " +
                                     (error == ERROR_SHARING_VIOLATION
                                          ? std::string("another program is using it")
                                          : SystemErrorText(error)));
    }
    // A pipe (a FIFO under Wine) or a device could block a read forever.
    if (GetFileType(handle_.Get()) != FILE_TYPE_DISK)
        throw EngineError(code_, path_ + " is not a file but a device or a pipe");
}

FileSource::FileSource(const std::string& path)
    : file_(Utf8FromAnsi(path), keng::kErrOpenArchive, FILE_SHARE_READ), size_(file_.Size()) {
    const std::optional<FileIdentity> id = IdentityOf(file_.Handle());
    if (!id)
        throw EngineError(keng::kErrOpenArchive,
                          "Cannot read " + path + ": " + SystemErrorText(GetLastError()));
    identity_ = *id;
}

std::uint64_t InputFile::Size() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_.Get(), &size))
        throw EngineError(code_, "Cannot read " + path_ + ": " + SystemErrorText(GetLastError()));
    return static_cast<std::uint64_t>(size.QuadPart);
}

size_t InputFile::ReadAt(std::uint64_t offset, void* buffer, size_t n) {
    size_t total = 0;
    if (!SeekTo(handle_.Get(), offset))
        throw EngineError(code_, "Cannot read " + path_ + ": " + SystemErrorText(GetLastError()));
    while (total < n) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(n - total, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(handle_.Get(), static_cast<char*>(buffer) + total, want, &got, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            throw EngineError(code_, "Cannot read " + path_ + ": " + SystemErrorText(error));
        }
        total += got;
        // A short read of a disk file is its end; asking again would only cost a system call.
        if (got < want) break;
    }
    return total;
}

OutputFile::OutputFile(HANDLE handle, std::string path)
    : handle_(handle), path_(std::move(path)), buffer_(kOutputBuffer) {}

void OutputFile::Fail(DWORD error) const {
    if (IsDiskFull(error))
        throw EngineError(keng::kErrDiskFull,
                          "Not enough disk space to write " + path_ + "; it is unchanged");
    throw EngineError(keng::kErrWrite, "Cannot write the new " + path_ + ": " +
                                           SystemErrorText(error) + "; it is unchanged");
}

void OutputFile::WriteRaw(std::uint64_t offset, const void* data, size_t n) {
    size_t done = 0;
    if (!SeekTo(handle_, offset)) Fail(GetLastError());
    while (done < n) {
        const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(handle_, static_cast<const char*>(data) + done, want, &wrote, nullptr))
            Fail(GetLastError());
        if (wrote == 0) Fail(ERROR_DISK_FULL);
        done += wrote;
    }
}

void OutputFile::Flush() {
    if (buffered_ > 0) WriteRaw(bufferStart_, buffer_.data(), buffered_);
    buffered_ = 0;
    bufferStart_ = position_;
}

void OutputFile::Write(const void* data, size_t n) {
    if (buffered_ + n > buffer_.size()) {
        Flush();
        if (n >= buffer_.size()) {
            WriteRaw(position_, data, n);
            position_ += n;
            bufferStart_ = position_;
            return;
        }
    }
    std::memcpy(buffer_.data() + buffered_, data, n);
    buffered_ += n;
    position_ += n;
}

void OutputFile::PatchAt(std::uint64_t offset, const void* data, size_t n) {
    if (offset >= bufferStart_ && offset + n <= bufferStart_ + buffered_) {
        std::memcpy(buffer_.data() + (offset - bufferStart_), data, n);
        return;
    }
    Flush();
    WriteRaw(offset, data, n);
}

void OutputFile::ReadAt(std::uint64_t offset, void* data, size_t n) {
    Flush();
    size_t done = 0;
    if (!SeekTo(handle_, offset))
        throw EngineError(keng::kErrWrite,
                          "Cannot read back " + path_ + ": " + SystemErrorText(GetLastError()));
    while (done < n) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
        if (!ReadFile(handle_, static_cast<char*>(data) + done, want, &got, nullptr) || got == 0)
            throw EngineError(keng::kErrWrite,
                              "Cannot read back " + path_ + ": " + SystemErrorText(GetLastError()));
        done += got;
    }
}

void OutputFile::Rewind(std::uint64_t offset) {
    if (offset >= bufferStart_) {
        buffered_ = static_cast<size_t>(offset - bufferStart_);
    } else {
        buffered_ = 0;
        bufferStart_ = offset;
    }
    position_ = offset;
}

void OutputFile::Finish() {
    Flush();
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(position_);
    if (!SetFilePointerEx(handle_, end, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_))
        Fail(GetLastError());
}

} // namespace zipeng
