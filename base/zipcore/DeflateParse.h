// Finding matches and choosing the tokens of a deflate stream. Matches come from binary trees
// (or, for the cheap levels, hash chains) over the last 32 KiB. The cheap levels take the
// longest match found (greedy); the others choose the path of least cost through every
// literal and the match lengths the finder offers (a shortest path over the input), priced
// first by the longest matches taken one after the other, then (with more passes) by the
// code the pass before would get, so that symbols are priced as they will be coded.
#pragma once

#include "base/zipcore/DeflateCodes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zipcore::deflate {

struct Match {
    std::uint16_t length;
    std::uint16_t dist;
};

// A binary tree per four-byte hash over the last 32 KiB, each position's suffix ordered
// against the others, so one walk from the root finds the longest matches and inserts the
// position; three-byte matches come from a table of the latest position of each three bytes.
class MatchFinder {
public:
    // `data` must stay readable 8 bytes past `size` (lengths are compared a word at a time).
    // Without `tree`, positions with the same hash form a chain, newest first: inserting is
    // then cheap (skipping costs nothing) but finding looks at more positions.
    void Reset(const std::uint8_t* data, std::size_t size, bool tree);
    // Matches at `pos` ending at most at `end`, each longer than the one before; at most
    // `depth` tree nodes are looked at, and a match of `nice` bytes ends the search. Inserts
    // `pos`: positions are found or skipped in order, each once.
    int Find(std::size_t pos, std::size_t end, int depth, int nice, Match* out) {
        return Walk(pos, end, depth, nice, out);
    }
    void Skip(std::size_t pos, int depth, int nice) {
        if (tree_) {
            Walk(pos, pos, depth, nice, nullptr);
        } else if (pos + 4 <= size_) {
            head3_[Hash3(pos)] = static_cast<std::int32_t>(pos);
            const std::uint32_t h = Hash4(pos);
            children_[pos & (kCycle - 1)] = head_[h];
            head_[h] = static_cast<std::int32_t>(pos);
        }
    }

private:
    static constexpr std::size_t kCycle = 2 * kWindow; // a node's slot outlives its window

    int Walk(std::size_t pos, std::size_t end, int depth, int nice, Match* out);
    int WalkChain(std::int32_t node, std::size_t pos, std::size_t most, int depth, int nice,
                  std::size_t best, int count, Match* out);
    std::uint32_t Hash4(std::size_t pos) const {
        std::uint32_t v;
        std::memcpy(&v, data_ + pos, 4);
        return (v * 2654435761u) >> (32 - bits_);
    }
    std::uint32_t Hash3(std::size_t pos) const {
        const std::uint32_t v = data_[pos] | data_[pos + 1] << 8 | data_[pos + 2] << 16;
        return (v * 506832829u) >> (32 - bits3_);
    }

    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    int bits_ = 8, bits3_ = 8;
    bool tree_ = true;
    std::vector<std::int32_t> head_, head3_;
    std::vector<std::int32_t> children_; // two per node, or the next in a chain
};

struct ParseSettings {
    int depth = 8;  // tree nodes looked at per position
    int nice = 32;  // a match this long is taken without looking further
    int passes = 1; // parses of each stretch, each priced by the one before
    bool greedy = false;
    bool allLengths = true; // else only some lengths of each match are priced
    bool tree = true;       // the match finder's binary trees, else hash chains
};

class Parser {
public:
    // Forgets the matches kept: the next stretch parsed starts at `origin`.
    void Begin(std::size_t origin) {
        origin_ = origin;
        first_.assign(1, 0);
        matches_.clear();
    }
    // Appends the tokens for data[start, end) to `tokens` (`data` as for MatchFinder, with
    // data[0, start) already inserted; stretches follow each other from the origin) and
    // leaves in `model` the prices the tokens give. The matches found are kept.
    void Parse(MatchFinder& finder, const std::uint8_t* data, std::size_t start, std::size_t end,
               const ParseSettings& settings, CostModel& model, std::vector<Token>& tokens);
    // The cheapest tokens for data[start, end), parsed already, under other prices.
    void Reparse(const std::uint8_t* data, std::size_t start, std::size_t end,
                 const CostModel& model, std::vector<Token>& tokens) {
        Cheapest(data, start, end, model, true, tokens);
    }

private:
    void Greedy(MatchFinder& finder, const std::uint8_t* data, std::size_t start, std::size_t end,
                const ParseSettings& settings, std::vector<Token>& tokens);
    void Search(MatchFinder& finder, std::size_t start, std::size_t end,
                const ParseSettings& settings);
    void Cheapest(const std::uint8_t* data, std::size_t start, std::size_t end,
                  const CostModel& model, bool allLengths, std::vector<Token>& tokens);

    // Per position from the origin on: where its matches start in `matches_` (a position
    // inside a long match taken at once has none).
    std::size_t origin_ = 0;
    std::vector<std::uint32_t> first_;
    std::vector<Match> matches_;
    std::vector<std::uint32_t> cost_;
    std::vector<Token> step_; // how the cheapest path reaches each position
};

} // namespace zipcore::deflate
