#include "base/zipcore/Inflater.h"

#include "tests/dlls/zipcore/ArchiveBytes.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

using zipcore::Inflater;

namespace {

// Hands the compressed bytes out in pieces of `step`, as archive reads would: each in the
// same buffer, between bytes of junk, so that reading outside the piece last handed out
// goes wrong.
struct Pieces final : zipcore::InflateInput {
    const std::string& data;
    std::size_t at = 0, step;
    std::string buffer;
    Pieces(const std::string& d, std::size_t s) : data(d), step(s), buffer(3 * s, '\xA5') {}
    std::size_t More(const std::uint8_t** out) override {
        const std::size_t n = std::min(step, data.size() - at);
        std::fill(buffer.begin(), buffer.end(), '\xA5');
        buffer.replace(step, n, data, at, n);
        *out = reinterpret_cast<const std::uint8_t*>(buffer.data()) + step;
        at += n;
        return n;
    }
};

struct Inflated {
    bool ended = false;
    std::string data, problem;
};

Inflated Inflate(const std::string& compressed, bool deflate64, std::size_t step = 4096,
                 std::size_t capacity = 10000) {
    auto inflater = std::make_unique<Inflater>();
    inflater->Reset(deflate64);
    Pieces in(compressed, step);
    std::string buffer(capacity, '\0');
    Inflated r;
    for (;;) {
        std::size_t n = 0;
        const auto status =
            inflater->Read(in, reinterpret_cast<std::uint8_t*>(buffer.data()), capacity, &n);
        r.data.append(buffer, 0, n);
        if (status == Inflater::Status::More) continue;
        r.ended = status == Inflater::Status::End;
        r.problem = inflater->Problem();
        return r;
    }
}

std::string ZlibDeflate(const std::string& data, int level, int strategy) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, strategy);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Writes a stream bit by bit: Huffman codes from their top bit, other values from the lowest.
struct BitWriter {
    std::string out;
    unsigned used = 8;
    void Bits(std::uint32_t value, unsigned n) {
        for (unsigned i = 0; i < n; ++i, ++used) {
            if (used == 8) out.push_back('\0'), used = 0;
            out.back() = static_cast<char>(out.back() | ((value >> i) & 1u) << used);
        }
    }
    void Code(std::uint32_t code, unsigned n) {
        for (unsigned i = n; i-- > 0;)
            Bits(code >> i, 1);
    }
    // Fixed Huffman codes (RFC 1951 3.2.6).
    void Symbol(unsigned s) {
        if (s < 144)
            Code(0x30 + s, 8);
        else if (s < 256)
            Code(0x190 + s - 144, 9);
        else if (s < 280)
            Code(s - 256, 7);
        else
            Code(0xC0 + s - 280, 8);
    }
};

// A stored block of `history` bytes, then a block with rounds of matches using each Deflate64
// extension: length code 285 with 16 extra bits, distance codes 30 and 31. With fixed codes,
// or with dynamic ones where those three codes are 15 bits long, the longest there are: a
// match then takes 60 bits, more than one refill of a 64-bit buffer holds.
struct Deflate64Sample {
    std::string stream, expected;
};

