// Inflating deflate (RFC 1951) and Deflate64 data: the same format with a 64 KiB window,
// length code 285 taking 16 extra bits from a base of 3, and distance codes 30 and 31
// (bases 32769 and 49153, 14 extra bits each). No library decodes Deflate64, so this is our
// own; the engines inflate plain deflate with zlib, the self-extractor with this too. Free of
// the C++ library, of exceptions and of allocation (the self-extractor shares it): the
// caller provides the memory and pulls the output.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zipcore {

// Where the inflater pulls its compressed bytes from.
class InflateInput {
public:
    // Points `data` at the next compressed bytes and returns how many; 0 at their end.
    virtual std::size_t More(const std::uint8_t** data) = 0;

protected:
    ~InflateInput() = default;
};

// Trivially constructible so it can live in memory from any allocator: call Reset first.
class Inflater {
public:
    enum class Status { More, End, Error };

    void Reset(bool deflate64);
    // Writes up to `capacity` bytes to `out` and stores their count in `produced`. End: the
    // last block ended and this was the last of its output; Error: see Problem.
    Status Read(InflateInput& input, std::uint8_t* out, std::size_t capacity,
                std::size_t* produced);
    const char* Problem() const { return problem_; }

    static constexpr unsigned kFastBits = 9;
    struct Code {
        std::uint16_t count[16];             // codes of each length
        std::uint16_t symbol[288];           // symbols ordered by code length, then value
        std::uint16_t fast[1u << kFastBits]; // next bits -> symbol << 4 | length (0: longer)
    };

private:
    enum class State : std::uint8_t { Header, Stored, Codes, Done, Failed };

    bool Fail(const char* why);
    bool Need(InflateInput& input, unsigned n);
    std::uint32_t Take(unsigned n);
    bool Decode(InflateInput& input, const Code& code, unsigned* symbol);
    bool BlockHeader(InflateInput& input);
    bool DynamicCodes(InflateInput& input);
    void Put(std::uint8_t byte, std::uint8_t* out, std::size_t& at);

    std::uint8_t window_[1u << 16];
    Code lengths_, distances_;
    std::uint64_t bits_; // unread bits, the next one lowest; none above bitCount_
    unsigned bitCount_;
    const std::uint8_t* next_;
    std::size_t available_;
    std::uint32_t position_; // bytes produced (mod 2^32); the window index is its low 16 bits
    std::uint32_t history_;  // bytes the window holds, at most 64 KiB
    std::uint32_t storedLeft_;
    std::uint32_t copyLeft_, copyDistance_;
    State state_;
    bool deflate64_, lastBlock_;
    const char* problem_;
};

} // namespace zipcore
