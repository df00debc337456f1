#include "wizard/WizardNavigator.h"

#include "wizard/WizardPage.h"

#include <algorithm>

namespace wizard {

Navigator::Navigator(const std::array<TWizardPage*, kPageCount>& pages, ArchiveMaking making)
    : pages_(pages), making_(std::move(making)) {
    for (int i = 0; i < kPageCount; ++i)
        if (pages_[i]) pages_[i]->Attach(*this, static_cast<PageId>(i));
}

void Navigator::Run() {
    ShowModal(PageId::Welcome);
}

void Navigator::ShowModal(PageId id) {
    TWizardPage* page = Page(id);
    if (!page) return;
    open_.push_back(id);
    page->ShowModal();
    open_.pop_back();
}

void Navigator::CloseOpenPages(PageId from) {
    for (PageId id : open_)
        if (TWizardPage* page = Page(id)) page->ClosePage();
    if (std::find(open_.begin(), open_.end(), from) == open_.end()) Page(from)->ClosePage();
}

void Navigator::Go(PageId from, Step step, const std::function<void()>& between) {
    const Transition* t = FindTransition(from, step);
    TWizardPage* page = Page(from);
    if (!t || !page) return;
    switch (t->Do) {
    case Move::Open:
        if (!Page(t->To)) return;
        page->Hide();
        ShowModal(t->To);
        // Back on this page with its loop still running: it takes the keyboard again.
        if (page->GetModalResult() == ui::mrNone && page->Visible())
            SetForegroundWindow(page->Handle());
        break;
    case Move::Return:
        page->ClosePage();
        if (TWizardPage* below = Page(t->To)) below->Show();
        break;
    case Move::CloseAll:
        CloseOpenPages(from);
        break;
    case Move::Finish:
        page->Hide();
        CloseOpenPages(from);
        if (between) between();
        ShowModal(t->To);
        break;
    }
}

} // namespace wizard