Deflate64Sample MakeDeflate64Sample(bool longestCodes) {
    Deflate64Sample s;
    const std::string history = zipcore_test::Pseudorandom(60000);
    BitWriter w;
    w.Bits(0, 1); // not last
    w.Bits(0, 2); // stored
    w.used = 8;   // to the byte boundary
    w.Bits(60000, 16);
    w.Bits(60000 ^ 0xFFFF, 16);
    w.out += history;
    s.expected = history;
    w.used = 8;
    w.Bits(1, 1); // last
    // The dynamic codes: symbols 0-12 take 1-13 bits (n-1 ones, then a zero), one more symbol
    // 14 bits and two 15; canonical codes then make the last of them all ones.
    auto lengthOf = [](unsigned symbol, unsigned fourteen, unsigned fifteenA, unsigned fifteenB) {
        return symbol < 13                                ? symbol + 1
               : symbol == fourteen                       ? 14u
               : symbol == fifteenA || symbol == fifteenB ? 15u
                                                          : 0u;
    };
    auto dynamicCode = [&](unsigned length, bool last) {
        w.Code(last ? (1u << length) - 1 : ((1u << (length - 1)) - 1) << 1, length);
    };
    if (longestCodes) {
        w.Bits(2, 2); // dynamic codes
        w.Bits(286 - 257, 5);
        w.Bits(32 - 1, 5);
        w.Bits(19 - 4, 4);
        // The code-length code: 0-15 in four bits each, the repeat codes unused.
        for (unsigned symbol : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15})
            w.Bits(symbol < 16 ? 4 : 0, 3);
        for (unsigned symbol = 0; symbol < 286; ++symbol)
            w.Code(lengthOf(symbol, 256, 13, 285), 4);
        for (unsigned symbol = 0; symbol < 32; ++symbol)
            w.Code(lengthOf(symbol, 29, 30, 31), 4);
    } else {
        w.Bits(1, 2); // fixed codes
    }
    auto literal = [&](unsigned symbol) {
        if (longestCodes)
            dynamicCode(symbol + 1, false);
        else
            w.Symbol(symbol);
        s.expected.push_back(static_cast<char>(symbol));
    };
    auto match = [&](std::uint32_t length, unsigned distanceCode, std::uint32_t distanceExtra) {
        if (longestCodes)
            dynamicCode(15, true);
        else
            w.Symbol(285);
        w.Bits(length - 3, 16);
        if (longestCodes)
            dynamicCode(lengthOf(distanceCode, 29, 30, 31), distanceCode == 31);
        else
            w.Code(distanceCode, 5);
        w.Bits(distanceExtra, distanceCode == 29 ? 13 : 14);
        const std::uint32_t distance = (distanceCode == 29   ? 24577
                                        : distanceCode == 30 ? 32769
                                                             : 49153) +
                                       distanceExtra;
        for (std::uint32_t i = 0; i < length; ++i)
            s.expected.push_back(s.expected[s.expected.size() - distance]);
    };
    // Enough rounds that the word-at-a-time path decodes most of them.
    for (std::uint32_t round = 0; round < 40; ++round) {
        match(1000 + round, 30, 7000 + round); // 39769 back and more
        match(65538, 31, 10000);               // 59153 back, the longest length, beyond the window
        match(300 - round, 31, 16383);         // the whole window back
        match(259 + round * 7, 29, round); // plain deflate's longest distance code, long lengths
        literal(round % 13);
    }
    if (longestCodes)
        dynamicCode(14, false);
    else
        w.Symbol(256);
    s.stream = w.out;
    return s;
}

} // namespace

TEST(Inflater, ReadsWhatZlibWritesAtEveryLevelAndStrategy) {
    const std::string text = [] {
        std::string t;
        for (int i = 0; t.size() < 300000; ++i)
            t += "line " + std::to_string(i % 977) + " of a text that repeats itself\n";
        return t;
    }();
    const std::string noise = zipcore_test::Pseudorandom(200000);
    const std::string runs =
        std::string(70000, 'a') + noise.substr(0, 1000) + std::string(500, 'b');
    struct Case {
        int level, strategy;
        std::size_t step, capacity;
    };
    for (const std::string* data : {&text, &noise, &runs})
        for (Case c : {Case{0, Z_DEFAULT_STRATEGY, 100, 7}, Case{1, Z_DEFAULT_STRATEGY, 1, 65536},
                       Case{6, Z_FIXED, 4096, 1000}, Case{9, Z_DEFAULT_STRATEGY, 65536, 300000},
                       Case{6, Z_HUFFMAN_ONLY, 777, 3333}, Case{6, Z_RLE, 13, 258}}) {
            const Inflated r =
                Inflate(ZlibDeflate(*data, c.level, c.strategy), false, c.step, c.capacity);
            EXPECT_TRUE(r.ended) << r.problem << " level " << c.level;
            EXPECT_TRUE(r.data == *data) << "level " << c.level << " strategy " << c.strategy;
        }
}

