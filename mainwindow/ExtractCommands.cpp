// TMainForm: extracting the selected or all members into a folder the user picks. Every
// extraction listens to the engine, so members left out are told, not taken for success.
#include "mainwindow/Main.h"

#include "settings/Options.h"

#include "base/LongPaths.h"
#include "base/MemberNames.h"
#include "engine/EntryName.h"
#include "engine/PathUtil.h"
#include "mainwindow/EngineProblems.h"
#include "mainwindow/ReplaceDialog.h"
#include "settings/PathDialog.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <optional>
#include <set>
#include <utility>

namespace {

// Folders as stored. A file that exists is replaced only when the user says so (the engine
// asks through OnOverwrite): the user's own files must not be lost to an older copy unasked.
// Unpacking for viewing, running and setup goes into fresh folders, where nothing exists.
const ExtrOpts kExtractOptions{ExtrDirNames};

// What the question shows: the existing file as the file system has it, the member as the
// archive lists it (found by its stored name; the engine's size when it is not listed).
ReplaceRequest ReplaceRequestFor(const TZipKeeper& zip, const OverwriteQuestion& q) {
    ReplaceRequest r;
    r.ExistingPath = kname::Widen(q.ExistingPath, CP_UTF8);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(r.ExistingPath.c_str(), GetFileExInfoStandard, &data)) {
        r.ExistingSize = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        r.ExistingTime = data.ftLastWriteTime;
    }
    r.MemberName = kname::Widen(q.StoredName, CP_UTF8);
    r.MemberSize = static_cast<std::uint32_t>(q.Size);
    for (int i = 0; i < zip.Count(); ++i) {
        const ZipDirEntry& e = zip.Entry(i);
        if (e.FileName != q.StoredName) continue;
        r.MemberName = EntryDisplayName(e);
        r.MemberSize = e.UncompressedSize64;
        r.MemberDosTime = static_cast<std::int32_t>(e.DateTime);
        break;
    }
    return r;
}

// The encrypted members among those the patterns choose ("*.*": all), each with the name the
// engine gives it, and the folders the chosen folder members make: what a wrong password
// concerns, and which folders stay whatever happens.
struct EncryptedChoice {
    std::vector<std::pair<std::string, std::string>> Members; // stored, decoded (UTF-8)
    std::set<std::string> FolderMembers;                      // decoded, as folder paths below
};

EncryptedChoice EncryptedChosen(const TZipKeeper& zip, const std::vector<std::string>& patterns) {
    const bool all = patterns.size() == 1 && patterns[0] == "*.*";
    const std::set<std::string> named(patterns.begin(), patterns.end());
    EncryptedChoice c;
    for (int i = 0; i < zip.Count(); ++i) {
        const ZipDirEntry& e = zip.Entry(i);
        if (!all && !named.count(e.FileName)) continue;
        std::string shown = EntryDisplayNameUtf8(e);
        if (!shown.empty() && shown.back() == '/')
            c.FolderMembers.insert(shown.substr(0, shown.size() - 1));
        else if (e.Flag & 1)
            c.Members.emplace_back(e.FileName, std::move(shown));
    }
    return c;
}

// The folders below base on the way to the encrypted members that are not there yet and are
// no folder members themselves, deepest first: the ones to take away again when they stay
// empty because their members were skipped.
std::vector<std::string> FoldersToTidy(const std::string& base, const EncryptedChoice& c) {
    std::set<std::string> folders;
    for (const auto& member : c.Members) {
        const std::string& shown = member.second;
        for (size_t slash = shown.find('/'); slash != std::string::npos;
             slash = shown.find('/', slash + 1)) {
            const std::string relative = shown.substr(0, slash);
            if (c.FolderMembers.count(relative)) continue;
            if (const auto path = members::UnpackedPath(base, relative); path && !kpath::DirectoryExists(*path))
                folders.insert(*path);
        }
    }
    std::vector<std::string> deepestFirst(folders.rbegin(), folders.rend());
    return deepestFirst;
}

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
    // The folder chosen last time, then the options dialog's folder box as last shown (typed but cancelled included); before
    // that dialog was first opened, the download folder of the settings.
    if (!lastExtractFolder_.empty()) return lastExtractFolder_;
    const std::string typed =
        windows_.Options ? windows_.Options->DownloadDirText() : std::string();
    return typed.empty() ? state_.Settings.DownloadDir : typed;
}

void TMainForm::ChooseFolderAndExtract(bool (TMainForm::*extract)(const std::string&)) {
    if (zipKeeper1_->Count() == 0) return;
    settings::TPathDialog pathDialog1(this);
    pathDialog1.Title = "Extract to:";
    pathDialog1.SetDirectory(ExtractFolderStart());
    if (!pathDialog1.Execute()) return;
    lastExtractFolder_ = pathDialog1.Directory();
    (this->*extract)(lastExtractFolder_);
}

