#include "base/zipcore/DeflateCodes.h"
#include "base/zipcore/Deflater.h"
#include "base/zipcore/Inflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <queue>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace zipcore::deflate;

std::string Random(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(rng());
    return s;
}

// Words, numbers and line breaks: text with matches of every length and distance.
std::string Text(std::size_t n, unsigned seed) {
    static const char* const kWords[] = {"archive", "member", "header", "deflate", "window",
                                         "the",     "of",     "and",    "record",  "offset"};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < n) {
        s += rng() % 5 ? kWords[rng() % 10] : std::to_string(rng() % 100000);
        s += rng() % 9 ? ' ' : '\n';
    }
    s.resize(n);
    return s;
}

std::string ZlibInflate(const std::string& in, bool* ended) {
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    std::string out;
    char buffer[65536];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    int rc;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (rc == Z_OK);
    *ended = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return out;
}

struct WholeInput final : zipcore::InflateInput {
    const std::string* data;
    bool given = false;
    std::size_t More(const std::uint8_t** out) override {
        *out = reinterpret_cast<const std::uint8_t*>(data->data());
        const std::size_t n = given ? 0 : data->size();
        given = true;
        return n;
    }
};

std::string OurInflate(const std::string& in, bool* ended) {
    auto inflater = std::make_unique<zipcore::Inflater>();
    inflater->Reset(false);
    WholeInput input;
    input.data = &in;
    std::string out, buffer(65536, '\0');
    for (;;) {
        std::size_t n = 0;
        const auto status = inflater->Read(input, reinterpret_cast<std::uint8_t*>(buffer.data()),
                                           buffer.size(), &n);
        out.append(buffer, 0, n);
        if (status != zipcore::Inflater::Status::More) {
            *ended = status == zipcore::Inflater::Status::End;
            return out;
        }
    }
}

// Compresses `data` in pieces of `piece` bytes (0: whole), each primed with the 32 KiB before
// it, on alternating deflaters, as the engine's workers do.
std::string Deflate(int level, const std::string& data, std::size_t piece = 0) {
    zipcore::Deflater a, b;
    std::string out;
    if (piece == 0 || data.size() <= piece) {
        a.Compress(level, {}, data, true, out);
        return out;
    }
    const std::string_view all(data);
    for (std::size_t at = 0, n = 0; at < data.size(); at += piece, ++n) {
        const std::size_t dict = std::min<std::size_t>(at, 32768);
        const bool last = at + piece >= data.size();
        const std::size_t before = out.size();
        (n % 2 ? b : a)
            .Compress(level, all.substr(at - dict, dict), all.substr(at, piece), last, out);
        if (!last) {
            // A piece that goes on ends with a sync flush: an empty stored block, aligned.
            EXPECT_GE(out.size(), before + 4);
            EXPECT_EQ(out.substr(out.size() - 4), std::string("\0\0\xff\xff", 4));
        }
    }
    return out;
}

std::string Repeated(std::size_t block, int times, unsigned seed) {
    const std::string r = Random(block, seed);
    std::string s;
    for (int i = 0; i < times; ++i)
        s += r;
    return s;
}

struct Case {
    const char* what;
    std::string data;
    double mostRatio; // compressed / input at level 1 and above (0: no bound)
};

std::vector<Case> Cases() {
    return {
        {"empty", "", 0},
        {"one byte", "x", 0},
        {"two bytes", "\x00\xff", 0},
        {"all the same", std::string(300000, 'a'), 0.002},
        {"zeros over several stored-block lengths", std::string(200000, '\0'), 0.002},
        {"random", Random(150000, 1), 1.001},
        // Random blocks repeated 32 KiB apart: only matches at the window's far end help.
        {"matches at 32 KiB", Repeated(32768, 4, 2), 0.27},
        {"matches just beyond 32 KiB", Repeated(32769, 3, 3), 1.001},
        {"text", Text(400000, 4), 0.45},
        {"text then random then text", Text(60000, 5) + Random(70000, 6) + Text(60000, 7), 0.6},
        {"short text", "Hello, hello, hello world", 0},
        {"every byte",
         [] {
             std::string s;
             for (int i = 0; i < 256 * 3; ++i)
                 s += static_cast<char>(i * 7);
             return s;
         }(),
         0},
    };
}

