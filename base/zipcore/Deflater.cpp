#include "base/zipcore/Deflater.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace zipcore {

using namespace deflate;

namespace {

struct LevelSettings {
    ParseSettings parse;
    std::size_t grid; // tokens between the points where a block may end
    int refine = 0;   // rounds of parsing each block again with its own code's prices
};

LevelSettings SettingsFor(int level) {
    // Levels 1-3: the longest match at each step, from hash chains. 4-9: the cheapest path
    // through what the trees find, 7-9 priced again by their own outcome, 8-9 each block
    // parsed once more with the prices of its own code.
    constexpr ParseSettings kGreedy{.greedy = true, .allLengths = false, .tree = false};
    constexpr ParseSettings kCheapest{.allLengths = false};
    const auto with = [](ParseSettings s, int depth, int nice, int passes) {
        s.depth = depth;
        s.nice = nice;
        s.passes = passes;
        if (passes > 1) s.allLengths = true;
        return s;
    };
    switch (level) {
    case 1:
        return {with(kGreedy, 4, 16, 1), 4096};
    case 2:
        return {with(kGreedy, 8, 32, 1), 4096};
    case 3:
        return {with(kGreedy, 16, 64, 1), 2048};
    case 4:
        return {with(kCheapest, 4, 16, 1), 1024};
    case 5:
        return {with(kCheapest, 8, 24, 1), 1024};
    case 6:
        return {with(kCheapest, 24, 32, 1), 512};
    case 7:
        return {with(kCheapest, 16, 64, 2), 512};
    case 8:
        return {with(kCheapest, 32, 128, 2), 512, 1};
    default:
        return {with(kCheapest, 64, 258, 3), 128, 1};
    }
}

// Input bytes parsed with one set of prices: small enough for the prices to follow the data,
// large enough for them to be learnt.
constexpr std::size_t kStretch = 64 * 1024;

constexpr std::size_t kCandidates = 64;

// n * log2(n), from a table for the small counts most symbols have.
double NLogN(std::uint32_t n) {
    static const auto table = [] {
        std::vector<float> t(4096);
        for (std::size_t i = 1; i < t.size(); ++i)
            t[i] = static_cast<float>(i * std::log2(static_cast<double>(i)));
        return t;
    }();
    return n < table.size() ? table[n] : n * std::log2(static_cast<double>(n));
}

// Bits a block of these counts would take, estimated from the symbols' entropy (and a rough
// header): quick enough to try every place a block could be cut.
double EstimatedBits(const Histogram& h) {
    const auto part = [](const std::uint32_t* f, int n, std::uint32_t add) {
        std::uint32_t total = add;
        double sum = NLogN(add);
        int used = add ? 1 : 0;
        for (int i = 0; i < n; ++i)
            if (f[i]) {
                total += f[i];
                sum += NLogN(f[i]);
                ++used;
            }
        return NLogN(total) - sum + 4.0 * used;
    };
    return 40 + static_cast<double>(h.extraBits) +
           part(h.literal.data(), kLiteralLengthSymbols, 1) +
           part(h.distance.data(), kDistanceSymbols, 0);
}

std::uint64_t ExactBits(const Histogram& h) {
    DynamicCode code;
    return std::min(BuildDynamicCode(h, code), FixedBlockBits(h));
}

void SyncFlush(BitWriter& w) {
    WriteStoredBlocks(w, nullptr, 0, false);
}

} // namespace

void Deflater::Compress(int level, std::string_view dictionary, std::string_view data, bool last,
                        std::string& out) {
    BitWriter w(out);
    if (level <= 0) {
        if (!data.empty() || last)
            WriteStoredBlocks(w, reinterpret_cast<const std::uint8_t*>(data.data()), data.size(),
                              last);
        if (!last) SyncFlush(w);
        return;
    }
    if (dictionary.size() > kWindow) dictionary.remove_prefix(dictionary.size() - kWindow);
    const std::size_t start = dictionary.size(), size = start + data.size();
    // The dictionary and the data in one buffer (matches reach from one into the other),
    // with room for the finder's word-wide compares past the end.
    buffer_.resize(size + 8);
    if (!dictionary.empty()) std::memcpy(buffer_.data(), dictionary.data(), dictionary.size());
    if (!data.empty()) std::memcpy(buffer_.data() + start, data.data(), data.size());
    std::memset(buffer_.data() + size, 0, 8);
    const LevelSettings settings = SettingsFor(std::min(level, 9));
    finder_.Reset(buffer_.data(), size, settings.parse.tree);
    for (std::size_t i = 0; i < start; ++i)
        finder_.Skip(i, settings.parse.depth, settings.parse.nice);

    tokens_.clear();
    CostModel model;
    for (std::size_t at = start; at < size; at += kStretch) {
        const std::size_t end = std::min(size, at + kStretch);
        // The matches of the whole call are kept only for parsing its blocks again.
        if (at == start || settings.refine == 0) parser_.Begin(at);
        parser_.Parse(finder_, buffer_.data(), at, end, settings.parse, model, tokens_);
    }
    PlanBlocks(settings.grid, last);
    for (int round = 0; round < settings.refine && !tokens_.empty(); ++round) {
        Refine(start);
        PlanBlocks(settings.grid, last);
    }
    WriteBlocks(buffer_.data() + start, last, level, w);
    if (!last) SyncFlush(w);
    w.AlignToByte();
}

