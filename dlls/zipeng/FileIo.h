// Files through the Win32 API: sources to add, the existing archive as a zipcore ByteSource,
// and the new archive written at explicit offsets through one buffer. Every failure becomes
// an EngineError with the system's reason.
#pragma once

#include "base/FileTimes.h"
#include "base/MemberNames.h"

#include "base/zipcore/CentralDirectory.h"
#include "dlls/zipeng/ArchiveGuard.h"
#include "dlls/zipeng/EngineError.h"
#include "base/Handle.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zipeng {

// The system's text for an error code, without the trailing line break.
std::string SystemErrorText(DWORD error);

using kfiletime::DosTimeFromFileTime;
using kfiletime::FileTimeFromDosTime;

// Paths of files to add are kept in UTF-8, so every name the file system holds can be
// reached through the Unicode API; the record and the callback speak the ANSI code page.
std::wstring WidePath(const std::string& utf8);
// The form of a UTF-8 path the wide file calls take at any length (base/LongPaths.h).
std::wstring FilePath(const std::string& utf8);
std::string Utf8Path(const std::wstring& wide);
std::string Utf8FromAnsi(const std::string& ansi);
// A UTF-8 path as the ANSI text messages carry.
std::string Shown(const std::string& utf8);

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A file on disk opened for reading; by default others may go on reading and writing it.
class InputFile {
public:
    // `path` is UTF-8. Throws EngineError(code) naming the path when it cannot be opened or
    // is not a file.
    InputFile(const std::string& path, keng::ErrorCode code, DWORD share = kShareAll);
    std::uint64_t Size() const;
    // Reads up to n bytes at the offset; fewer only at the end of the file.
    size_t ReadAt(std::uint64_t offset, void* buffer, size_t n);
    HANDLE Handle() const { return handle_.Get(); }

private:
    std::string path_;
    keng::ErrorCode code_;
    ui::FileHandle handle_;
};

// The existing archive for zipcore's reader. It stays open, with only reading shared, until
// the new archive is about to take its place: meanwhile no other program can write, delete
// or replace it (ArchiveGuard.h).
class FileSource : public zipcore::ByteSource {
public:
    // `path` is the ANSI path the record names.
    explicit FileSource(const std::string& path);
    std::uint64_t Size() const override { return size_; }
    size_t ReadAt(std::uint64_t offset, void* buffer, size_t n) override {
        return file_.ReadAt(offset, buffer, n);
    }
    // The file that was read, for the check before the new archive takes its place.
    const FileIdentity& Identity() const { return identity_; }

private:
    InputFile file_;
    std::uint64_t size_;
    FileIdentity identity_;
};

// Writes the new archive. Everything goes through a buffer at an explicit file offset, so
// a header can be patched after its data and a failed member can be taken back.
class OutputFile {
public:
    // `name` is what messages call the file: the archive it will become.
    OutputFile(HANDLE handle, std::string name);

    std::uint64_t Position() const { return position_; }
    void Write(const void* data, size_t n);
    void Write(const std::string& s) { Write(s.data(), s.size()); }
    // Overwrites bytes already written.
    void PatchAt(std::uint64_t offset, const void* data, size_t n);
    // Reads back bytes already written.
    void ReadAt(std::uint64_t offset, void* data, size_t n);
    // Forgets everything from the offset on (a member that could not be finished).
    void Rewind(std::uint64_t offset);
    // Writes the buffer out and cuts the file at the current position.
    void Finish();

private:
    void Flush();
    void WriteRaw(std::uint64_t offset, const void* data, size_t n);
    [[noreturn]] void Fail(DWORD error) const;

    HANDLE handle_;
    std::string path_;
    std::vector<char> buffer_;
    size_t buffered_ = 0;
    std::uint64_t bufferStart_ = 0; // file offset of buffer_[0]
    std::uint64_t position_ = 0;
};

} // namespace zipeng
