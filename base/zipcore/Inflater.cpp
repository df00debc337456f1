#include "base/zipcore/Inflater.h"

#include <algorithm>
#include <cstring>

namespace zipcore {

namespace {

// A table entry: bits 0-4 the bits its code takes at this level, 5-7 and 13 its kind, 8-12
// the extra bits that follow (for a link: the index bits of the second-level table), 16-31 its
// value (a literal, a base length or distance, or where the second-level table starts). A
// link is the only kind with bit 7, so the fast path tells it with one bit test.
enum : std::uint32_t {
    kLiteral = 0u << 5,
    kBase = 1u << 5,
    kEnd = 2u << 5,
    kMissing = 3u << 5, // no code leads here (an incomplete code)
    // A symbol outside the alphabet (literal 286-287, distance 30-31).
    kBadSymbol = 3u << 5 | 1u << 13,
    kLink = 4u << 5,
};
constexpr std::uint32_t kKindMask = 7u << 5 | 1u << 13;

constexpr std::uint32_t Make(std::uint32_t kind, unsigned extra, unsigned value) {
    return kind | extra << 8 | value << 16;
}
inline unsigned BitsOf(std::uint32_t e) {
    return e & 31u;
}
inline unsigned ExtraOf(std::uint32_t e) {
    return (e >> 8) & 31u;
}
inline unsigned ValueOf(std::uint32_t e) {
    return e >> 16;
}
// The lowest n (under 32) bits of a bit buffer of either width.
inline unsigned Low(std::uintptr_t bits, unsigned n) {
    return static_cast<unsigned>(bits) & ((1u << n) - 1);
}

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[32] = {1,    2,    3,    4,     5,     7,     9,     13,
                                             17,   25,   33,   49,    65,    97,    129,   193,
                                             257,  385,  513,  769,   1025,  1537,  2049,  3073,
                                             4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::uint8_t kDistanceExtra[32] = {0,  0,  0,  0,  1,  1,  2,  2,  3,  3, 4,
                                             4,  5,  5,  6,  6,  7,  7,  8,  8,  9, 9,
                                             10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// The order in which a dynamic block sends the code lengths of the code-length code.
constexpr std::uint8_t kLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};
constexpr unsigned kCodeLengthRoot = 7;

// What each symbol of an alphabet decodes to, for plain deflate [0] and Deflate64 [1].
struct Alphabets {
    std::uint32_t literal[2][288];
    std::uint32_t distance[2][32];
    std::uint32_t codeLength[19];
};

constexpr Alphabets MakeAlphabets() {
    Alphabets a{};
    for (unsigned d64 = 0; d64 < 2; ++d64) {
        for (unsigned s = 0; s < 288; ++s) {
            std::uint32_t e = Make(kBadSymbol, 0, 0);
            if (s < 256)
                e = Make(kLiteral, 0, s);
            else if (s == 256)
                e = Make(kEnd, 0, 0);
            else if (s == 285 && d64)
                e = Make(kBase, 16, 3);
            else if (s < 286)
                e = Make(kBase, kLengthExtra[s - 257], kLengthBase[s - 257]);
            a.literal[d64][s] = e;
        }
        for (unsigned s = 0; s < 32; ++s)
            a.distance[d64][s] = s < 30 || d64 ? Make(kBase, kDistanceExtra[s], kDistanceBase[s])
                                               : Make(kBadSymbol, 0, 0);
    }
    for (unsigned s = 0; s < 19; ++s)
        a.codeLength[s] = Make(kLiteral, 0, s);
    return a;
}
constexpr Alphabets kAlphabets = MakeAlphabets();

constexpr struct Reversed {
    std::uint8_t byte[256];
    constexpr Reversed() : byte{} {
        for (unsigned i = 0; i < 256; ++i)
            for (unsigned b = 0; b < 8; ++b)
                byte[i] = static_cast<std::uint8_t>(byte[i] | ((i >> b) & 1u) << (7 - b));
    }
} kReversed;

// The first `len` bits of a code as the stream sends them (from its top bit), lowest first.
inline unsigned Reverse(unsigned code, unsigned len) {
    return (static_cast<unsigned>(kReversed.byte[code & 0xFF]) << 8 | kReversed.byte[code >> 8]) >>
           (16 - len);
}

// Fills a lookup table for the canonical code the lengths of `n` symbols give. False when
// the lengths ask for more codes than exist, or leave codes unused where the format does
// not allow it: only a literal/length or distance code of a single one-bit code may be
// incomplete (as zlib reads them); the missing code then fails when read.
bool BuildTable(std::uint32_t* table, unsigned capacity, unsigned root, const std::uint8_t* lengths,
                unsigned n, const std::uint32_t* symbols, bool mayBeSingle) {
    unsigned count[16] = {};
    for (unsigned s = 0; s < n; ++s)
        ++count[lengths[s]];
    count[0] = 0;
    int left = 1;
    unsigned codes = 0, longest = 0;
    unsigned offset[16];
    offset[1] = 0;
    for (unsigned len = 1; len < 16; ++len) {
        left = left * 2 - static_cast<int>(count[len]);
        if (left < 0) return false;
        codes += count[len];
        if (count[len]) longest = len;
        if (len < 15) offset[len + 1] = offset[len] + count[len];
    }
    if (left > 0) {
        if (codes > 1 || (codes == 1 && (!mayBeSingle || longest != 1))) return false;
        for (unsigned i = 0; i < (1u << root); ++i)
            table[i] = Make(kMissing, 0, 0);
    }
    std::uint16_t sorted[288];
    for (unsigned s = 0; s < n; ++s)
        if (lengths[s]) sorted[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);

    // Codes no longer than the root fill every entry they begin; longer ones are kept for
    // the second-level tables.
    struct Long {
        std::uint16_t symbol, reversed;
        std::uint8_t len;
    } longCodes[288];
    unsigned longCount = 0;
    unsigned code = 0, len = 0;
    for (unsigned k = 0; k < codes; ++k) {
        const unsigned s = sorted[k];
        while (len < lengths[s]) {
            code <<= 1;
            ++len;
        }
        const unsigned reversed = Reverse(code++, len);
        if (len <= root) {
            const std::uint32_t e = symbols[s] | len;
            for (unsigned i = reversed; i < (1u << root); i += 1u << len)
                table[i] = e;
        } else {
            longCodes[longCount++] = {static_cast<std::uint16_t>(s),
                                      static_cast<std::uint16_t>(reversed),
                                      static_cast<std::uint8_t>(len)};
        }
    }
    if (longCount == 0) return true;
    // A second-level table for each root prefix of long codes, as deep as its longest code.
    std::uint8_t deepest[1u << Inflater::kLiteralRoot];
    const unsigned rootMask = (1u << root) - 1;
    for (unsigned k = 0; k < longCount; ++k)
        deepest[longCodes[k].reversed & rootMask] = 0;
    for (unsigned k = 0; k < longCount; ++k) {
        std::uint8_t& d = deepest[longCodes[k].reversed & rootMask];
        if (longCodes[k].len > d) d = longCodes[k].len;
    }
    unsigned used = 1u << root;
    for (unsigned k = 0; k < longCount; ++k) {
        const Long& c = longCodes[k];
        const unsigned prefix = c.reversed & rootMask;
        if (deepest[prefix] != 0) { // the first code of this prefix: make its table
            const unsigned bits = deepest[prefix] - root;
            if (used + (1u << bits) > capacity) return false;
            table[prefix] = Make(kLink, bits, used) | root;
            used += 1u << bits;
            deepest[prefix] = 0;
        }
        const std::uint32_t link = table[prefix];
        const unsigned bits = ExtraOf(link), start = ValueOf(link), rest = c.len - root;
        const std::uint32_t e = symbols[c.symbol] | rest;
        for (unsigned i = c.reversed >> root; i < (1u << bits); i += 1u << rest)
            table[start + i] = e;
    }
    return true;
}

// The fast path's bit buffer is a machine word: a 64-bit build refills it half as often and
// decodes a whole length and distance, or three literals, from one refill.
using Word = std::uintptr_t;
constexpr unsigned kWordBits = sizeof(Word) * 8;
// Bits in the buffer after a refill, at least: 56 in a 64-bit word, 24 in a 32-bit one.
constexpr unsigned kRefilled = kWordBits - 8;
constexpr bool kWide = kRefilled >= 56;

inline Word LoadWord(const std::uint8_t* p) {
    Word v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
// The same for a count of extra bits read from a table entry: one masking with an operand
// from memory, where shifting would take three more instructions on a 32-bit processor.
constexpr struct ExtraMasks {
    std::uint32_t of[32];
    constexpr ExtraMasks() : of{} {
        for (unsigned n = 0; n < 32; ++n)
            of[n] = (1u << n) - 1;
    }
} kExtraMask;
inline unsigned ExtraBits(Word bits, unsigned n) {
    return static_cast<unsigned>(bits) & kExtraMask.of[n];
}

// The longest match plain deflate has, and how far a match copy may write past its end.
constexpr std::size_t kLongestMatch = 258, kCopySlack = 16;

} // namespace

void Inflater::Reset(bool deflate64) {
    bits_ = 0;
    bitCount_ = 0;
    next_ = nullptr;
    available_ = 0;
    history_ = storedLeft_ = copyLeft_ = copyDistance_ = 0;
    windowSize_ = deflate64 ? 1u << 16 : 1u << 15;
    state_ = State::Header;
    deflate64_ = deflate64;
    lastBlock_ = false;
    problem_ = "";
}

bool Inflater::Fail(const char* why) {
    problem_ = why;
    state_ = State::Failed;
    return false;
}

// At least n (at most 25) bits in the buffer; false when the data ends first.
bool Inflater::Need(InflateInput& input, unsigned n) {
    while (bitCount_ < n) {
        if (available_ == 0) {
            available_ = input.More(&next_);
            if (available_ == 0) return false;
        }
        bits_ |= static_cast<std::uint32_t>(*next_++) << bitCount_;
        bitCount_ += 8;
        --available_;
    }
    return true;
}

std::uint32_t Inflater::Take(unsigned n) {
    const std::uint32_t v = Low(bits_, n);
    bits_ = n < 32 ? bits_ >> n : 0;
    bitCount_ -= n;
    return v;
}

// One code, read carefully: near the end of the data fewer than 15 bits may be left; the
// missing ones read as 0 and a code that needs them is refused.
bool Inflater::Lookup(InflateInput& input, const std::uint32_t* table, unsigned root,
                      std::uint32_t* entry) {
    Need(input, 15);
    std::uint32_t e = table[Low(bits_, root)];
    unsigned taken = 0;
    if (e & kLink) {
        taken = root;
        e = table[ValueOf(e) + Low(bits_ >> root, ExtraOf(e))];
    }
    if ((e & kKindMask) == kMissing)
        return Fail("invalid compressed data (a code that does not exist)");
    if (taken + BitsOf(e) > bitCount_) return Fail("the compressed data ends early");
    Take(taken + BitsOf(e));
    *entry = e;
    return true;
}

bool Inflater::DynamicCodes(InflateInput& input) {
    if (!Need(input, 14)) return Fail("the compressed data ends early");
    const unsigned literals = Take(5) + 257, distances = Take(5) + 1, lengthCodes = Take(4) + 4;
    if (literals > 286) return Fail("invalid compressed data (too many length codes)");
    std::uint8_t lengths[286 + 32] = {};
    for (unsigned i = 0; i < lengthCodes; ++i) {
        if (!Need(input, 3)) return Fail("the compressed data ends early");
        lengths[kLengthOrder[i]] = static_cast<std::uint8_t>(Take(3));
    }
    // The code-length code is decoded with the distance table, free until the block's own.
    if (!BuildTable(distances_, kDistanceEntries, kCodeLengthRoot, lengths, 19,
                    kAlphabets.codeLength, false))
        return Fail("invalid compressed data (bad code lengths)");
    for (std::uint8_t& l : lengths)
        l = 0;
    const unsigned total = literals + distances;
    for (unsigned i = 0; i < total;) {
        std::uint32_t e = 0;
        if (!Lookup(input, distances_, kCodeLengthRoot, &e)) return false;
        const unsigned symbol = ValueOf(e);
        if (symbol < 16) {
            lengths[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        unsigned repeat = 0;
        std::uint8_t value = 0;
        const unsigned extra = symbol == 16 ? 2 : symbol == 17 ? 3 : 7;
        if (!Need(input, extra)) return Fail("the compressed data ends early");
        if (symbol == 16) {
            if (i == 0) return Fail("invalid compressed data (a repeat with nothing before)");
            value = lengths[i - 1];
            repeat = 3 + Take(2);
        } else {
            repeat = (symbol == 17 ? 3 : 11) + Take(extra);
        }
        if (repeat > total - i) return Fail("invalid compressed data (too many code lengths)");
        while (repeat--)
            lengths[i++] = value;
    }
    if (lengths[256] == 0) return Fail("invalid compressed data (no end-of-block code)");
    if (!BuildTable(literals_, kLiteralEntries, kLiteralRoot, lengths, literals,
                    kAlphabets.literal[deflate64_], true) ||
        !BuildTable(distances_, kDistanceEntries, kDistanceRoot, lengths + literals, distances,
                    kAlphabets.distance[deflate64_], true))
        return Fail("invalid compressed data (bad code lengths)");
    return true;
}

bool Inflater::FixedCodes() {
    std::uint8_t lengths[288];
    for (unsigned s = 0; s < 288; ++s)
        lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    BuildTable(literals_, kLiteralEntries, kLiteralRoot, lengths, 288,
               kAlphabets.literal[deflate64_], true);
    for (unsigned s = 0; s < 32; ++s)
        lengths[s] = 5;
    BuildTable(distances_, kDistanceEntries, kDistanceRoot, lengths, 32,
               kAlphabets.distance[deflate64_], true);
    return true;
}

bool Inflater::BlockHeader(InflateInput& input) {
    if (!Need(input, 3)) return Fail("the compressed data ends early");
    lastBlock_ = Take(1) != 0;
    switch (Take(2)) {
    case 0: {
        Take(bitCount_ % 8);
        if (!Need(input, 16)) return Fail("the compressed data ends early");
        const std::uint32_t length = Take(16);
        if (!Need(input, 16)) return Fail("the compressed data ends early");
        if ((Take(16) ^ 0xFFFFu) != length)
            return Fail("invalid compressed data (stored block length)");
        storedLeft_ = length;
        state_ = State::Stored;
        return true;
    }
    case 1:
        FixedCodes();
        state_ = State::Codes;
        return true;
    case 2:
        if (!DynamicCodes(input)) return false;
        state_ = State::Codes;
        return true;
    default:
        return Fail("invalid compressed data (block type 3)");
    }
}

bool Inflater::CheckDistance(std::uint32_t distance, std::size_t at) {
    if (distance > history_ + at)
        return Fail("invalid compressed data (distance beyond the start)");
    return true;
}

// The pending match, byte by byte, from this read's output or the window before it.
void Inflater::CopyNear(std::uint8_t* out, std::size_t& at, std::size_t capacity) {
    const std::uint32_t d = copyDistance_;
    for (; copyLeft_ > 0 && at < capacity; ++at, --copyLeft_)
        out[at] = d <= at ? out[at - d] : window_[history_ - (d - at)];
}

// One symbol of a Huffman-coded block, reading with care for the data's end.
bool Inflater::SlowSymbol(InflateInput& input, std::uint8_t* out, std::size_t& at) {
    std::uint32_t e = 0;
    if (!Lookup(input, literals_, kLiteralRoot, &e)) return false;
    switch (e & kKindMask) {
    case kLiteral:
        out[at++] = static_cast<std::uint8_t>(ValueOf(e));
        return true;
    case kEnd:
        state_ = State::Header;
        return true;
    case kBase:
        break;
    default:
        return Fail("invalid compressed data (length code)");
    }
    unsigned extra = ExtraOf(e);
    if (!Need(input, extra)) return Fail("the compressed data ends early");
    const std::uint32_t length = ValueOf(e) + Take(extra);
    if (!Lookup(input, distances_, kDistanceRoot, &e)) return false;
    if ((e & kKindMask) != kBase) return Fail("invalid compressed data (distance code)");
    extra = ExtraOf(e);
    if (!Need(input, extra)) return Fail("the compressed data ends early");
    const std::uint32_t distance = ValueOf(e) + Take(extra);
    if (!CheckDistance(distance, at)) return false;
    copyLeft_ = length;
    copyDistance_ = distance;
    return true;
}

// Symbols while the input holds enough bytes for any of them and the output has room for
// the longest match: no end checks inside. Everything it touches per symbol is a local, so
// the byte stores to the output cannot make the compiler reload it.
bool Inflater::FastCodes(std::uint8_t* out, std::size_t& at, std::size_t capacity) {
    // Within one symbol `in` moves at most 12 bytes in four refills of a 32-bit word, or 14
    // in two of a 64-bit one, and each refill reads a word.
    constexpr std::size_t kInputSlack = 4 * sizeof(Word);
    if (available_ < 2 * kInputSlack || capacity - at < kLongestMatch + 2 * kCopySlack) return true;
    const std::uint8_t* in = next_;
    const std::uint8_t* const inLimit = next_ + available_ - kInputSlack;
    std::uint8_t* op = out + at;
    std::uint8_t* const opLimit = out + capacity - kLongestMatch - kCopySlack;
    // How far back a match may reach: the window before this read and this read's output.
    const std::size_t history = history_;
    Word bits = bits_;
    unsigned count = bitCount_;
    // The `count` bits are the last ones before `in`; the bits above them are the stream's
    // next ones (or zero), so loading the same bytes again later changes nothing.
    auto refill = [&] {
        if (count < kRefilled) {
            bits |= LoadWord(in) << count;
            in += (kWordBits - 1 - count) >> 3;
            count |= kRefilled;
        }
    };
    auto take = [&](unsigned n) {
        bits >>= n;
        count -= n;
    };
    const std::uint32_t* const literals = literals_;
    const std::uint32_t* const distances = distances_;
    const char* problem = nullptr;
    bool ended = false;
    while (in < inLimit && op <= opLimit) {
        refill();
        std::uint32_t e = literals[Low(bits, kLiteralRoot)];
        if (e & kLink) {
            take(kLiteralRoot);
            e = literals[ValueOf(e) + Low(bits, ExtraOf(e))];
        }
        take(BitsOf(e));
        if ((e & kKindMask) == kLiteral) {
            *op++ = static_cast<std::uint8_t>(ValueOf(e));
            // Up to two more literals from the same refill, if their codes need no second-level
            // table. A wide buffer surely holds them (15 bits each); in a narrow one the code
            // must not be longer than the bits there: the bits above are not the stream's yet.
            for (unsigned more = 2; more > 0; --more) {
                e = literals[Low(bits, kLiteralRoot)];
                if ((e & kKindMask) != kLiteral || (!kWide && BitsOf(e) > count)) break;
                take(BitsOf(e));
                *op++ = static_cast<std::uint8_t>(ValueOf(e));
            }
            continue;
        }
        if ((e & kKindMask) != kBase) {
            if ((e & kKindMask) == kEnd)
                ended = true;
            else
                problem = (e & kKindMask) == kMissing
                              ? "invalid compressed data (a code that does not exist)"
                              : "invalid compressed data (length code)";
            break;
        }
        // A wide buffer still holds 41 bits here: the 16 extra bits of Deflate64's longest
        // length and a distance code fit without a refill. A narrow one refills once for the
        // length's extra bits and the distance code (5 and 15 bits at most), and again only after
        // Deflate64's 16 extra bits.
        unsigned extra = ExtraOf(e);
        if (!kWide && count < 20) refill();
        const std::uint32_t length = ValueOf(e) + ExtraBits(bits, extra);
        take(extra);
        if (!kWide && count < 15) refill();
        e = distances[Low(bits, kDistanceRoot)];
        if (e & kLink) {
            take(kDistanceRoot);
            e = distances[ValueOf(e) + Low(bits, ExtraOf(e))];
        }
        take(BitsOf(e));
        if ((e & kKindMask) != kBase) {
            problem = (e & kKindMask) == kMissing
                          ? "invalid compressed data (a code that does not exist)"
                          : "invalid compressed data (distance code)";
            break;
        }
        extra = ExtraOf(e);
        if (count < extra) refill();
        const std::uint32_t distance = ValueOf(e) + ExtraBits(bits, extra);
        take(extra);
        // Below opLimit any match of plain deflate fits with its slack; only Deflate64's longer
        // ones need the room checked.
        if (distance > static_cast<std::size_t>(op - out) ||
            (length > kLongestMatch &&
             length + kCopySlack > static_cast<std::size_t>(out + capacity - op))) {
            if (distance > history + static_cast<std::size_t>(op - out)) {
                problem = "invalid compressed data (distance beyond the start)";
                break;
            }
            // Into the window before this read, or a Deflate64 length beyond the room left.
            std::size_t pos = static_cast<std::size_t>(op - out);
            copyLeft_ = length;
            copyDistance_ = distance;
            CopyNear(out, pos, capacity);
            op = out + pos;
            if (copyLeft_ > 0) break;
            continue;
        }
        const std::uint8_t* src = op - distance;
        std::uint8_t* const end = op + length;
        if (distance >= 8) {
            // Most matches are short: two words unconditionally, a loop only beyond.
            std::memcpy(op, src, 8);
            std::memcpy(op + 8, src + 8, 8);
            if (length > 16) {
                op += 16;
                src += 16;
                do {
                    std::memcpy(op, src, 8);
                    op += 8;
                    src += 8;
                } while (op < end);
            }
        } else if (distance == 1) {
            std::memset(op, *src, length);
        } else {
            do {
                *op++ = *src++;
            } while (op < end);
        }
        op = end;
    }
    // Whole bytes still in the buffer go back to the input, as far as this call took them
    // from it: what stays fits the 32 bits kept between reads.
    const std::size_t back =
        std::min<std::size_t>(count >> 3, static_cast<std::size_t>(in - next_));
    in -= back;
    count -= static_cast<unsigned>(back) * 8;
    bits_ = static_cast<std::uint32_t>(count < 32 ? Low(bits, count) : bits);
    bitCount_ = count;
    available_ -= static_cast<std::size_t>(in - next_);
    next_ = in;
    at = static_cast<std::size_t>(op - out);
    if (ended) state_ = State::Header;
    return problem ? Fail(problem) : true;
}

void Inflater::KeepHistory(const std::uint8_t* out, std::size_t at) {
    const std::uint32_t w = windowSize_;
    if (at >= w) {
        std::memcpy(window_, out + at - w, w);
        history_ = w;
        return;
    }
    const auto produced = static_cast<std::uint32_t>(at);
    const std::uint32_t keep = history_ < w - produced ? history_ : w - produced;
    std::memmove(window_, window_ + history_ - keep, keep);
    std::memcpy(window_ + keep, out, produced);
    history_ = keep + produced;
}

Inflater::Status Inflater::Read(InflateInput& input, std::uint8_t* out, std::size_t capacity,
                                std::size_t* produced) {
    std::size_t at = 0;
    bool ok = true;
    while (ok && at < capacity) {
        if (copyLeft_ > 0) {
            CopyNear(out, at, capacity);
            continue;
        }
        if (state_ == State::Header) {
            if (lastBlock_) {
                state_ = State::Done;
                break;
            }
            ok = BlockHeader(input);
        } else if (state_ == State::Stored) {
            if (storedLeft_ == 0) {
                state_ = State::Header;
                continue;
            }
            // Whole bytes left in the bit buffer first, then straight from the input.
            while (storedLeft_ > 0 && at < capacity && bitCount_ >= 8) {
                out[at++] = static_cast<std::uint8_t>(Take(8));
                --storedLeft_;
            }
            if (storedLeft_ == 0 || at == capacity) continue;
            if (available_ == 0 && (available_ = input.More(&next_)) == 0) {
                ok = Fail("the compressed data ends early");
                break;
            }
            std::size_t n = capacity - at;
            if (n > storedLeft_) n = storedLeft_;
            if (n > available_) n = available_;
            std::memcpy(out + at, next_, n);
            at += n;
            next_ += n;
            available_ -= n;
            storedLeft_ -= static_cast<std::uint32_t>(n);
        } else if (state_ == State::Codes) {
            if (!(ok = FastCodes(out, at, capacity))) break;
            if (state_ == State::Codes && copyLeft_ == 0 && at < capacity)
                ok = SlowSymbol(input, out, at);
        } else {
            break;
        }
    }
    *produced = at;
    if (state_ == State::Failed) return Status::Error;
    if (state_ == State::Done) return Status::End;
    KeepHistory(out, at);
    return Status::More;
}

} // namespace zipcore
