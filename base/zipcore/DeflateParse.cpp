#include "base/zipcore/DeflateParse.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zipcore::deflate {

namespace {

// Bytes equal at a and b, up to `most`; both may be read 8 bytes past `most`.
inline std::size_t MatchLength(const std::uint8_t* a, const std::uint8_t* b, std::size_t most) {
    std::size_t n = 0;
    while (n < most) {
        std::uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (const std::uint64_t diff = x ^ y) {
            n += static_cast<std::size_t>(__builtin_ctzll(diff)) / 8;
            return std::min(n, most);
        }
        n += 8;
    }
    return most;
}

// Matches at least this long have only their last positions inserted (the rest rarely give a
// match the start did not).
constexpr std::size_t kInsertedWhole = 128;

} // namespace

void MatchFinder::Reset(const std::uint8_t* data, std::size_t size, bool tree) {
    tree_ = tree;
    data_ = data;
    size_ = size;
    // A table to the input's measure: small files are many, and each clears its table.
    bits_ = 10;
    while (bits_ < 16 && (std::size_t{1} << bits_) < size)
        ++bits_;
    head_.assign(std::size_t{1} << bits_, -1);
    children_.resize(tree ? 2 * kCycle : kCycle);
    bits3_ = std::min(bits_, 14);
    // The children need no clearing: a node's are written when it is inserted.
    head3_.assign(std::size_t{1} << bits3_, -1);
}

int MatchFinder::Walk(std::size_t pos, std::size_t end, int depth, int nice, Match* out) {
    if (pos + kMinMatch > size_) return 0;
    const std::uint8_t* here = data_ + pos;
    // The tree compares up to the data's end (or `nice`); matches are reported up to `end`.
    const std::size_t treeMost = std::min<std::size_t>(kMaxMatch, size_ - pos);
    const std::size_t most = end > pos ? std::min(treeMost, end - pos) : 0;
    const std::size_t stop = std::min(treeMost, static_cast<std::size_t>(nice));
    const std::int64_t oldest = static_cast<std::int64_t>(pos) - kWindow;
    const std::int32_t self = static_cast<std::int32_t>(pos);
    std::size_t best = kMinMatch - 1;
    int count = 0;
    const auto report = [&](std::size_t len, std::int32_t at) {
        len = std::min(len, most);
        if (len > best) {
            best = len;
            out[count++] = {static_cast<std::uint16_t>(len), static_cast<std::uint16_t>(self - at)};
        }
    };

    const std::uint32_t h3 = Hash3(pos);
    const std::int32_t near = head3_[h3];
    head3_[h3] = self;
    if (out && near >= 0 && near >= oldest && std::memcmp(data_ + near, here, 3) == 0)
        report(MatchLength(data_ + near, here, treeMost), near);
    if (pos + 4 > size_) return count;

    const std::uint32_t h = Hash4(pos);
    std::int32_t node = head_[h];
    head_[h] = self;
    if (!tree_) {
        children_[pos & (kCycle - 1)] = node;
        return WalkChain(node, pos, most, depth, nice, best, count, out);
    }
    // The new position becomes the root: nodes with smaller suffixes hang to its left,
    // larger ones to its right, each walked past keeping the part of the tree on its side.
    std::int32_t* left = &children_[2 * (pos & (kCycle - 1))];
    std::int32_t* right = left + 1;
    std::size_t leftLen = 0, rightLen = 0; // bytes every node still ahead shares with here
    for (;;) {
        if (node < 0 || node < oldest || depth-- <= 0) {
            *left = *right = -1;
            break;
        }
        const std::uint8_t* there = data_ + node;
        std::size_t len = std::min(leftLen, rightLen);
        len += MatchLength(there + len, here + len, treeMost - len);
        if (out) report(len, node);
        std::int32_t* pair = &children_[2 * (static_cast<std::size_t>(node) & (kCycle - 1))];
        if (len >= stop) {
            // As good as equal: the new position takes the node's place.
            *left = pair[0];
            *right = pair[1];
            break;
        }
        if (there[len] < here[len]) {
            *left = node;
            left = &pair[1];
            node = *left;
            leftLen = len;
        } else {
            *right = node;
            right = &pair[0];
            node = *right;
            rightLen = len;
        }
    }
    return count;
}

int MatchFinder::WalkChain(std::int32_t node, std::size_t pos, std::size_t most, int depth,
                           int nice, std::size_t best, int count, Match* out) {
    const std::uint8_t* here = data_ + pos;
    const std::int64_t oldest = static_cast<std::int64_t>(pos) - kWindow;
    const std::size_t enough = std::min(most, static_cast<std::size_t>(nice));
    if (best >= enough) return count;
    while (node >= 0 && node >= oldest && depth-- > 0) {
        const std::uint8_t* there = data_ + node;
        if (there[best] == here[best]) {
            const std::size_t len = MatchLength(there, here, most);
            if (len > best) {
                best = len;
                out[count++] = {static_cast<std::uint16_t>(len),
                                static_cast<std::uint16_t>(pos - static_cast<std::size_t>(node))};
                if (len >= enough) break;
            }
        }
        const std::int32_t next = children_[static_cast<std::size_t>(node) & (kCycle - 1)];
        if (next >= node) break;
        node = next;
    }
    return count;
}

