// Our deflate encoder (RFC 1951), raw: no zlib or gzip wrapper. Levels 1-3 take the longest
// match found (fast); 4-9 choose tokens by cost (see DeflateParse.h), 7-9 parsing each stretch
// again with the prices of the code the pass before gave. Blocks are cut where a new code pays
// for its header, and each block is written dynamic, fixed or stored, whichever is smallest.
// Level 0 stores.
//
// A piece of a longer input can be compressed on its own and still continue one stream: it
// takes up to 32 KiB before it as its dictionary, and a piece that is not the last ends with
// an empty stored block (a sync flush), so that the next piece starts on a byte boundary.
//
// Not yet used by KZIPENG.DLL, which still deflates with zlib: this encoder writes smaller
// member data than 7-Zip's deflate, but costs two to four times zlib's CPU at levels 6 and 9,
// which would lose the engine's speed against zip and bsdtar. It goes in once level 6 has a
// cheaper parse.
#pragma once

#include "base/zipcore/DeflateParse.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zipcore {

class Deflater {
public:
    // Appends the deflated `data` to `out`. `dictionary` is the input just before `data` (its
    // last 32 KiB are used); `last` ends the stream, else a sync flush ends the piece.
    void Compress(int level, std::string_view dictionary, std::string_view data, bool last,
                  std::string& out);

private:
    void WriteBlocks(const std::uint8_t* data, bool last, int level, deflate::BitWriter& w);
    void PlanBlocks(std::size_t grid, bool last);
    void Refine(std::size_t start);
    void Split(std::size_t a, std::size_t b);

    std::vector<std::uint8_t> buffer_;
    deflate::MatchFinder finder_;
    deflate::Parser parser_;
    std::vector<deflate::Token> tokens_, rebuilt_, trial_;
    std::vector<std::size_t> grid_;          // token index of each grid point
    std::vector<deflate::Histogram> prefix_; // symbol counts before each grid point
    std::vector<std::pair<std::size_t, std::size_t>> blocks_; // grid point ranges
};

} // namespace zipcore
