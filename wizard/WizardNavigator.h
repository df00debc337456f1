// The wizard's way through its pages as one table, and the small navigator that runs it.
// A page only asks for a step (Next, Back, Close...); the navigator alone hides, shows and
// closes pages. Pages run one inside the other: a page that opens the next waits hidden in
// its own modal loop, and closing gives every open page the modal result OK, so the loops
// unwind in turn.
#pragma once

#include "engine/ZipKeep.h"
#include "ui/Dialogs.h"

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wizard {

class TWizardPage;

enum class PageId { Welcome, FurtherInfo, Naming, Files, Closing };
inline constexpr int kPageCount = 5;

// What a page asks for.
enum class Step { Next, FurtherInfo, Back, Close };

// What the navigator does for it.
enum class Move {
    Open,     // hides the page and shows the next one modally
    Return,   // closes the page and shows the one below it again
    CloseAll, // closes the page and every open page
    Finish,   // hides the page, closes every open page, then shows the next one modally
};

struct Transition {
    PageId From;
    Step On;
    Move Do;
    PageId To; // the page opened or returned to; unused by CloseAll
};

inline constexpr Transition kTransitions[] = {
    {PageId::Welcome, Step::Next, Move::Open, PageId::Naming},
    {PageId::Welcome, Step::FurtherInfo, Move::Open, PageId::FurtherInfo},
    {PageId::Welcome, Step::Close, Move::CloseAll, PageId::Welcome},
    {PageId::FurtherInfo, Step::Back, Move::Return, PageId::Welcome},
    {PageId::Naming, Step::Back, Move::Return, PageId::Welcome},
    {PageId::Naming, Step::Next, Move::Open, PageId::Files},
    {PageId::Naming, Step::Close, Move::CloseAll, PageId::Welcome},
    {PageId::Files, Step::Back, Move::Return, PageId::Naming},
    {PageId::Files, Step::Next, Move::Finish, PageId::Closing},
    {PageId::Files, Step::Close, Move::CloseAll, PageId::Welcome},
};

// The row for this step from this page, or nullptr when the page offers no such step.
constexpr const Transition* FindTransition(PageId from, Step on) {
    for (const Transition& t : kTransitions)
        if (t.From == from && t.On == on) return &t;
    return nullptr;
}

// Each page offers a step at most once, and no step leads back to the first page by
// opening it: the first page is only ever shown by Run.
constexpr bool TransitionsValid() {
    for (const Transition& a : kTransitions) {
        if (a.Do == Move::Open && a.To == PageId::Welcome) return false;
        int same = 0;
        for (const Transition& b : kTransitions)
            same += a.From == b.From && a.On == b.On;
        if (same != 1) return false;
    }
    return true;
}
static_assert(TransitionsValid(), "a wizard step is listed twice or reopens the first page");

// What the pages need from the program that runs the wizard, so that naming and writing a
// new archive work exactly as the main window's New command does.
struct ArchiveMaking {
    // Asks for a new archive's name through dialog; the name, or nothing.
    std::function<std::optional<std::string>(HWND owner, ui::FileDialogRequest& dialog)> ChooseName;
    // Points zip at the archive name, runs add, then puts the new archive in place and
    // tells the engine's problems.
    std::function<void(HWND owner, TZipKeeper& zip, const std::string& name,
                       const std::function<void()>& add)>
        Write;
};

class Navigator {
public:
    // The pages in PageId order; each is told its navigator and its place.
    explicit Navigator(const std::array<TWizardPage*, kPageCount>& pages,
                       ArchiveMaking making = {});
    Navigator(const Navigator&) = delete;
    Navigator& operator=(const Navigator&) = delete;

    // Shows the first page modally; returns when every page has closed.
    void Run();
    // Runs the table's row for this step from this page; nothing when there is none.
    // between runs after Finish has closed the pages and before the next one shows.
    void Go(PageId from, Step step, const std::function<void()>& between = {});

    const ArchiveMaking& Making() const { return making_; }

private:
    TWizardPage* Page(PageId id) const { return pages_[static_cast<size_t>(id)]; }
    void ShowModal(PageId id);
    // Closes every open page and from.
    void CloseOpenPages(PageId from);

    std::array<TWizardPage*, kPageCount> pages_;
    ArchiveMaking making_;
    std::vector<PageId> open_; // the pages whose modal loops run, the first one first
};

} // namespace wizard