void Parser::Parse(MatchFinder& finder, const std::uint8_t* data, std::size_t start,
                   std::size_t end, const ParseSettings& settings, CostModel& model,
                   std::vector<Token>& tokens) {
    if (settings.greedy) {
        Greedy(finder, data, start, end, settings, tokens);
        return;
    }
    Search(finder, start, end, settings);
    {
        // The first prices from the longest matches taken one after the other: closer to
        // what the parse will use than any guess, and the matches are found already.
        Histogram h;
        const SymbolTables& t = Tables();
        const std::uint32_t* first = first_.data() + (start - origin_);
        for (std::size_t i = 0, n = end - start; i < n;) {
            if (first[i] == first[i + 1]) {
                h.Add({data[start + i], 0}, t);
                ++i;
                continue;
            }
            const Match m = matches_[first[i + 1] - 1];
            h.Add({m.length, m.dist}, t);
            i += m.length;
        }
        model.FromHistogram(h);
    }
    std::vector<Token> trial;
    std::uint64_t bestBits = std::numeric_limits<std::uint64_t>::max();
    CostModel bestModel = model;
    const std::size_t before = tokens.size();
    for (int pass = 0; pass < settings.passes; ++pass) {
        trial.clear();
        Cheapest(data, start, end, model, settings.allLengths, trial);
        Histogram h;
        h.AddAll(trial.data(), trial.size());
        std::uint64_t bits = 0;
        if (settings.passes > 1) {
            DynamicCode code;
            bits = BuildDynamicCode(h, code);
        }
        model.FromHistogram(h);
        if (bits < bestBits) {
            bestBits = bits;
            bestModel = model;
            tokens.resize(before);
            tokens.insert(tokens.end(), trial.begin(), trial.end());
        }
    }
    model = bestModel;
}

void Parser::Greedy(MatchFinder& finder, const std::uint8_t* data, std::size_t start,
                    std::size_t end, const ParseSettings& settings, std::vector<Token>& tokens) {
    Match found[kMaxMatch];
    for (std::size_t pos = start; pos < end;) {
        const int n = finder.Find(pos, end, settings.depth, settings.nice, found);
        if (n == 0) {
            tokens.push_back({data[pos], 0});
            ++pos;
            continue;
        }
        const Match m = found[n - 1];
        tokens.push_back({m.length, m.dist});
        const std::size_t from = m.length < kInsertedWhole ? 1 : m.length - 2u;
        for (std::size_t k = from; k < m.length; ++k)
            finder.Skip(pos + k, settings.depth, settings.nice);
        pos += m.length;
    }
}

void Parser::Search(MatchFinder& finder, std::size_t start, std::size_t end,
                    const ParseSettings& settings) {
    const std::size_t n = end - start;
    // Positions from the origin on, one after the other: entry k ends position k - 1's matches.
    first_.resize(end - origin_ + 1);
    std::uint32_t* first = first_.data() + (start - origin_);
    Match found[kMaxMatch];
    // A match of `nice` bytes is taken as it is: the positions it covers are not searched,
    // which keeps long runs (zeros, repeated blocks) fast.
    std::size_t resume = 0, skipAll = 0;
    for (std::size_t i = 0; i < n; ++i) {
        first[i] = static_cast<std::uint32_t>(matches_.size());
        if (i < resume) {
            // Inside a match of `nice` bytes: a short one's positions are inserted, a long
            // one's only at its end (a run then still matches at distance 1).
            if (skipAll <= i) finder.Skip(start + i, settings.depth, settings.nice);
            continue;
        }
        const int count = finder.Find(start + i, end, settings.depth, settings.nice, found);
        matches_.insert(matches_.end(), found, found + count);
        if (count == 0) continue;
        const std::size_t length = found[count - 1].length;
        if (length >= static_cast<std::size_t>(settings.nice)) {
            resume = i + length;
            skipAll = length < kInsertedWhole ? i : resume - 2;
        }
    }
    first[n] = static_cast<std::uint32_t>(matches_.size());
}

void Parser::Cheapest(const std::uint8_t* data, std::size_t start, std::size_t end,
                      const CostModel& model, bool allLengths, std::vector<Token>& tokens) {
    const SymbolTables& t = Tables();
    const std::size_t n = end - start;
    const std::uint32_t* first = first_.data() + (start - origin_);
    cost_.assign(n + 1, std::numeric_limits<std::uint32_t>::max());
    step_.resize(n + 1);
    cost_[0] = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t here = cost_[i];
        const std::uint8_t byte = data[start + i];
        if (here + model.literal[byte] < cost_[i + 1]) {
            cost_[i + 1] = here + model.literal[byte];
            step_[i + 1] = {byte, 0};
        }
        std::size_t len = kMinMatch;
        const std::size_t most = n - i; // a block parsed again ends where it ends
        for (std::uint32_t m = first[i]; m < first[i + 1]; ++m) {
            Match match = matches_[m];
            if (match.length > most) {
                if (len > most) break;
                match.length = static_cast<std::uint16_t>(most);
            }
            const std::uint32_t base = here + model.distance[DistanceSymbol(t, match.dist)];
            const auto relax = [&](std::size_t l) {
                const std::uint32_t c = base + model.length[l];
                if (c < cost_[i + l]) {
                    cost_[i + l] = c;
                    step_[i + l] = {static_cast<std::uint16_t>(l), match.dist};
                }
            };
            if (allLengths) {
                for (; len <= match.length; ++len)
                    relax(len);
            } else {
                // Every length up to 10, then the first of each length symbol's range (the
                // cheapest way to stop there) and the whole match.
                for (; len <= match.length; ++len)
                    if (len <= 10 || t.lengthBase[t.lengthSymbol[len]] == len) relax(len);
                relax(match.length);
            }
        }
    }
    const std::size_t from = tokens.size();
    for (std::size_t k = n; k > 0;) {
        const Token s = step_[k];
        tokens.push_back(s);
        k -= s.dist ? s.value : 1;
    }
    std::reverse(tokens.begin() + static_cast<std::ptrdiff_t>(from), tokens.end());
}

} // namespace zipcore::deflate
