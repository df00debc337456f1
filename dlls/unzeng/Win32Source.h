// The archive file as a zipcore::ByteSource. Small reads (headers, names) are served from a
// window of the file so that walking the local headers costs few system calls.
#pragma once

#include "base/zipcore/CentralDirectory.h"
#include "base/Handle.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace unzeng {

// The archive cannot be opened or read; the text is ready for a message.
class ArchiveIoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Win32Source : public zipcore::ByteSource {
public:
    // Opens for reading, sharing read access. Throws ArchiveIoError.
    explicit Win32Source(const std::wstring& path);

    std::uint64_t Size() const override { return size_; }
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override;

private:
    std::size_t ReadDirect(std::uint64_t offset, void* buffer, std::size_t n);

    ui::FileHandle file_;
    std::uint64_t size_ = 0;
    std::uint64_t filePointer_ = 0; // where the handle's position is
    std::vector<char> window_;
    std::uint64_t windowStart_ = 0;
    std::size_t windowLen_ = 0;
};

// "the system's message (code N)" for a Win32 error code.
std::string SystemMessage(unsigned long error);

} // namespace unzeng