// Block boundaries fall on a grid of token counts; the histogram before each grid point gives
// any run of grid cells' counts by one subtraction.
void Deflater::PlanBlocks(std::size_t grid, bool last) {
    grid_.clear();
    for (std::size_t t = 0; t < tokens_.size(); t += grid)
        grid_.push_back(t);
    grid_.push_back(tokens_.size());
    prefix_.resize(grid_.size());
    prefix_[0] = Histogram();
    for (std::size_t g = 1; g < grid_.size(); ++g) {
        prefix_[g] = prefix_[g - 1];
        prefix_[g].AddAll(tokens_.data() + grid_[g - 1], grid_[g] - grid_[g - 1]);
    }
    blocks_.clear();
    if (tokens_.empty()) {
        if (last) blocks_.push_back({0, grid_.size() - 1});
    } else {
        Split(0, grid_.size() - 1);
    }
}

// Each block parsed again under the prices of its own code, which fit it better than those of
// the stretch it was parsed in; kept where the block comes out smaller.
void Deflater::Refine(std::size_t start) {
    rebuilt_.clear();
    std::size_t byte = start;
    for (const auto& [a, b] : blocks_) {
        const Token* tokens = tokens_.data() + grid_[a];
        const std::size_t count = grid_[b] - grid_[a];
        std::size_t bytes = 0;
        for (std::size_t t = 0; t < count; ++t)
            bytes += tokens[t].dist ? tokens[t].value : 1;
        Histogram h = prefix_[b];
        h -= prefix_[a];
        CostModel model;
        model.FromHistogram(h);
        trial_.clear();
        parser_.Reparse(buffer_.data(), byte, byte + bytes, model, trial_);
        Histogram again;
        again.AddAll(trial_.data(), trial_.size());
        if (ExactBits(again) < ExactBits(h))
            rebuilt_.insert(rebuilt_.end(), trial_.begin(), trial_.end());
        else
            rebuilt_.insert(rebuilt_.end(), tokens, tokens + count);
        byte += bytes;
    }
    tokens_.swap(rebuilt_);
}

// Cuts grid cells [a, b) where the estimate finds two blocks cheaper than one, as long as the
// exact sizes agree; each part is then cut again the same way.
void Deflater::Split(std::size_t a, std::size_t b) {
    const Histogram whole = [&] {
        Histogram h = prefix_[b];
        h -= prefix_[a];
        return h;
    }();
    double best = EstimatedBits(whole);
    std::size_t cut = 0;
    // At most kCandidates places are tried per range, so that data whose statistics drift
    // slowly (cut again and again near one end) stays linear in its length.
    const std::size_t stride = std::max<std::size_t>(1, (b - a) / kCandidates);
    for (std::size_t c = a + stride; c < b; c += stride) {
        Histogram left = prefix_[c];
        left -= prefix_[a];
        Histogram right = whole;
        right -= left;
        const double bits = EstimatedBits(left) + EstimatedBits(right);
        if (bits < best) {
            best = bits;
            cut = c;
        }
    }
    if (cut) {
        Histogram left = prefix_[cut];
        left -= prefix_[a];
        Histogram right = whole;
        right -= left;
        if (ExactBits(left) + ExactBits(right) < ExactBits(whole)) {
            Split(a, cut);
            Split(cut, b);
            return;
        }
    }
    blocks_.push_back({a, b});
}

void Deflater::WriteBlocks(const std::uint8_t* data, bool last, int level, BitWriter& w) {
    std::size_t byte = 0;
    DynamicCode code;
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        const bool final = last && i + 1 == blocks_.size();
        const std::size_t from = grid_[blocks_[i].first], to = grid_[blocks_[i].second];
        const Token* tokens = tokens_.data() + from;
        const std::size_t count = to - from;
        std::size_t bytes = 0;
        for (std::size_t t = 0; t < count; ++t)
            bytes += tokens[t].dist ? tokens[t].value : 1;
        Histogram h = prefix_[blocks_[i].second];
        h -= prefix_[blocks_[i].first];
        const std::uint64_t dynamic = BuildDynamicCode(h, code, level >= 7);
        const std::uint64_t fixed = FixedBlockBits(h);
        const std::uint64_t stored = StoredBlockBits(bytes, w.BitPosition());
        if (stored < dynamic && stored < fixed)
            WriteStoredBlocks(w, data + byte, bytes, final);
        else if (fixed <= dynamic)
            WriteFixedBlock(w, tokens, count, final);
        else
            WriteDynamicBlock(w, tokens, count, code, final);
        byte += bytes;
    }
}

} // namespace zipcore
