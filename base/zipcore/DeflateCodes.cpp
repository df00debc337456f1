#include "base/zipcore/DeflateCodes.h"

#include <algorithm>

namespace zipcore::deflate {

namespace {

SymbolTables MakeTables() {
    SymbolTables t;
    int length = 3;
    for (int s = 0; s < 28; ++s) {
        t.lengthExtra[s] = static_cast<std::uint8_t>(s < 8 ? 0 : (s - 4) / 4);
        t.lengthBase[s] = static_cast<std::uint16_t>(length);
        for (int i = 0; i < (1 << t.lengthExtra[s]) && length < kMaxMatch; ++i)
            t.lengthSymbol[length++] = static_cast<std::uint8_t>(s);
    }
    // 258 has a symbol of its own (284 with all extra bits set would say 258 too, but the
    // format gives 284 the lengths up to 257 only).
    t.lengthBase[28] = kMaxMatch;
    t.lengthExtra[28] = 0;
    t.lengthSymbol[kMaxMatch] = 28;
    int dist = 1;
    for (int s = 0; s < kDistanceSymbols; ++s) {
        t.distanceExtra[s] = static_cast<std::uint8_t>(s < 4 ? 0 : (s - 2) / 2);
        t.distanceBase[s] = static_cast<std::uint16_t>(dist);
        dist += 1 << t.distanceExtra[s];
    }
    // Distances up to 256 one by one, the rest by 128s (every symbol from 16 on spans a
    // multiple of 128).
    for (int d = 1; d <= 256; ++d) {
        int s = 0;
        while (s + 1 < kDistanceSymbols && t.distanceBase[s + 1] <= d)
            ++s;
        t.distanceSymbol[d - 1] = static_cast<std::uint8_t>(s);
    }
    for (int i = 2; i < 256; ++i) {
        const int d = (i << 7) + 1;
        int s = 0;
        while (s + 1 < kDistanceSymbols && t.distanceBase[s + 1] <= d)
            ++s;
        t.distanceSymbol[256 + i] = static_cast<std::uint8_t>(s);
    }
    return t;
}

// The order the code-length code's lengths are written in.
constexpr std::uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                               11, 4,  12, 3, 13, 2, 14, 1, 15};

int FixedLiteralBits(int symbol) {
    return symbol < 144 ? 8 : symbol < 256 ? 9 : symbol < 280 ? 7 : 8;
}

// Two codes at least: zlib's inflater refuses an incomplete code-length code, and a code of
// one symbol is incomplete. An unused second symbol of length 1 makes any such code whole.
void KeepTwoCodes(std::uint8_t* lengths, int count) {
    int used = 0;
    for (int i = 0; i < count; ++i)
        used += lengths[i] != 0;
    for (int i = 0; i < count && used < 2; ++i)
        if (lengths[i] == 0) {
            lengths[i] = 1;
            ++used;
        }
}

// Run-length codes for a sequence of code lengths with the cheapest total under `cost`
// (bits per code-length symbol), returning that total.
std::uint64_t PlanRuns(const std::uint8_t* lens, int n, const int* cost,
                       std::vector<std::uint16_t>& runs) {
    std::uint32_t best[kLiteralLengthSymbols + kDistanceSymbols + 1];
    std::uint16_t choice[kLiteralLengthSymbols + kDistanceSymbols + 1]; // symbol | run << 8
    best[n] = 0;
    std::uint8_t same[kLiteralLengthSymbols + kDistanceSymbols + 1]; // equal lengths from i on
    same[n] = 0;
    for (int i = n - 1; i >= 0; --i)
        same[i] = static_cast<std::uint8_t>(
            i + 1 < n && lens[i + 1] == lens[i] ? std::min(same[i + 1] + 1, 138) : 1);
    for (int i = n - 1; i >= 0; --i) {
        best[i] = cost[lens[i]] + best[i + 1];
        choice[i] = static_cast<std::uint16_t>(lens[i] | (1 << 8));
        const auto consider = [&](int sym, int run, std::uint32_t bits) {
            const std::uint32_t c = bits + best[i + run];
            if (c < best[i]) {
                best[i] = c;
                choice[i] = static_cast<std::uint16_t>(sym | run << 8);
            }
        };
        if (lens[i] == 0) {
            // Short runs one by one; of long ones the whole run or one or two shorter.
            const int run = same[i];
            for (int r = 3; r <= std::min(run, 10); ++r)
                consider(17, r, cost[17] + 3);
            for (int r = std::max(11, run - 2); r <= run; ++r)
                consider(18, r, cost[18] + 7);
        }
        if (i > 0 && lens[i] == lens[i - 1])
            for (int r = 3; r <= std::min<int>(same[i], 6); ++r)
                consider(16, r, cost[16] + 2);
    }
    runs.clear();
    for (int i = 0; i < n;) {
        const int sym = choice[i] & 0xff, r = choice[i] >> 8;
        const int extra = sym == 16 || sym == 17 ? r - 3 : sym == 18 ? r - 11 : 0;
        runs.push_back(static_cast<std::uint16_t>(sym | extra << 8));
        i += sym < 16 ? 1 : r;
    }
    return best[0];
}

// The code-length code for `runs` and the header's exact size in bits.
std::uint64_t CodeLengthCode(const std::vector<std::uint16_t>& runs, DynamicCode& code) {
    std::uint32_t freq[19] = {};
    std::uint64_t extra = 0;
    for (const std::uint16_t r : runs) {
        const int sym = r & 0xff;
        ++freq[sym];
        extra += sym == 16 ? 2 : sym == 17 ? 3 : sym == 18 ? 7 : 0;
    }
    LimitedCodeLengths(freq, 19, kMaxCodeLengthBits, code.codeLength.data());
    KeepTwoCodes(code.codeLength.data(), 19);
    code.codeLengthCount = 19;
    while (code.codeLengthCount > 4 &&
           code.codeLength[kCodeLengthOrder[code.codeLengthCount - 1]] == 0)
        --code.codeLengthCount;
    std::uint64_t bits = 14 + 3 * code.codeLengthCount + extra;
    for (int s = 0; s < 19; ++s)
        bits += static_cast<std::uint64_t>(freq[s]) * code.codeLength[s];
    return bits;
}

} // namespace