// The word-at-a-time paths: matches 2 to 7 bytes back (copied byte by byte), runs of one
// byte, codes longer than the root table (second-level tables), matches reaching back into
// the output of the read before, each at capacities that stop reads mid-match.
TEST(Inflater, FastPathsAgreeWithZlibAcrossReadBoundaries) {
    std::string patterns;
    for (unsigned period = 2; period <= 9; ++period)
        for (int i = 0; i < 4000; ++i)
            patterns.push_back(static_cast<char>('a' + (i % period) * 3 + period));
    // Byte values with frequencies falling by half make codes up to 15 bits long.
    std::string skewed;
    std::uint32_t seed = 7;
    while (skewed.size() < 400000) {
        seed = seed * 1103515245u + 12345u;
        unsigned value = 0;
        for (std::uint32_t r = seed >> 8; (r & 1u) && value < 40; r >>= 1)
            ++value;
        skewed.push_back(static_cast<char>(value * 6));
        if (seed % 97 == 0) skewed += skewed.substr(skewed.size() / 2, 40);
    }
    const std::string noise = zipcore_test::Pseudorandom(70000);
    const std::string farRepeat = noise.substr(0, 30000) + std::string(2000, 'z') + noise;
    struct Case {
        const std::string* data;
        int level;
        std::size_t step, capacity;
    };
    for (const Case& c : {Case{&patterns, 9, 4096, 1 << 18}, Case{&patterns, 1, 33, 300},
                          Case{&skewed, 6, 65536, 1 << 18}, Case{&skewed, 9, 1000, 5000},
                          Case{&farRepeat, 9, 65536, 20000}, Case{&farRepeat, 6, 70, 40000}}) {
        const Inflated r =
            Inflate(ZlibDeflate(*c.data, c.level, Z_DEFAULT_STRATEGY), false, c.step, c.capacity);
        EXPECT_TRUE(r.ended) << r.problem;
        EXPECT_TRUE(r.data == *c.data) << "step " << c.step << " capacity " << c.capacity;
    }
}

// Blocks of a few symbols each (a flush after every few bytes): block ends and headers fall
// on every position relative to the pieces, so the word-at-a-time path often starts with bits
// of the piece before and stops again at once.
TEST(Inflater, ShortBlocksAgreeWithZlibAcrossReadBoundaries) {
    const std::string data = [] {
        std::string t;
        for (int i = 0; t.size() < 20000; ++i)
            t += "word" + std::to_string(i % 13) + (i % 7 ? " " : "\n");
        return t;
    }();
    struct Case {
        int flush;
        std::size_t every;
    };
    for (const Case c :
         {Case{Z_PARTIAL_FLUSH, 2}, Case{Z_PARTIAL_FLUSH, 11}, Case{Z_SYNC_FLUSH, 5}}) {
        z_stream z{};
        deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::string compressed(data.size() * 4 + 1024, '\0');
        z.next_out = reinterpret_cast<Bytef*>(compressed.data());
        z.avail_out = static_cast<uInt>(compressed.size());
        for (std::size_t at = 0; at < data.size(); at += c.every) {
            const std::size_t n = std::min(c.every, data.size() - at);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + at));
            z.avail_in = static_cast<uInt>(n);
            deflate(&z, at + n < data.size() ? c.flush : Z_FINISH);
        }
        compressed.resize(z.total_out);
        deflateEnd(&z);
        for (std::size_t step = 64; step <= 200; step += 7) {
            const Inflated r = Inflate(compressed, false, step, 4096);
            ASSERT_TRUE(r.ended) << r.problem << " step " << step << " flush " << c.flush;
            ASSERT_TRUE(r.data == data) << "step " << step << " flush " << c.flush;
        }
    }
    // Codes of one or two bits (a run of zeros is one literal, then length 258 at distance 1
    // again and again) and reads that fill the output within a symbol or two: the
    // word-at-a-time path stops with more whole bytes in its buffer than it took from the
    // piece, some from the piece before.
    std::string skewed;
    std::uint32_t seed = 99;
    while (skewed.size() < 20000) {
        seed = seed * 1103515245u + 12345u;
        skewed.push_back((seed >> 16) % 16 ? 'a' : static_cast<char>('b' + (seed >> 8) % 20));
    }
    const std::string zeros = std::string(150000, '\0') + "end";
    for (const auto& [plain, compressed] :
         {std::pair{skewed, ZlibDeflate(skewed, 6, Z_HUFFMAN_ONLY)},
          std::pair{zeros, ZlibDeflate(zeros, 6, Z_DEFAULT_STRATEGY)}})
        for (std::size_t step = 64; step <= 400; step += 5)
            for (std::size_t capacity : {std::size_t{291}, std::size_t{297}, std::size_t{310}}) {
                const Inflated r = Inflate(compressed, false, step, capacity);
                ASSERT_TRUE(r.ended) << r.problem << " step " << step << " capacity " << capacity;
                ASSERT_TRUE(r.data == plain) << "step " << step << " capacity " << capacity;
            }
}

