// The viewer's forward search, free of windows so the rule can be tested on its own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace textview {

// What the previous searches left: shared by every text the viewer shows.
struct SearchState {
    int FindPos = 0;           // offset of the last hit, or what a failed search left
    int LastFindPos = 0;       // FindPos as it was after the search before
    std::wstring LastFindText; // the text of the previous search
};

// One press of Find Next for `what` in `text` (offsets as the text area counts them).
// A new search text starts at the top; the same one continues after the current hit.
// Returns the offset to select, or nothing when there is no further occurrence.
std::optional<int> FindNext(SearchState& state, std::wstring_view text, std::wstring_view what);

} // namespace textview