const SymbolTables& Tables() {
    static const SymbolTables tables = MakeTables();
    return tables;
}

void Histogram::Add(Token t, const SymbolTables& tables) {
    if (t.dist == 0) {
        ++literal[t.value];
        return;
    }
    const int ls = tables.lengthSymbol[t.value];
    ++literal[257 + ls];
    const int ds = DistanceSymbol(tables, t.dist);
    ++distance[ds];
    extraBits += tables.lengthExtra[ls] + tables.distanceExtra[ds];
}

void Histogram::AddAll(const Token* tokens, std::size_t count) {
    const SymbolTables& tables = Tables();
    for (std::size_t i = 0; i < count; ++i)
        Add(tokens[i], tables);
}

Histogram& Histogram::operator+=(const Histogram& other) {
    for (int i = 0; i < kLiteralLengthSymbols; ++i)
        literal[i] += other.literal[i];
    for (int i = 0; i < kDistanceSymbols; ++i)
        distance[i] += other.distance[i];
    extraBits += other.extraBits;
    return *this;
}

Histogram& Histogram::operator-=(const Histogram& other) {
    for (int i = 0; i < kLiteralLengthSymbols; ++i)
        literal[i] -= other.literal[i];
    for (int i = 0; i < kDistanceSymbols; ++i)
        distance[i] -= other.distance[i];
    extraBits -= other.extraBits;
    return *this;
}