// Codes that leave code space unused are refused, as zlib refuses them; one distance code
// of one bit is the exception the format allows.
TEST(Inflater, IncompleteCodesAreRefusedExceptASingleOneBitDistanceCode) {
    auto dynamicBlock = [](unsigned distanceLength) {
        BitWriter w;
        w.Bits(1, 1);      // last
        w.Bits(2, 2);      // dynamic codes
        w.Bits(0, 5);      // 257 literal/length codes
        w.Bits(0, 5);      // 1 distance code
        w.Bits(18 - 4, 4); // 18 code-length codes, in the sending order up to length 1
        // Code-length code: lengths 0, 1 and 2 get two bits each and 18 (runs of zeros) two.
        const unsigned order[18] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1};
        for (unsigned symbol : order)
            w.Bits(symbol == 18 || symbol == 0 || symbol == 1 || symbol == 2 ? 2 : 0, 3);
        // Canonical codes of the code-length code: 0 -> 00, 1 -> 01, 2 -> 10, 18 -> 11.
        auto length = [&](unsigned l) { w.Code(l, 2); };
        // Literals 'a' and 'b' two bits, end-of-block one bit; all else zero.
        auto zeros = [&](unsigned n) {
            while (n > 0) {
                const unsigned k = n > 138 ? 138 : n;
                w.Code(3, 2);
                w.Bits(k - 11, 7);
                n -= k;
            }
        };
        zeros('a');
        length(2);
        length(2);
        zeros(256 - 'c');
        length(1);
        length(distanceLength);
        // Data: 'a' (10), 'b' (11), end (0).
        w.Code(2, 2);
        w.Code(3, 2);
        w.Code(0, 1);
        return w.out;
    };
    const Inflated single = Inflate(dynamicBlock(1), false);
    EXPECT_TRUE(single.ended) << single.problem;
    EXPECT_EQ(single.data, "ab");
    const Inflated incomplete = Inflate(dynamicBlock(2), false);
    EXPECT_FALSE(incomplete.ended);
    EXPECT_NE(incomplete.problem.find("bad code lengths"), std::string::npos) << incomplete.problem;
}

TEST(Inflater, Deflate64TakesLongLengthsAndDistancesBeyond32KiB) {
    for (bool longestCodes : {false, true}) {
        const Deflate64Sample s = MakeDeflate64Sample(longestCodes);
        for (std::size_t step : {std::size_t{1}, std::size_t{5000}, s.stream.size()}) {
            const Inflated r = Inflate(s.stream, true, step, step == 1 ? 4096 : 1 << 18);
            EXPECT_TRUE(r.ended) << r.problem << " longest codes " << longestCodes;
            EXPECT_TRUE(r.data == s.expected) << r.data.size() << " of " << s.expected.size()
                                              << " longest codes " << longestCodes;
        }
        // Plain deflate reads code 285 as length 258 without extra bits, and has no code 30.
        const Inflated plain = Inflate(s.stream, false);
        EXPECT_FALSE(plain.ended);
        EXPECT_FALSE(plain.problem.empty());
    }
}

TEST(Inflater, DamagedStreamsAreRefusedWithAReason) {
    const std::string good = ZlibDeflate(zipcore_test::Pseudorandom(5000) + std::string(9000, 'q'),
                                         6, Z_DEFAULT_STRATEGY);
    BitWriter farBack;
    farBack.Bits(1, 1);
    farBack.Bits(1, 2);
    farBack.Symbol('x');
    farBack.Symbol(257); // length 3
    farBack.Code(1, 5);  // distance 2, with one byte produced
    BitWriter type3;
    type3.Bits(7, 3);
    struct Case {
        const char* what;
        std::string stream;
        const char* reason;
    };
    for (const Case& c :
         {Case{"cut short", good.substr(0, good.size() / 2), "ends early"},
          Case{"empty", "", "ends early"},
          Case{"distance before the start", farBack.out, "beyond the start"},
          Case{"block type 3", type3.out, "block type 3"},
          Case{"stored length", std::string("\x01\x05\x00\x00\x00", 5), "stored block length"}}) {
        for (bool deflate64 : {false, true}) {
            const Inflated r = Inflate(c.stream, deflate64);
            EXPECT_FALSE(r.ended) << c.what;
            EXPECT_NE(r.problem.find(c.reason), std::string::npos) << c.what << ": " << r.problem;
        }
    }
}
