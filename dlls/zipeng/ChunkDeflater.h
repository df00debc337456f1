// Raw deflate (zlib) of one piece of a member. A large file is cut into pieces that are
// compressed independently, on different threads, yet concatenate to one valid deflate
// stream: every piece but the last ends with a sync flush (a byte-aligned empty stored
// block, not marked final), and each piece is primed with the 32 KiB before it as the
// dictionary, so matches still reach back across the cut.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct z_stream_s;

namespace zipeng {

constexpr std::size_t kDeflateWindow = 32768;

class ChunkDeflater {
public:
    ChunkDeflater() = default;
    ~ChunkDeflater();
    ChunkDeflater(const ChunkDeflater&) = delete;
    ChunkDeflater& operator=(const ChunkDeflater&) = delete;

    // Appends the compressed piece to `out`. `dictionary` is the input just before the piece
    // (at most the last 32 KiB are used); `last` ends the stream.
    void Compress(int level, std::string_view dictionary, std::string_view data, bool last,
                  std::string& out);

private:
    void Prepare(int level);

    z_stream_s* stream_ = nullptr;
    int level_ = -1;
};

} // namespace zipeng
