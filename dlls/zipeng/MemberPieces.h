// One piece of a file to add, read on a reader thread and compressed on a worker thread.
// Small files are one piece; larger ones are cut into pieces of kPieceSize that compress in
// parallel and concatenate into one deflate stream (see ChunkDeflater).
#pragma once

#include "dlls/common/FastSync.h"
#include "dlls/zipeng/ChunkDeflater.h"
#include "base/EngineRecords.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zipeng {

constexpr std::uint64_t kPieceSize = 1 << 20;

// How many pieces a file of this size (as found) is cut into.
inline std::uint64_t PieceCount(std::uint64_t size) {
    return size < 2 * kPieceSize ? 1 : size / kPieceSize;
}

// A growable byte buffer that is not cleared when it grows (the bytes are read over anyway).
class ReadBuffer {
public:
    ReadBuffer() = default;
    ReadBuffer(ReadBuffer&& other) noexcept
        : data_(std::move(other.data_)), capacity_(std::exchange(other.capacity_, 0)) {}
    ReadBuffer& operator=(ReadBuffer&& other) noexcept {
        data_ = std::move(other.data_);
        capacity_ = std::exchange(other.capacity_, 0);
        return *this;
    }

    char* Reserve(size_t n); // at least n bytes, keeping the first `keep` bytes
    char* Grow(size_t keep, size_t n);
    char* Data() { return data_.get(); }
    size_t capacity() const { return capacity_; }
    void clear() {} // nothing to forget: the bytes are read over anyway

private:
    std::unique_ptr<char[]> data_;
    size_t capacity_ = 0;
};

// Buffers handed from thread to thread with the pieces and kept for reuse once done with:
// input buffers from the readers to the workers, buffers of compressed bytes from the workers
// to the writer. A fresh megabyte per piece would be mapped, faulted in and unmapped every
// time (and under Wine every mapping takes a process-wide lock). A buffer comes out empty;
// one of an unusually large file is not kept.
template <class Buffer> class RecyclePool {
public:
    Buffer Take() {
        std::lock_guard lock(mutex_);
        if (free_.empty()) return {};
        Buffer buffer = std::move(free_.back());
        free_.pop_back();
        return buffer;
    }
    void Give(Buffer&& buffer) {
        if (buffer.capacity() == 0 || buffer.capacity() > kLargestPooled) return;
        buffer.clear();
        std::lock_guard lock(mutex_);
        if (free_.size() < kPooledBuffers) free_.push_back(std::move(buffer));
    }

private:
    static constexpr size_t kPooledBuffers = 64;
    static constexpr std::uint64_t kLargestPooled = 4 * kPieceSize;
    ksync::Mutex mutex_;
    std::vector<Buffer> free_;
};
using BufferPool = RecyclePool<std::string>;
using InputPool = RecyclePool<ReadBuffer>;

// What a worker thread keeps from one piece to the next: a deflate stream for the level
// asked for, and one each for sampling (level 1) and for storing (level 0), so that no
// stream is rebuilt for another level from one piece to the next.
struct WorkerState {
    ChunkDeflater deflater;
    ChunkDeflater sampler;
    ChunkDeflater storer;
    std::string sample;
};

// Whether deflate will gain nothing on the data (already compressed, random): the bytes at
// its start look random (order-0 entropy of 7.5 bits or more), and three 16 KiB samples
// (start, middle, end) deflated at level 1 are not even 1% smaller. Such data then skips the
// search of the higher levels, which would end in stored blocks anyway. Data under 8 KiB is
// never judged so.
bool LooksIncompressible(std::string_view data, WorkerState& state);

struct Piece {
    // Filled before the piece is queued.
    std::string path;
    std::uint64_t offset = 0; // first byte of the piece
    std::uint64_t length = 0; // bytes to read
    bool last = true;
    bool first = true;
    int level = 9;
    BufferPool* buffers = nullptr; // where `data` comes from (may be null)
    InputPool* inputs = nullptr;   // where `input` comes from (may be null)

    // Filled by the reader (which also sets ok, errorCode, errorText, inputSize and grew).
    bool read = false;         // ReadPiece has run
    ReadBuffer input;          // the dictionary (up to 32 KiB before the piece), then the piece
    size_t dictionarySize = 0; // the piece's own bytes follow, inputSize of them
    bool ready = false;        // read and handed over (under the writer's lock)

    // Filled by the worker.
    bool ok = false; // read, and then compressed
    keng::ErrorCode errorCode = keng::kErrNone;
    std::string errorText;
    std::string data;      // compressed bytes, or the bytes themselves when stored
    bool stored = false;   // a one-piece file kept as it is (level 0, or deflate gained nothing)
    std::uint32_t crc = 0; // of this piece's input
    std::uint64_t inputSize = 0;
    bool grew = false; // the file has more bytes than when it was found (last piece only)
};

// Reads the piece and the dictionary before it; a file that cannot be read, or that has become
// shorter than when it was found, leaves ok false with the reason. Never reads past the size
// found; a failure of the read, of whatever kind, is the piece's and not thrown.
void ReadPiece(Piece& piece);

// Compresses what ReadPiece read (reading first if it has not run) and gives the input buffer
// back to its pool. A piece whose read failed stays failed.
void CompressPiece(Piece& piece, WorkerState& state);

} // namespace zipeng
