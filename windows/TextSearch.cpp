#include "windows/TextSearch.h"

namespace textview {

std::optional<int> FindNext(SearchState& state, std::wstring_view text, std::wstring_view what) {
    if (what.empty()) return std::nullopt;
    // Continuing with the same text starts one character after the current hit, so
    // overlapping and adjacent occurrences are each selected in turn.
    const bool again = what == state.LastFindText && state.FindPos >= 0;
    const size_t start = again ? static_cast<size_t>(state.FindPos) + 1 : 0;
    std::optional<int> hit;
    if (start <= text.size()) {
        size_t at = text.find(what, start);
        if (at != std::wstring_view::npos) hit = static_cast<int>(at);
    }
    state.LastFindPos = state.FindPos;
    // A failed search with the same text keeps its place: further presses stay quiet.
    if (hit)
        state.FindPos = *hit;
    else if (!again)
        state.FindPos = -1;
    state.LastFindText = std::wstring(what);
    return hit;
}

} // namespace textview