TEST(DeflaterTest, EveryLevelAndPieceLayoutInflatesBackWithZlibAndOurs) {
    for (const Case& c : Cases()) {
        for (const int level : {0, 1, 3, 4, 6, 7, 9}) {
            for (const std::size_t piece : {std::size_t{0}, std::size_t{70001}, std::size_t{1}}) {
                if (piece == 1 && c.data.size() > 3000) continue; // a piece per byte: short data
                const std::string out = Deflate(level, c.data, piece);
                bool zlibEnded = false, ourEnded = false;
                const std::string viaZlib = ZlibInflate(out, &zlibEnded);
                const std::string viaOurs = OurInflate(out, &ourEnded);
                const std::string at = std::string(c.what) + " level " + std::to_string(level) +
                                       " piece " + std::to_string(piece);
                EXPECT_TRUE(zlibEnded) << at;
                EXPECT_TRUE(ourEnded) << at;
                EXPECT_TRUE(viaZlib == c.data) << at;
                EXPECT_TRUE(viaOurs == c.data) << at;
                if (level > 0 && c.mostRatio > 0 && piece != 1) {
                    EXPECT_LE(out.size(), c.data.size() * c.mostRatio + 64) << at;
                }
            }
        }
    }
}

TEST(DeflaterTest, EmptyStreamsAreTheShortestTheFormatAllows) {
    zipcore::Deflater d;
    std::string out;
    d.Compress(6, {}, {}, true, out);
    EXPECT_EQ(out, std::string("\x03\x00", 2)); // a final fixed block holding only its end
    out.clear();
    d.Compress(6, {}, {}, false, out);
    EXPECT_EQ(out, std::string("\x00\x00\x00\xff\xff", 5)); // the sync flush alone
}

