// The progress bar's arithmetic.
#include "mainwindow/ProgressState.h"

#include <gtest/gtest.h>

using contents::ProgressState;

TEST(ProgressState, FilesAndUnitsAdvanceAgainstTheTotal) {
    ProgressState p;
    p.ProgressTotal = 200000;
    EXPECT_FALSE(p.NewFile(100000).has_value()); // nothing done yet: position 0
    EXPECT_EQ(p.Unit(), 16);                     // 32768 of 200000 = 16.4 %
    EXPECT_EQ(p.Unit(), 33);
    EXPECT_EQ(p.Unit(), 49);
    // The next file: the first one counts whole, the bar never goes back.
    EXPECT_EQ(p.NewFile(100000), 50);
    EXPECT_EQ(p.DoneBytes, 100000);
    EXPECT_EQ(p.ChunkCount, 0);
    EXPECT_EQ(p.Unit(), 66);
    p.Clear();
    EXPECT_EQ(p.LastPosition, 0);
}

TEST(ProgressState, BarNeverMovesBackAndStaysWithoutTotal) {
    ProgressState p;
    p.ProgressTotal = 1000;
    EXPECT_EQ(p.SetProgress(500), 50);
    EXPECT_FALSE(p.SetProgress(400).has_value());
    EXPECT_FALSE(p.SetProgress(500).has_value());
    EXPECT_EQ(p.SetProgress(5000), 100); // beyond the total: a full bar, no more

    ProgressState none; // no total known: positions are remembered, bar stays
    EXPECT_FALSE(none.SetProgress(10).has_value());
    EXPECT_EQ(none.LastPosition, 10);
    EXPECT_FALSE(none.Unit().has_value());
}

TEST(ProgressState, LargeArchivesDoNotWrap) {
    ProgressState p;
    p.ProgressTotal = 6000000000LL;
    p.NewFile(4000000000LL);
    EXPECT_EQ(p.NewFile(10), 67); // 4e9 of 6e9
    p.Unit();
    p.Reset();
    EXPECT_EQ(p.ProgressTotal, 0);
    EXPECT_EQ(p.DoneBytes, 0);
    EXPECT_EQ(p.CurrentFileSize, 0);
    EXPECT_EQ(p.ChunkCount, 1); // left alone by a reset
}
