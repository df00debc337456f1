// Every window's resource, command and control IDs live in a range of its own, so IDs of
// two windows can never collide. A window's ID header checks its IDs against its range;
// the ranges themselves are checked against each other here.
#pragma once

#include <cstddef>

namespace ui {

struct IdRange {
    int First;
    int Last;
};

inline constexpr IdRange kAppIds{1, 99}; // the program icon, the version block
inline constexpr IdRange kMainWindowIds{1000, 1999};
inline constexpr IdRange kOptionsIds{2000, 2299};
inline constexpr IdRange kAddFilesIds{2300, 2599};
inline constexpr IdRange kWizardIds{2600, 2999};
inline constexpr IdRange kTextViewIds{3000, 3199};
inline constexpr IdRange kInfoWindowIds{3200, 3399}; // file info and about
inline constexpr IdRange kShellDialogIds{3400, 3499};
inline constexpr IdRange kProgressWindowIds{3500, 3519}; // the background work's window

inline constexpr IdRange kAllIdRanges[] = {kAppIds,        kMainWindowIds, kOptionsIds,
                                           kAddFilesIds,   kWizardIds,     kTextViewIds,
                                           kInfoWindowIds, kShellDialogIds, kProgressWindowIds};

template <std::size_t N> constexpr bool RangesDisjoint(const IdRange (&ranges)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        if (ranges[i].First > ranges[i].Last) return false;
        for (std::size_t j = i + 1; j < N; ++j)
            if (ranges[i].First <= ranges[j].Last && ranges[j].First <= ranges[i].Last)
                return false;
    }
    return true;
}
static_assert(RangesDisjoint(kAllIdRanges), "two windows share IDs");

// True when every ID lies in the range and no two are equal.
template <std::size_t N> constexpr bool IdsValid(const int (&ids)[N], IdRange range) {
    for (std::size_t i = 0; i < N; ++i) {
        if (ids[i] < range.First || ids[i] > range.Last) return false;
        for (std::size_t j = i + 1; j < N; ++j)
            if (ids[i] == ids[j]) return false;
    }
    return true;
}

} // namespace ui
