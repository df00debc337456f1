// TMainForm: extracting the selected or all members into a folder the user picks. Every
// extraction listens to the engine, so members left out are told, not taken for success.
#include "mainwindow/Main.h"

#include "settings/Options.h"

#include "mainwindow/EngineProblems.h"
#include "settings/PathDialog.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <optional>

namespace {

// Folders as stored. Files that exist are kept and reported by the engine rather than
// silently replaced: the user's own files must not be lost to an older copy. Unpacking for
// viewing, running and setup goes into fresh folders, where nothing exists to replace.
const ExtrOpts kExtractOptions{ExtrDirNames};

// Puts the arrow cursor up when an extraction ends, however it ends.
class ArrowAfterwards {
public:
    ArrowAfterwards() { ui::SetAppCursor(ui::AppCursor::HourGlass); }
    ~ArrowAfterwards() { ui::SetAppCursor(ui::AppCursor::Arrow); }
    ArrowAfterwards(const ArrowAfterwards&) = delete;
    ArrowAfterwards& operator=(const ArrowAfterwards&) = delete;
};

} // namespace

void TMainForm::btnExtractSelectedClick() {
    ChooseFolderAndExtract(&TMainForm::ExtractSelectedTo);
}

void TMainForm::btnExtractAllClick() {
    ChooseFolderAndExtract(&TMainForm::ExtractAllTo);
}

// Where the "Extract to:" dialog starts. The options dialog's download folder field takes
// this place once that dialog exists.
std::string TMainForm::ExtractFolderStart() const {
    // The options dialog's folder box as last shown (typed but cancelled included); before
    // that dialog was first opened, the download folder of the settings.
    const std::string typed = DownloadDirText(state_.Windows);
    return typed.empty() ? state_.Settings.DownloadDir : typed;
}

void TMainForm::ChooseFolderAndExtract(bool (TMainForm::*extract)(const std::string&)) {
    if (zipKeeper1_->Count() == 0) return;
    settings::TPathDialog pathDialog1(this);
    pathDialog1.Title = "Extract to:";
    pathDialog1.SetDirectory(ExtractFolderStart());
    if (!pathDialog1.Execute()) return;
    (this->*extract)(pathDialog1.Directory());
}

bool TMainForm::ExtractAllTo(const std::string& folder) {
    ResetProgress();
    progress_.ProgressTotal = static_cast<std::int64_t>(TotalUncompressed);
    return ExtractMembers(folder, {"*.*"}, true);
}

bool TMainForm::ExtractSelectedTo(const std::string& folder) {
    ResetProgress();
    const int rows = listView1_.ItemCount();
    if (rows == 0) {
        ui::ShowMessage("No files to extract");
        return false;
    }
    // In list order, as the user sees them.
    std::vector<std::string> patterns;
    for (int i = 0; i < rows; ++i)
        if (listView1_.IsSelected(i)) patterns.push_back(RowEntryName(i));
    if (patterns.empty()) {
        ui::ShowMessage("No files selected");
        return false;
    }
    return ExtractMembers(folder, patterns, true);
}

bool TMainForm::ExtractMembers(const std::string& folder, const std::vector<std::string>& patterns,
                               bool busyCursor) {
    enginemsg::Collector problems(*zipKeeper1_);
    {
        std::optional<ArrowAfterwards> cursor;
        if (busyCursor) cursor.emplace();
        zipKeeper1_->SetFSpecArgs(patterns);
        zipKeeper1_->ExtrBaseDir = folder;
        zipKeeper1_->ExtrOptions = kExtractOptions;
        zipKeeper1_->Extract();
    }
    problems.Report(Handle(), "extracted");
    return problems.Problems().empty();
}
