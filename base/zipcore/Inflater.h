// Inflating deflate (RFC 1951) and Deflate64 data: the same format with a 64 KiB window,
// length code 285 taking 16 extra bits from a base of 3, and distance codes 30 and 31
// (bases 32769 and 49153, 14 extra bits each). Both engines and the self-extractor inflate
// with this. Free of the C++ library, of exceptions and of allocation (the self-extractor
// shares it): the caller provides the memory and pulls the output.
//
// Speed: extraction under Wine spends most of its own CPU here, so codes are looked up in
// tables indexed by the next bits (a root table, and second-level tables for the few long
// codes), the bit buffer is refilled a machine word at a time while the input is far from its
// end (a 64-bit build then decodes a whole length and distance, or three literals, per
// refill), and matches are copied eight bytes at a time while the output is far from its end.
// Near either end a careful path takes over that reads byte by byte.
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

    // Root table bits: literal/length codes, distance codes (and the code-length code, whose
    // codes are at most 7 bits and so need no second level).
    static constexpr unsigned kLiteralRoot = 10, kDistanceRoot = 8;
    // Room for the second-level tables: a complete or single-code table needs far less
    // (under 400 entries for either); building refuses anything that would not fit.
    static constexpr unsigned kLiteralEntries = (1u << kLiteralRoot) + 1024;
    static constexpr unsigned kDistanceEntries = (1u << kDistanceRoot) + 1024;

private:
    enum class State : std::uint8_t { Header, Stored, Codes, Done, Failed };

    bool Fail(const char* why);
    bool Need(InflateInput& input, unsigned n);
    std::uint32_t Take(unsigned n);
    bool Lookup(InflateInput& input, const std::uint32_t* table, unsigned root,
                std::uint32_t* entry);
    bool BlockHeader(InflateInput& input);
    bool DynamicCodes(InflateInput& input);
    bool FixedCodes();
    bool SlowSymbol(InflateInput& input, std::uint8_t* out, std::size_t& at);
    bool FastCodes(std::uint8_t* out, std::size_t& at, std::size_t capacity);
    bool CheckDistance(std::uint32_t distance, std::size_t at);
    void CopyNear(std::uint8_t* out, std::size_t& at, std::size_t capacity);
    void KeepHistory(const std::uint8_t* out, std::size_t at);

    std::uint32_t literals_[kLiteralEntries];
    std::uint32_t distances_[kDistanceEntries];
    // The latest output of earlier reads, oldest first: history_ bytes of at most the window.
    std::uint8_t window_[1u << 16];
    std::uint32_t bits_; // unread bits, the next one lowest; none above bitCount_
    unsigned bitCount_;
    const std::uint8_t* next_;
    std::size_t available_;
    std::uint32_t history_;
    std::uint32_t windowSize_;
    std::uint32_t storedLeft_;
    std::uint32_t copyLeft_, copyDistance_;
    State state_;
    bool deflate64_, lastBlock_;
    const char* problem_;
};

} // namespace zipcore