void LimitedCodeLengths(const std::uint32_t* freq, int count, int maxBits, std::uint8_t* lengths) {
    std::fill(lengths, lengths + count, 0);
    struct Leaf {
        std::uint32_t freq;
        int symbol;
    };
    Leaf leaves[kLiteralLengthSymbols];
    int m = 0;
    for (int i = 0; i < count; ++i)
        if (freq[i]) leaves[m++] = {freq[i], i};
    if (m == 0) return;
    if (m == 1) {
        lengths[leaves[0].symbol] = 1;
        return;
    }
    // No code of fewer bits has room for every symbol: then the least limit that does.
    while ((1 << maxBits) < m)
        ++maxBits;
    std::sort(leaves, leaves + m, [](const Leaf& a, const Leaf& b) {
        return a.freq != b.freq ? a.freq < b.freq : a.symbol < b.symbol;
    });
    // Package-merge: list j holds the cheapest items (leaves and packages of two items of
    // list j-1) for depth maxBits - j; the first 2m-2 items of the last list are the
    // solution, and each leaf counts once per list it is chosen from.
    struct Item {
        std::uint64_t weight;
        bool leaf;
    };
    // One allocation for all the lists (this runs for every block tried).
    const size_t keep = static_cast<size_t>(2 * m - 2);
    std::vector<Item> items(static_cast<size_t>(maxBits) * keep);
    std::vector<size_t> sizes(maxBits);
    const auto list = [&](int j) { return items.data() + static_cast<size_t>(j) * keep; };
    sizes[0] = static_cast<size_t>(m);
    for (int i = 0; i < m; ++i)
        list(0)[i] = {leaves[i].freq, true};
    for (int j = 1; j < maxBits; ++j) {
        const Item* below = list(j - 1);
        const size_t belowSize = sizes[j - 1];
        Item* out = list(j);
        size_t size = 0, leaf = 0, pair = 0;
        while (size < keep && (leaf < static_cast<size_t>(m) || pair + 1 < belowSize)) {
            const bool havePair = pair + 1 < belowSize;
            const std::uint64_t pairWeight =
                havePair ? below[pair].weight + below[pair + 1].weight : 0;
            if (leaf < static_cast<size_t>(m) && (!havePair || leaves[leaf].freq <= pairWeight)) {
                out[size++] = {leaves[leaf++].freq, true};
            } else {
                out[size++] = {pairWeight, false};
                pair += 2;
            }
        }
        sizes[j] = size;
    }
    size_t take = keep;
    for (int j = maxBits - 1; j >= 0 && take > 0; --j) {
        size_t leavesTaken = 0;
        for (size_t i = 0; i < take; ++i)
            leavesTaken += list(j)[i].leaf;
        for (size_t i = 0; i < leavesTaken; ++i)
            ++lengths[leaves[i].symbol];
        take = 2 * (take - leavesTaken);
    }
}

void CanonicalCodes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
    int perLength[kMaxCodeBits + 1] = {};
    for (int i = 0; i < count; ++i)
        ++perLength[lengths[i]];
    perLength[0] = 0;
    int next[kMaxCodeBits + 2] = {};
    int code = 0;
    for (int bits = 1; bits <= kMaxCodeBits; ++bits) {
        code = (code + perLength[bits - 1]) << 1;
        next[bits] = code;
    }
    for (int i = 0; i < count; ++i) {
        const int len = lengths[i];
        if (!len) {
            codes[i] = 0;
            continue;
        }
        int c = next[len]++, reversed = 0;
        for (int b = 0; b < len; ++b, c >>= 1)
            reversed = (reversed << 1) | (c & 1);
        codes[i] = static_cast<std::uint16_t>(reversed);
    }
}

namespace {

// The block's size with literal/length codes of at most `literalBits` bits and distance
// codes of at most `distanceBits`.
std::uint64_t CodeWithLimits(const Histogram& h, int literalBits, int distanceBits,
                             DynamicCode& code) {
    std::array<std::uint32_t, kLiteralLengthSymbols> literal = h.literal;
    literal[kEndOfBlock] += 1;
    LimitedCodeLengths(literal.data(), kLiteralLengthSymbols, literalBits, code.literal.data());
    KeepTwoCodes(code.literal.data(), kLiteralLengthSymbols);
    LimitedCodeLengths(h.distance.data(), kDistanceSymbols, distanceBits, code.distance.data());
    KeepTwoCodes(code.distance.data(), kDistanceSymbols);
    code.literalCount = kLiteralLengthSymbols;
    while (code.literalCount > 257 && code.literal[code.literalCount - 1] == 0)
        --code.literalCount;
    code.distanceCount = kDistanceSymbols;
    while (code.distanceCount > 1 && code.distance[code.distanceCount - 1] == 0)
        --code.distanceCount;

    // One sequence of code lengths: runs may cross from the literal to the distance lengths.
    std::uint8_t lens[kLiteralLengthSymbols + kDistanceSymbols];
    std::copy_n(code.literal.begin(), code.literalCount, lens);
    std::copy_n(code.distance.begin(), code.distanceCount, lens + code.literalCount);
    const int n = code.literalCount + code.distanceCount;
    // The runs chosen by cost depend on the code that codes them: start from even costs,
    // then plan again with the code the last plan gave; keep the smallest.
    int cost[19];
    std::fill(cost, cost + 19, 4);
    std::vector<std::uint16_t> runs;
    DynamicCode trial;
    code.headerBits = ~std::uint64_t{0};
    for (int round = 0; round < 3; ++round) {
        PlanRuns(lens, n, cost, runs);
        const std::uint64_t bits = CodeLengthCode(runs, trial);
        if (bits < code.headerBits) {
            code.headerBits = bits;
            code.runs = runs;
            code.codeLength = trial.codeLength;
            code.codeLengthCount = trial.codeLengthCount;
        }
        for (int s = 0; s < 19; ++s)
            cost[s] = trial.codeLength[s] ? trial.codeLength[s] : 8;
    }

    std::uint64_t bits = 3 + code.headerBits + h.extraBits;
    for (int s = 0; s < kLiteralLengthSymbols; ++s)
        bits += static_cast<std::uint64_t>(literal[s]) * code.literal[s];
    for (int s = 0; s < kDistanceSymbols; ++s)
        bits += static_cast<std::uint64_t>(h.distance[s]) * code.distance[s];
    return bits;
}

} // namespace

