// The wizard's table of steps, checked for the ways a user could get stuck or lost: every
// page can be reached, every page but the last can be left, and Back leads to the page
// that opened the one it leaves. The runs through the real pages are in WizardRunTest.
#include "wizard/WizardNavigator.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using wizard::kTransitions, wizard::Move, wizard::PageId, wizard::Step;

constexpr PageId kPages[] = {PageId::Welcome, PageId::FurtherInfo, PageId::Naming, PageId::Files,
                             PageId::Closing};

TEST(WizardNavigatorTable, EveryPageIsReachedFromTheFirst) {
    std::set<PageId> reached{PageId::Welcome};
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& t : kTransitions)
            if ((t.Do == Move::Open || t.Do == Move::Finish) && reached.count(t.From))
                grew = reached.insert(t.To).second || grew;
    }
    for (PageId page : kPages)
        EXPECT_TRUE(reached.count(page)) << static_cast<int>(page);
}

TEST(WizardNavigatorTable, EveryPageButTheLastCanBeLeftByBackOrClose) {
    for (PageId page : kPages) {
        if (page == PageId::Closing) continue; // it closes itself, whatever is pressed
        const bool back = wizard::FindTransition(page, Step::Back) != nullptr;
        const bool close = wizard::FindTransition(page, Step::Close) != nullptr;
        EXPECT_TRUE(back || close) << static_cast<int>(page);
    }
    for (Step step : {Step::Next, Step::FurtherInfo, Step::Back, Step::Close})
        EXPECT_EQ(wizard::FindTransition(PageId::Closing, step), nullptr);
}

TEST(WizardNavigatorTable, BackShowsThePageThatOpenedThisOne) {
    for (const auto& t : kTransitions) {
        if (t.Do != Move::Return) continue;
        bool opened = false;
        for (const auto& o : kTransitions)
            opened = opened || (o.Do == Move::Open && o.From == t.To && o.To == t.From);
        EXPECT_TRUE(opened) << static_cast<int>(t.From);
    }
}

TEST(WizardNavigatorTable, ClosingAndFinishingEndEveryOpenPage) {
    // Close is offered exactly where the pages below would otherwise wait hidden.
    for (PageId page : {PageId::Welcome, PageId::Naming, PageId::Files}) {
        const wizard::Transition* close = wizard::FindTransition(page, Step::Close);
        ASSERT_NE(close, nullptr) << static_cast<int>(page);
        EXPECT_EQ(close->Do, Move::CloseAll);
    }
    const wizard::Transition* finish = wizard::FindTransition(PageId::Files, Step::Next);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(finish->Do, Move::Finish);
    EXPECT_EQ(finish->To, PageId::Closing);
}

} // namespace
