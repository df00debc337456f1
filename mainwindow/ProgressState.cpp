#include "mainwindow/ProgressState.h"

#include "mainwindow/TextFormat.h"

namespace contents {

std::optional<int> ProgressState::SetProgress(std::int64_t position) {
    if (static_cast<double>(position) <= LastPosition) return std::nullopt;
    LastPosition = static_cast<double>(position);
    if (ProgressTotal <= 0) return std::nullopt;
    std::int64_t percent =
        RoundHalfEven(static_cast<double>(position) * 100.0 / static_cast<double>(ProgressTotal));
    if (percent > 100) percent = 100;
    return static_cast<int>(percent);
}

std::optional<int> ProgressState::NewFile(std::int64_t fileSize) {
    DoneBytes += CurrentFileSize;
    std::optional<int> bar = SetProgress(DoneBytes);
    CurrentFileSize = fileSize;
    ChunkCount = 0;
    return bar;
}

std::optional<int> ProgressState::Unit() {
    ++ChunkCount;
    return SetProgress(DoneBytes + ChunkCount * kProgressUnitBytes);
}

} // namespace contents
