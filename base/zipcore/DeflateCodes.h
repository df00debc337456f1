// The symbols and prefix codes of deflate (RFC 1951) as an encoder needs them: the length and
// distance symbol tables, symbol counts of a block, length-limited Huffman code lengths
// (package-merge: the fewest data bits a code of at most 15 bits can give), the code-length
// sequence of a dynamic block's header run-length coded by exact size, and the bit writer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zipcore::deflate {

constexpr int kLiteralLengthSymbols = 286; // 0..255 bytes, 256 end of block, 257..285 lengths
constexpr int kDistanceSymbols = 30;
constexpr int kEndOfBlock = 256;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kWindow = 32768;
constexpr int kMaxCodeBits = 15;
constexpr int kMaxCodeLengthBits = 7; // the code-length code's own limit

// One LZ77 symbol: a literal (dist 0, value the byte) or a match (value its length).
struct Token {
    std::uint16_t value;
    std::uint16_t dist;
};

struct SymbolTables {
    std::array<std::uint8_t, kMaxMatch + 1> lengthSymbol{}; // length -> symbol - 257
    std::array<std::uint8_t, 512> distanceSymbol{};         // see DistanceSymbol
    std::array<std::uint16_t, 29> lengthBase{};
    std::array<std::uint8_t, 29> lengthExtra{};
    std::array<std::uint16_t, 30> distanceBase{};
    std::array<std::uint8_t, 30> distanceExtra{};
};
const SymbolTables& Tables();

inline int DistanceSymbol(const SymbolTables& t, unsigned dist) {
    return dist <= 256 ? t.distanceSymbol[dist - 1] : t.distanceSymbol[256 + ((dist - 1) >> 7)];
}

// Symbol counts of a run of tokens (the end of block included) and their extra bits.
struct Histogram {
    std::array<std::uint32_t, kLiteralLengthSymbols> literal{};
    std::array<std::uint32_t, kDistanceSymbols> distance{};
    std::uint64_t extraBits = 0;

    void Add(Token t, const SymbolTables& tables);
    void AddAll(const Token* tokens, std::size_t count);
    Histogram& operator+=(const Histogram& other);
    Histogram& operator-=(const Histogram& other);
};

// Code lengths of at most maxBits bits that minimise sum(freq * length). A single used symbol
// gets length 1; unused symbols 0. A limit too small for the symbols used is raised to the
// least that fits them.
void LimitedCodeLengths(const std::uint32_t* freq, int count, int maxBits, std::uint8_t* lengths);

// Canonical codes, already bit-reversed for writing least significant bit first.
void CanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes);

// A dynamic block's codes and its header, with exact sizes.
struct DynamicCode {
    std::array<std::uint8_t, kLiteralLengthSymbols> literal{};
    std::array<std::uint8_t, kDistanceSymbols> distance{};
    int literalCount = 257, distanceCount = 1, codeLengthCount = 4; // HLIT+257, HDIST+1, HCLEN+4
    std::array<std::uint8_t, 19> codeLength{};
    std::vector<std::uint16_t> runs; // code-length symbol | repeat extra value << 8
    std::uint64_t headerBits = 0;    // after the 3 block header bits
};

// Builds the codes for `h` and returns the block's whole size in bits (3 header bits, the
// code description, the data and its extra bits, the end of block). `thorough` also tries
// shorter length limits and keeps what makes the whole block smallest.
std::uint64_t BuildDynamicCode(const Histogram& h, DynamicCode& code, bool thorough = false);
std::uint64_t FixedBlockBits(const Histogram& h);
// Stored blocks for `bytes` bytes starting at bit position `bitPosition` within a byte.
std::uint64_t StoredBlockBits(std::uint64_t bytes, int bitPosition);

// Fractional bits (1/16) of each symbol under a code built from counts: the parser's costs.
struct CostModel {
    static constexpr std::uint32_t kScale = 16;
    std::array<std::uint32_t, 256> literal{};
    std::array<std::uint32_t, kMaxMatch + 1> length{};      // symbol and extra bits
    std::array<std::uint32_t, kDistanceSymbols> distance{}; // symbol and extra bits

    // From the lengths of codes built for a histogram (unused symbols a little dearer than
    // the dearest used one).
    void FromHistogram(const Histogram& h);
};

class BitWriter {
public:
    explicit BitWriter(std::string& out) : out_(out) {}
    void Put(std::uint32_t value, int bits) {
        acc_ |= static_cast<std::uint64_t>(value) << count_;
        count_ += bits;
        while (count_ >= 8) {
            out_.push_back(static_cast<char>(acc_));
            acc_ >>= 8;
            count_ -= 8;
        }
    }
    void AlignToByte() {
        if (count_ > 0) Put(0, 8 - count_);
    }
    int BitPosition() const { return count_; }
    std::string& Bytes() { return out_; }

private:
    std::string& out_;
    std::uint64_t acc_ = 0;
    int count_ = 0;
};

// Writes a block's header (BFINAL, BTYPE and for dynamic blocks the code description).
void WriteDynamicHeader(BitWriter& w, const DynamicCode& code, bool final);
// Writes the tokens and the end of block with the given codes (lengths and reversed codes).
void WriteTokens(BitWriter& w, const Token* tokens, std::size_t count,
                 const std::uint8_t* literalLengths, const std::uint16_t* literalCodes,
                 const std::uint8_t* distanceLengths, const std::uint16_t* distanceCodes);
void WriteFixedBlock(BitWriter& w, const Token* tokens, std::size_t count, bool final);
void WriteDynamicBlock(BitWriter& w, const Token* tokens, std::size_t count,
                       const DynamicCode& code, bool final);
void WriteStoredBlocks(BitWriter& w, const std::uint8_t* data, std::size_t size, bool final);

} // namespace zipcore::deflate