std::uint64_t BuildDynamicCode(const Histogram& h, DynamicCode& code, bool thorough) {
    std::uint64_t best = CodeWithLimits(h, kMaxCodeBits, kMaxCodeBits, code);
    if (!thorough) return best;
    // Shorter longest codes cost data bits but can shorten the header more (fewer different
    // lengths, longer runs): the limits are tried by the exact size of the whole block.
    DynamicCode trial;
    int literalBits = kMaxCodeBits, distanceBits = kMaxCodeBits;
    for (int bits = kMaxCodeBits - 1; bits >= 8; --bits) {
        const std::uint64_t size = CodeWithLimits(h, bits, distanceBits, trial);
        if (size > best) break;
        best = size;
        literalBits = bits;
        code = trial;
    }
    for (int bits = kMaxCodeBits - 1; bits >= 5; --bits) {
        const std::uint64_t size = CodeWithLimits(h, literalBits, bits, trial);
        if (size > best) break;
        best = size;
        code = trial;
    }
    return best;
}

std::uint64_t FixedBlockBits(const Histogram& h) {
    std::uint64_t bits = 3 + 7 + h.extraBits; // the end of block: 7 bits
    for (int s = 0; s < kLiteralLengthSymbols; ++s)
        bits += static_cast<std::uint64_t>(h.literal[s]) * FixedLiteralBits(s);
    for (int s = 0; s < kDistanceSymbols; ++s)
        bits += static_cast<std::uint64_t>(h.distance[s]) * 5;
    return bits;
}

std::uint64_t StoredBlockBits(std::uint64_t bytes, int bitPosition) {
    const std::uint64_t blocks = bytes == 0 ? 1 : (bytes + 65534) / 65535;
    const int firstPad = (8 - (bitPosition + 3) % 8) % 8;
    return blocks * (3 + 32) + firstPad + (blocks - 1) * 5 + 8 * bytes;
}

void CostModel::FromHistogram(const Histogram& h) {
    const SymbolTables& t = Tables();
    DynamicCode code;
    std::array<std::uint32_t, kLiteralLengthSymbols> literalFreq = h.literal;
    literalFreq[kEndOfBlock] += 1;
    LimitedCodeLengths(literalFreq.data(), kLiteralLengthSymbols, kMaxCodeBits,
                       code.literal.data());
    LimitedCodeLengths(h.distance.data(), kDistanceSymbols, kMaxCodeBits, code.distance.data());
    // A symbol the code has no use for yet would cost a little more than the dearest one.
    const auto unused = [](const auto& lengths) {
        int most = 0;
        for (const std::uint8_t l : lengths)
            most = std::max<int>(most, l);
        return std::min(most + 2, kMaxCodeBits + 2);
    };
    const int literalUnused = unused(code.literal), distanceUnused = unused(code.distance);
    for (int b = 0; b < 256; ++b)
        literal[b] = kScale * (code.literal[b] ? code.literal[b] : literalUnused);
    for (int len = kMinMatch; len <= kMaxMatch; ++len) {
        const int s = t.lengthSymbol[len];
        const int bits = code.literal[257 + s] ? code.literal[257 + s] : literalUnused;
        length[len] = kScale * (bits + t.lengthExtra[s]);
    }
    for (int s = 0; s < kDistanceSymbols; ++s)
        distance[s] =
            kScale * ((code.distance[s] ? code.distance[s] : distanceUnused) + t.distanceExtra[s]);
}