bool TMainForm::ExtractAllTo(const std::string& folder) {
    ResetProgress();
    progress_.ProgressTotal = static_cast<std::int64_t>(totalUncompressed_);
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

void TMainForm::Test1Click() {
    if (zipKeeper1_->Count() == 0) return;
    ResetProgress();
    progress_.ProgressTotal = static_cast<std::int64_t>(totalUncompressed_);
    enginemsg::Collector problems(*zipKeeper1_);
    {
        ArrowAfterwards cursor;
        zipKeeper1_->SetFSpecArgs({"*.*"});
        zipKeeper1_->ExtrBaseDir.clear(); // nothing is written, no folder is entered
        zipKeeper1_->ExtrOptions = ExtrOpts{ExtrTest};
        zipKeeper1_->Extract();
    }
    const std::string name = kpath::ExtractFileName(zipKeeper1_->ZipFilename());
    const std::vector<enginemsg::Problem> found = problems.ProblemsUtf8();
    const std::string text =
        found.empty()
            ? "All " + std::to_string(zipKeeper1_->Count()) + " members of " + name +
                  " tested sound."
            : enginemsg::Listing(found, std::to_string(found.size()) +
                                            (found.size() == 1 ? " problem" : " problems") +
                                            " found testing " + name + ":");
    ui::Dialogs().InfoUtf8(Handle(), text);
}

OverwriteAnswer TMainForm::AskReplace(const OverwriteQuestion& question,
                                      std::optional<bool>& forAll) {
    if (forAll) return *forAll ? OverwriteAnswer::Replace : OverwriteAnswer::Keep;
    // The question is answered with the arrow, whatever the extraction shows meanwhile.
    const ui::AppCursor cursor = ui::GetAppCursor();
    ui::SetAppCursor(ui::AppCursor::Arrow);
    const std::optional<ReplaceChoice> choice =
        replaceDialog_.Execute(Handle(), ReplaceRequestFor(*zipKeeper1_, question));
    ui::SetAppCursor(cursor);
    if (!choice) return OverwriteAnswer::Cancel;
    if (*choice == ReplaceChoice::YesToAll || *choice == ReplaceChoice::NoToAll)
        forAll = *choice == ReplaceChoice::YesToAll;
    return *choice == ReplaceChoice::Yes || *choice == ReplaceChoice::YesToAll
               ? OverwriteAnswer::Replace
               : OverwriteAnswer::Keep;
}

std::optional<std::string> TMainForm::AskPasswordAgain() {
    const ui::AppCursor cursor = ui::GetAppCursor();
    ui::SetAppCursor(ui::AppCursor::Arrow);
    std::optional<std::string> typed = passwordDialog_.Execute(
        Handle(), PasswordRequest{kpath::ExtractFileName(zipKeeper1_->ZipFilename()), true});
    ui::SetAppCursor(cursor);
    // Nothing typed is no password: the engine would only ask once more itself.
    if (typed && typed->empty()) typed.reset();
    return typed;
}

bool TMainForm::ExtractMembers(const std::string& folder, const std::vector<std::string>& patterns,
                               bool busyCursor) {
    // Yes to All and No to All hold for the rest of this extraction.
    std::optional<bool> forAll;
    zipKeeper1_->OnOverwrite = [this, &forAll](TZipKeeper&, const OverwriteQuestion& q) {
        return AskReplace(q, forAll);
    };
    struct Unhook {
        TZipKeeper& zip;
        ~Unhook() { zip.OnOverwrite = nullptr; }
    } unhook{*zipKeeper1_};
    const EncryptedChoice encrypted = EncryptedChosen(*zipKeeper1_, patterns);
    const std::vector<std::string> tidy = FoldersToTidy(folder, encrypted);
    const std::string givenPassword = zipKeeper1_->Password;
    // Members a wrong password kept shut are tried again, with the password asked again,
    // until they open or the user gives up; only the last round's word on them is told.
    std::vector<enginemsg::Problem> problems;
    std::vector<std::string> round = patterns;
    for (;;) {
        enginemsg::Collector collector(*zipKeeper1_);
        {
            std::optional<ArrowAfterwards> cursor;
            if (busyCursor) cursor.emplace();
            zipKeeper1_->SetFSpecArgs(round);
            zipKeeper1_->ExtrBaseDir = folder;
            zipKeeper1_->ExtrOptions = kExtractOptions;
            zipKeeper1_->Extract();
        }
        const std::vector<std::string> shut =
            enginemsg::WrongPasswordMembers(collector.Problems(), encrypted.Members);
        const std::optional<std::string> again =
            shut.empty() ? std::nullopt : AskPasswordAgain();
        for (const enginemsg::Problem& p : collector.Problems())
            if (!again || !enginemsg::IsWrongPassword(p)) problems.push_back(p);
        if (!again) break;
        zipKeeper1_->Password = *again;
        round = shut;
    }
    zipKeeper1_->Password = givenPassword;
    // Folders made only for members that stayed shut go again (a folder with anything in it
    // is not removed).
    for (const std::string& made : tidy)
        RemoveDirectoryW(kname::LongPath(made).c_str());
    enginemsg::Report(Handle(), problems, "extracted");
    return problems.empty();
}
