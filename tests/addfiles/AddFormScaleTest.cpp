// The add-files dialog's placement rules at other display scales, window-free: the design at
// 96 DPI scaled edge by edge, the bars' least places scaled, and the bars kept where the user
// left them when the scale changes.
#include "addfiles/AddFilesIds.h"
#include "addfiles/AddFormLayout.h"

#include <gtest/gtest.h>

namespace {

using addfiles::PaneSplit;

TEST(AddFormScale, AtTheDesignSizeEveryRowIsItsDesignScaled) {
    for (int dpi : {96, 120, 144, 192}) {
        const SIZE client = ui::ScaleSize(addfiles::kAddFormClient, dpi);
        const PaneSplit split = addfiles::DesignSplit(dpi);
        for (const addfiles::AddFormRow& row : addfiles::AddFormRows()) {
            const RECT at96 = addfiles::PlaceOf(row, addfiles::kAddFormClient, PaneSplit{});
            const RECT got = addfiles::PlaceOf(row, client, split, dpi);
            const RECT want = ui::ScaleRect(at96, dpi);
            EXPECT_EQ(got.left, want.left) << row.Control.Id << " at " << dpi;
            EXPECT_EQ(got.top, want.top) << row.Control.Id << " at " << dpi;
            EXPECT_EQ(got.right, want.right) << row.Control.Id << " at " << dpi;
            EXPECT_EQ(got.bottom, want.bottom) << row.Control.Id << " at " << dpi;
        }
    }
}

TEST(AddFormScale, TheBarsLeastPlacesGrowWithTheScale) {
    struct Case {
        int dpi;
        PaneSplit wanted;
        SIZE client;
        PaneSplit expected;
    } cases[] = {
        // Dragged too far left and up: both panes keep 200 design pixels, the tree 40.
        {96, {10, 5}, {632, 453}, {200, 40}},
        {144, {10, 5}, {948, 680}, {300, 60}},
        {192, {10, 5}, {1264, 906}, {400, 80}},
        // Dragged too far right and down: the right pane keeps 200, the list below 40.
        {96, {900, 900}, {632, 453}, {428, 299}},
        {144, {2000, 2000}, {948, 680}, {642, 449}},
        {192, {2000, 2000}, {1264, 906}, {856, 598}},
        // In between, the bars stay where they were put.
        {144, {500, 150}, {948, 680}, {500, 150}},
    };
    for (const Case& c : cases) {
        const PaneSplit got = addfiles::ClampSplit(c.wanted, c.client, c.dpi);
        EXPECT_EQ(got.LeftWidth, c.expected.LeftWidth) << c.dpi;
        EXPECT_EQ(got.TreeHeight, c.expected.TreeHeight) << c.dpi;
    }
}

TEST(AddFormScale, BarsMoveWithTheScaleAndTheTreeFollowsItsBar) {
    const PaneSplit split{400, 120};
    const PaneSplit at192 = addfiles::RescaleSplit(split, 96, 192);
    EXPECT_EQ(at192.LeftWidth, 800);
    EXPECT_EQ(at192.TreeHeight, 240);
    const PaneSplit back = addfiles::RescaleSplit(at192, 192, 96);
    EXPECT_EQ(back.LeftWidth, split.LeftWidth);
    EXPECT_EQ(back.TreeHeight, split.TreeHeight);
    EXPECT_EQ(addfiles::DesignSplit(144).LeftWidth, 482);
    EXPECT_EQ(addfiles::DesignSplit(144).TreeHeight, 131);
    // The strip above the panes is 20 design pixels high at every scale.
    EXPECT_EQ(addfiles::TreeHeightAt(107), 87);
    EXPECT_EQ(addfiles::TreeHeightAt(161, 144), 131);
    EXPECT_EQ(addfiles::TreeHeightAt(214, 192), 174);
}

TEST(AddFormScale, TheTreeGrowsWithTheWindowUntilItsBarIsPlaced) {
    const struct {
        int dpi;
        SIZE client;
        int tree;
    } cases[] = {
        {96, {632, 453}, 87},    // the design
        {96, {632, 300}, 87},    // never below the design
        {96, {632, 753}, 287},   // two thirds of 300 more
        {192, {1264, 906}, 174}, // the design at 192 DPI
        {192, {1264, 1506}, 574},
    };
    for (const auto& c : cases)
        EXPECT_EQ(addfiles::GrownTreeHeight(c.client, c.dpi), c.tree) << c.client.cy << " at " << c.dpi;
}

} // namespace