void WriteDynamicHeader(BitWriter& w, const DynamicCode& code, bool final) {
    w.Put(final ? 1 : 0, 1);
    w.Put(2, 2);
    w.Put(code.literalCount - 257, 5);
    w.Put(code.distanceCount - 1, 5);
    w.Put(code.codeLengthCount - 4, 4);
    for (int i = 0; i < code.codeLengthCount; ++i)
        w.Put(code.codeLength[kCodeLengthOrder[i]], 3);
    std::uint16_t codes[19];
    CanonicalCodes(code.codeLength.data(), 19, codes);
    for (const std::uint16_t r : code.runs) {
        const int sym = r & 0xff, extra = r >> 8;
        w.Put(codes[sym], code.codeLength[sym]);
        if (sym >= 16) w.Put(extra, sym == 16 ? 2 : sym == 17 ? 3 : 7);
    }
}

void WriteTokens(BitWriter& w, const Token* tokens, std::size_t count,
                 const std::uint8_t* literalLengths, const std::uint16_t* literalCodes,
                 const std::uint8_t* distanceLengths, const std::uint16_t* distanceCodes) {
    const SymbolTables& t = Tables();
    for (std::size_t i = 0; i < count; ++i) {
        const Token k = tokens[i];
        if (k.dist == 0) {
            w.Put(literalCodes[k.value], literalLengths[k.value]);
            continue;
        }
        const int ls = t.lengthSymbol[k.value];
        w.Put(literalCodes[257 + ls], literalLengths[257 + ls]);
        w.Put(k.value - t.lengthBase[ls], t.lengthExtra[ls]);
        const int ds = DistanceSymbol(t, k.dist);
        w.Put(distanceCodes[ds], distanceLengths[ds]);
        w.Put(k.dist - t.distanceBase[ds], t.distanceExtra[ds]);
    }
    w.Put(literalCodes[kEndOfBlock], literalLengths[kEndOfBlock]);
}

void WriteFixedBlock(BitWriter& w, const Token* tokens, std::size_t count, bool final) {
    struct Fixed {
        std::uint8_t literalLengths[288], distanceLengths[30];
        std::uint16_t literalCodes[288], distanceCodes[30];
        Fixed() {
            for (int s = 0; s < 288; ++s)
                literalLengths[s] = static_cast<std::uint8_t>(s < 144   ? 8
                                                              : s < 256 ? 9
                                                              : s < 280 ? 7
                                                                        : 8);
            std::fill(distanceLengths, distanceLengths + 30, 5);
            CanonicalCodes(literalLengths, 288, literalCodes);
            CanonicalCodes(distanceLengths, 30, distanceCodes);
        }
    };
    static const Fixed fixed;
    w.Put(final ? 1 : 0, 1);
    w.Put(1, 2);
    WriteTokens(w, tokens, count, fixed.literalLengths, fixed.literalCodes, fixed.distanceLengths,
                fixed.distanceCodes);
}

void WriteDynamicBlock(BitWriter& w, const Token* tokens, std::size_t count,
                       const DynamicCode& code, bool final) {
    WriteDynamicHeader(w, code, final);
    std::uint16_t literalCodes[kLiteralLengthSymbols], distanceCodes[kDistanceSymbols];
    CanonicalCodes(code.literal.data(), kLiteralLengthSymbols, literalCodes);
    CanonicalCodes(code.distance.data(), kDistanceSymbols, distanceCodes);
    WriteTokens(w, tokens, count, code.literal.data(), literalCodes, code.distance.data(),
                distanceCodes);
}

void WriteStoredBlocks(BitWriter& w, const std::uint8_t* data, std::size_t size, bool final) {
    do {
        const std::size_t n = std::min<std::size_t>(size, 65535);
        w.Put(final && n == size ? 1 : 0, 1);
        w.Put(0, 2);
        w.AlignToByte();
        w.Put(static_cast<std::uint32_t>(n), 16);
        w.Put(static_cast<std::uint32_t>(~n & 0xffff), 16);
        w.Bytes().append(reinterpret_cast<const char*>(data), n);
        data += n;
        size -= n;
    } while (size > 0);
}

} // namespace zipcore::deflate