// Where a block holds little, its code description would cost more than it saves: small inputs
// must come out no larger than zlib makes them, and stored data only a few bytes larger.
TEST(DeflaterTest, SmallInputsAreNoLargerThanZlibMakesThem) {
    for (const std::string& data : {std::string("a"), std::string("abcabcabcabc"), Text(300, 8),
                                    Text(2000, 9), Random(40, 10), Random(3000, 11)}) {
        for (const int level : {1, 6, 9}) {
            z_stream z{};
            deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            std::string zlib(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
            z.avail_in = static_cast<uInt>(data.size());
            z.next_out = reinterpret_cast<Bytef*>(zlib.data());
            z.avail_out = static_cast<uInt>(zlib.size());
            deflate(&z, Z_FINISH);
            zlib.resize(z.total_out);
            deflateEnd(&z);
            EXPECT_LE(Deflate(level, data).size(), zlib.size()) << data.size() << " " << level;
        }
    }
}

TEST(DeflaterTest, HigherLevelsCompressTextBetter) {
    const std::string text = Text(300000, 12);
    const std::size_t one = Deflate(1, text).size(), six = Deflate(6, text).size(),
                      nine = Deflate(9, text).size();
    EXPECT_LT(six, one);
    EXPECT_LE(nine, six);
}

TEST(DeflaterTest, ADeflaterReusedForOtherDataGivesWhatAFreshOneGives) {
    const std::string text = Text(100000, 13), random = Random(50000, 14);
    for (const int level : {1, 6, 9}) {
        zipcore::Deflater reused, fresh;
        std::string first, again, other;
        reused.Compress(level, {}, text, true, first);
        reused.Compress(level, text.substr(0, 5000), random, false, other);
        other.clear();
        reused.Compress(level, {}, text, true, again);
        fresh.Compress(level, {}, text, true, other);
        EXPECT_TRUE(again == first) << level;
        EXPECT_TRUE(other == first) << level;
    }
}

std::uint64_t HuffmanCost(const std::vector<std::uint32_t>& freq) {
    std::priority_queue<std::uint64_t, std::vector<std::uint64_t>, std::greater<>> q;
    for (const std::uint32_t f : freq)
        if (f) q.push(f);
    std::uint64_t cost = 0;
    while (q.size() > 1) {
        const std::uint64_t a = q.top();
        q.pop();
        const std::uint64_t b = q.top();
        q.pop();
        cost += a + b;
        q.push(a + b);
    }
    return cost;
}

TEST(DeflateCodesTest, LimitedCodeLengthsAreCompleteWithinTheLimitAndOptimalWhereItDoesNotBind) {
    std::vector<std::uint32_t> fibonacci(30);
    fibonacci[0] = fibonacci[1] = 1;
    for (std::size_t i = 2; i < fibonacci.size(); ++i)
        fibonacci[i] = fibonacci[i - 1] + fibonacci[i - 2];
    std::vector<std::uint32_t> text(286, 0);
    std::mt19937 rng(15);
    for (std::uint32_t& f : text)
        f = rng() % 4 ? rng() % 5000 : 0;
    const struct {
        const char* what;
        std::vector<std::uint32_t> freq;
        int limit;
        bool binds; // the unlimited code is deeper than the limit
        int most;   // the longest code allowed
    } cases[] = {
        {"two symbols", {5, 0, 9}, 15, false, 15},
        {"uniform", std::vector<std::uint32_t>(19, 3), 7, false, 7},
        {"skewed past 15 bits", fibonacci, 15, true, 15},
        {"skewed past 7 bits", {1, 1, 2, 3, 5, 8, 13, 21, 34, 55, 89, 144}, 7, true, 7},
        {"text-like", text, 15, false, 15},
        // 40 symbols cannot all have codes of 5 bits: the limit gives way to 6 bits.
        {"more symbols than the limit has codes", std::vector<std::uint32_t>(40, 1), 5, false, 6},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> lengths(c.freq.size());
        LimitedCodeLengths(c.freq.data(), static_cast<int>(c.freq.size()), c.limit, lengths.data());
        double kraft = 0;
        std::uint64_t cost = 0;
        for (std::size_t i = 0; i < c.freq.size(); ++i) {
            EXPECT_EQ(lengths[i] == 0, c.freq[i] == 0) << c.what << " " << i;
            EXPECT_LE(lengths[i], c.most) << c.what;
            if (lengths[i]) kraft += 1.0 / (1u << lengths[i]);
            cost += static_cast<std::uint64_t>(c.freq[i]) * lengths[i];
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0) << c.what;
        if (c.binds)
            EXPECT_GT(cost, HuffmanCost(c.freq)) << c.what;
        else
            EXPECT_EQ(cost, HuffmanCost(c.freq)) << c.what;
    }
}

// The sizes the block chooser compares are the sizes written.
TEST(DeflateCodesTest, ComputedBlockSizesAreTheBitsWritten) {
    const std::string text = Text(5000, 16);
    std::vector<Token> tokens;
    for (const char c : text)
        tokens.push_back({static_cast<std::uint8_t>(c), 0});
    tokens.push_back({258, 1});
    tokens.push_back({3, 32768});
    tokens.push_back({100, 4000});
    Histogram h;
    h.AddAll(tokens.data(), tokens.size());
    for (const bool thorough : {false, true}) {
        DynamicCode code;
        const std::uint64_t bits = BuildDynamicCode(h, code, thorough);
        std::string out;
        BitWriter w(out);
        WriteDynamicBlock(w, tokens.data(), tokens.size(), code, true);
        EXPECT_EQ(out.size() * 8 + static_cast<std::size_t>(w.BitPosition()), bits);
    }
    std::string out;
    BitWriter w(out);
    WriteFixedBlock(w, tokens.data(), tokens.size(), true);
    EXPECT_EQ(out.size() * 8 + static_cast<std::size_t>(w.BitPosition()), FixedBlockBits(h));
}

} // namespace
