// A buffered reader over an open archive file: byte reads for the signature search and
// forward seeks over member data without a system call per header.
#pragma once

#include "base/Handle.h"

#include <cstdint>
#include <string>
#include <vector>

class ArchiveReader {
public:
    // Opens for reading, letting others read but not write. Throws EZipOpenError.
    explicit ArchiveReader(const std::string& path);

    std::int64_t Size() const { return size_; }
    std::int64_t Position() const { return bufStart_ + static_cast<std::int64_t>(bufPos_); }
    // Reads up to n bytes; returns how many were read.
    size_t Read(void* dest, size_t n);
    // Reads up to n bytes into out, which holds what was read; returns how many.
    size_t ReadString(std::string& out, size_t n);
    // Reads one byte; false at the end of the file.
    bool ReadByte(std::uint8_t& b) {
        if (bufPos_ < bufLen_) {
            b = buf_[bufPos_++];
            return true;
        }
        return Read(&b, 1) == 1;
    }
    // Moves to an absolute position (may lie past the end, as a file seek may).
    void Seek(std::int64_t position);
    void Close() { file_.Reset(); }

private:
    void Fill();

    ui::FileHandle file_;
    std::int64_t size_ = 0;
    std::vector<std::uint8_t> buf_;
    std::int64_t bufStart_ = 0; // file offset of buf_[0]
    size_t bufPos_ = 0;
    size_t bufLen_ = 0;
};
