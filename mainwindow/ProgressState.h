// The progress bar's arithmetic: bytes done in a batch against a known total. Sizes are
// 64-bit so that archives past 2 GiB neither wrap nor move the bar backwards.
#pragma once

#include <cstdint>
#include <optional>

namespace contents {

// Bytes one progress unit of the engine stands for.
constexpr std::int64_t kProgressUnitBytes = 32768;

struct ProgressState {
    std::int64_t ProgressTotal = 0; // bytes of a full bar; 0 when unknown
    std::int64_t DoneBytes = 0;     // files finished in this batch
    std::int64_t CurrentFileSize = 0;
    std::int64_t ChunkCount = 0;    // units received for the current file
    double LastPosition = 0;        // highest position shown in this batch

    // ProgressTotal, DoneBytes and CurrentFileSize back to 0.
    void Reset() {
        ProgressTotal = DoneBytes = CurrentFileSize = 0;
    }
    // The bar's new percentage for a byte position, or nothing when the bar stays (the
    // position is not past the last one, or no total is known).
    std::optional<int> SetProgress(std::int64_t position);
    // A file begins: the previous one counts as done.
    std::optional<int> NewFile(std::int64_t fileSize);
    // One more unit of the current file.
    std::optional<int> Unit();
    // End of the batch: the bar goes back to 0.
    void Clear() { LastPosition = 0; }
};

} // namespace contents
