#include "base/zipcore/Inflater.h"

namespace zipcore {

namespace {

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
constexpr std::uint32_t kWindowMask = 0xFFFF;

// Canonical Huffman code from the code lengths of `n` symbols; false when the lengths ask
// for more codes than exist (an incomplete code is allowed: its missing codes fail when read).
bool BuildCode(Inflater::Code& code, const std::uint8_t* lengths, unsigned n) {
    for (std::uint16_t& c : code.count)
        c = 0;
    for (unsigned s = 0; s < n; ++s)
        ++code.count[lengths[s]];
    code.count[0] = 0;
    int left = 1;
    std::uint16_t offset[16];
    offset[1] = 0;
    for (unsigned len = 1; len < 16; ++len) {
        left = left * 2 - code.count[len];
        if (left < 0) return false;
        if (len < 15) offset[len + 1] = static_cast<std::uint16_t>(offset[len] + code.count[len]);
    }
    for (unsigned s = 0; s < n; ++s)
        if (lengths[s]) code.symbol[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);

    for (std::uint16_t& f : code.fast)
        f = 0;
    unsigned next = 0, index = 0;
    for (unsigned len = 1; len <= Inflater::kFastBits; ++len) {
        for (unsigned k = 0; k < code.count[len]; ++k, ++next, ++index) {
            // Codes go into the stream from their top bit; the table is indexed by stream bits.
            unsigned reversed = 0;
            for (unsigned b = 0; b < len; ++b)
                reversed |= ((next >> b) & 1u) << (len - 1 - b);
            const auto entry = static_cast<std::uint16_t>(code.symbol[index] << 4 | len);
            for (unsigned i = reversed; i < (1u << Inflater::kFastBits); i += 1u << len)
                code.fast[i] = entry;
        }
        next <<= 1;
    }
    return true;
}

} // namespace

void Inflater::Reset(bool deflate64) {
    bits_ = 0;
    bitCount_ = 0;
    next_ = nullptr;
    available_ = 0;
    position_ = history_ = storedLeft_ = copyLeft_ = copyDistance_ = 0;
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

// At least n (at most 57) bits in the buffer; false when the data ends first.
bool Inflater::Need(InflateInput& input, unsigned n) {
    while (bitCount_ < n) {
        if (available_ == 0) {
            available_ = input.More(&next_);
            if (available_ == 0) return false;
        }
        do {
            bits_ |= static_cast<std::uint64_t>(*next_++) << bitCount_;
            bitCount_ += 8;
            --available_;
        } while (bitCount_ <= 56 && available_ > 0);
    }
    return true;
}

std::uint32_t Inflater::Take(unsigned n) {
    const auto v = static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    bits_ >>= n;
    bitCount_ -= n;
    return v;
}

bool Inflater::Decode(InflateInput& input, const Code& code, unsigned* symbol) {
    // Near the end of the data fewer than 15 bits may be left; the missing ones read as 0
    // and a code that needs them is refused below.
    Need(input, 15);
    if (const std::uint16_t e = code.fast[bits_ & ((1u << kFastBits) - 1)]) {
        if ((e & 15u) > bitCount_) return Fail("the compressed data ends early");
        Take(e & 15u);
        *symbol = e >> 4;
        return true;
    }
    int first = 0, index = 0, value = 0;
    for (unsigned len = 1; len < 16; ++len) {
        value |= static_cast<int>((bits_ >> (len - 1)) & 1u);
        const int count = code.count[len];
        if (value - first < count) {
            if (len > bitCount_) return Fail("the compressed data ends early");
            Take(len);
            *symbol = code.symbol[index + value - first];
            return true;
        }
        index += count;
        first = (first + count) << 1;
        value <<= 1;
    }
    return Fail("invalid compressed data (a code that does not exist)");
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
    if (!BuildCode(distances_, lengths, 19))
        return Fail("invalid compressed data (bad code lengths)");
    for (std::uint8_t& l : lengths)
        l = 0;
    const unsigned total = literals + distances;
    for (unsigned i = 0; i < total;) {
        unsigned symbol = 0;
        if (!Decode(input, distances_, &symbol)) return false;
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
    if (!BuildCode(lengths_, lengths, literals) ||
        !BuildCode(distances_, lengths + literals, distances))
        return Fail("invalid compressed data (bad code lengths)");
    return true;
}

bool Inflater::BlockHeader(InflateInput& input) {
    if (!Need(input, 3)) return Fail("the compressed data ends early");
    lastBlock_ = Take(1) != 0;
    switch (Take(2)) {
    case 0: {
        Take(bitCount_ % 8);
        if (!Need(input, 32)) return Fail("the compressed data ends early");
        const std::uint32_t length = Take(16);
        if ((Take(16) ^ 0xFFFFu) != length)
            return Fail("invalid compressed data (stored block length)");
        storedLeft_ = length;
        state_ = State::Stored;
        return true;
    }
    case 1: {
        std::uint8_t lengths[288];
        for (unsigned s = 0; s < 288; ++s)
            lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        BuildCode(lengths_, lengths, 288);
        for (std::uint8_t& l : lengths)
            l = 5;
        BuildCode(distances_, lengths, 32);
        state_ = State::Codes;
        return true;
    }
    case 2:
        if (!DynamicCodes(input)) return false;
        state_ = State::Codes;
        return true;
    default:
        return Fail("invalid compressed data (block type 3)");
    }
}

inline void Inflater::Put(std::uint8_t byte, std::uint8_t* out, std::size_t& at) {
    window_[position_++ & kWindowMask] = byte;
    out[at++] = byte;
}

Inflater::Status Inflater::Read(InflateInput& input, std::uint8_t* out, std::size_t capacity,
                                std::size_t* produced) {
    std::size_t at = 0;
    bool ok = true;
    while (ok && at < capacity) {
        if (copyLeft_ > 0) {
            do {
                Put(window_[(position_ - copyDistance_) & kWindowMask], out, at);
            } while (--copyLeft_ > 0 && at < capacity);
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
            if (!Need(input, 8)) {
                ok = Fail("the compressed data ends early");
                break;
            }
            // Whole bytes left in the bit buffer first, then straight from the input.
            while (storedLeft_ > 0 && at < capacity && bitCount_ >= 8) {
                Put(static_cast<std::uint8_t>(Take(8)), out, at);
                --storedLeft_;
            }
            while (storedLeft_ > 0 && at < capacity && available_ > 0) {
                Put(*next_++, out, at);
                --available_;
                --storedLeft_;
            }
        } else if (state_ == State::Codes) {
            unsigned symbol = 0;
            if (!(ok = Decode(input, lengths_, &symbol))) break;
            if (symbol < 256) {
                Put(static_cast<std::uint8_t>(symbol), out, at);
            } else if (symbol == 256) {
                state_ = State::Header;
            } else {
                symbol -= 257;
                if (symbol >= 29) {
                    ok = Fail("invalid compressed data (length code)");
                    break;
                }
                unsigned extra = kLengthExtra[symbol];
                std::uint32_t length = kLengthBase[symbol];
                if (symbol == 28 && deflate64_) {
                    extra = 16;
                    length = 3;
                }
                if (!Need(input, extra)) {
                    ok = Fail("the compressed data ends early");
                    break;
                }
                length += Take(extra);
                unsigned code = 0;
                if (!(ok = Decode(input, distances_, &code))) break;
                if (code >= (deflate64_ ? 32u : 30u)) {
                    ok = Fail("invalid compressed data (distance code)");
                    break;
                }
                if (!Need(input, kDistanceExtra[code])) {
                    ok = Fail("the compressed data ends early");
                    break;
                }
                const std::uint32_t distance = kDistanceBase[code] + Take(kDistanceExtra[code]);
                const std::uint32_t known =
                    at >= (1u << 16) ? (1u << 16) : history_ + static_cast<std::uint32_t>(at);
                if (distance > known) {
                    ok = Fail("invalid compressed data (distance beyond the start)");
                    break;
                }
                copyLeft_ = length;
                copyDistance_ = distance;
            }
        } else {
            break;
        }
    }
    history_ = at >= (1u << 16) ? (1u << 16) : history_ + static_cast<std::uint32_t>(at);
    if (history_ > (1u << 16)) history_ = 1u << 16;
    *produced = at;
    if (state_ == State::Failed) return Status::Error;
    return state_ == State::Done ? Status::End : Status::More;
}

} // namespace zipcore
