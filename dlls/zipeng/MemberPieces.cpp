#include "dlls/zipeng/MemberPieces.h"

#include "base/zipcore/MemberReader.h"
#include "dlls/zipeng/FileIo.h"

#include <algorithm>
#include <cmath>

namespace zipeng {

char* ReadBuffer::Reserve(size_t n) {
    return Grow(0, n);
}

char* ReadBuffer::Grow(size_t keep, size_t n) {
    if (n > capacity_) {
        const size_t capacity = std::max(n, capacity_ + capacity_ / 2);
        std::unique_ptr<char[]> bigger(new char[capacity]);
        if (keep > 0) std::memcpy(bigger.get(), data_.get(), keep);
        data_ = std::move(bigger);
        capacity_ = capacity;
    }
    return data_.get();
}

namespace {

// Order-0 entropy of up to 4 KiB from the start, in bits per byte: text and code stay far below
// 8, compressed and random data come close to it.
double SampleEntropy(std::string_view data) {
    const std::string_view sample = data.substr(0, 4096);
    unsigned counts[256] = {};
    for (const char c : sample)
        ++counts[static_cast<unsigned char>(c)];
    double bits = 0;
    for (const unsigned n : counts)
        if (n) {
            const double p = static_cast<double>(n) / sample.size();
            bits -= p * std::log2(p);
        }
    return bits;
}

} // namespace

bool LooksIncompressible(std::string_view data, WorkerState& state) {
    constexpr size_t kSample = 16 * 1024;
    // The cheap test first: most data is plainly compressible and goes no further.
    if (data.size() < 8 * 1024 || SampleEntropy(data) < 7.5) return false;
    const size_t starts[3] = {0, data.size() / 2 - std::min(data.size() / 2, kSample / 2),
                              data.size() - std::min(data.size(), kSample)};
    size_t in = 0, out = 0, coveredTo = 0;
    for (const size_t start : starts) {
        const size_t from = std::max(start, coveredTo); // small data: samples would overlap
        if (from >= data.size()) break;
        const std::string_view sample = data.substr(from, kSample);
        coveredTo = from + sample.size();
        state.sample.clear();
        state.sampler.Compress(1, {}, sample, true, state.sample);
        in += sample.size();
        out += state.sample.size();
    }
    return out * 100 >= in * 99;
}

void ReadPiece(Piece& piece) {
    piece.read = true;
    try {
        InputFile file(piece.path, keng::kErrReadFile);
        const std::uint64_t dictionary = std::min<std::uint64_t>(piece.offset, kDeflateWindow);
        const std::uint64_t start = piece.offset - dictionary;
        // The last piece asks for one byte more than expected: getting it means the file has
        // grown since it was found. Only the size found is taken, so a file that keeps growing
        // (a log) can neither exhaust memory nor change the member's size under the writer.
        const size_t expected = static_cast<size_t>(dictionary + piece.length);
        const size_t want = expected + (piece.last ? 1 : 0);
        if (piece.inputs && piece.input.capacity() == 0) piece.input = piece.inputs->Take();
        const size_t got = file.ReadAt(start, piece.input.Reserve(want), want);
        if (got < expected)
            throw EngineError(keng::kErrReadFile,
                              Shown(piece.path) + " became shorter while it was read");
        piece.grew = got > expected;
        piece.dictionarySize = static_cast<size_t>(dictionary);
        piece.inputSize = piece.length;
        piece.ok = true;
    } catch (const EngineError& e) {
        piece.ok = false;
        piece.errorCode = e.code();
        piece.errorText = e.what();
    } catch (const std::exception& e) {
        piece.ok = false;
        piece.errorCode = keng::kErrReadFile;
        piece.errorText = Shown(piece.path) + ": " + e.what();
    }
}

void CompressPiece(Piece& piece, WorkerState& state) {
    if (!piece.read) ReadPiece(piece);
    if (piece.ok) {
        const std::string_view dict(piece.input.Data(), piece.dictionarySize);
        const std::string_view data(piece.input.Data() + piece.dictionarySize,
                                    static_cast<size_t>(piece.inputSize));
        piece.crc =
            zipcore::Crc32(0, reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
        piece.data = piece.buffers ? piece.buffers->Take() : std::string();
        if (piece.level == 0) {
            piece.data.assign(data);
            piece.stored = piece.first && piece.last;
        } else if (LooksIncompressible(data, state)) {
            if (piece.first && piece.last) {
                piece.data.assign(data);
                piece.stored = true;
            } else {
                // Stored blocks within the member's deflate stream.
                state.storer.Compress(0, {}, data, piece.last, piece.data);
            }
        } else {
            state.deflater.Compress(piece.level, dict, data, piece.last, piece.data);
            if (piece.first && piece.last && piece.data.size() >= data.size()) {
                // Deflate gained nothing: the file is stored as it is.
                piece.data.assign(data);
                piece.stored = true;
            }
        }
    } else {
        piece.data.clear();
    }
    if (piece.inputs) piece.inputs->Give(std::move(piece.input));
    piece.input = ReadBuffer();
}

} // namespace zipeng
