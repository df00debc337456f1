// TMainForm: the member list — row keys, sorting, filling the list view, totals, status
// bar and caption, and the directory-changed handler that ties them together.
#include "mainwindow/Main.h"

#include "base/MemberNames.h"
#include "engine/PathUtil.h"
#include "mainwindow/MainIds.h"
#include "mainwindow/RowKeys.h"
#include "mainwindow/TextFormat.h"
#include "ui/Application.h"

#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <unordered_map>

namespace {

// The shell's name buffer: 1024 characters and the NUL.
constexpr size_t kShellNameMax = 1024;

struct GlyphSwitch {
    TMainForm::ToolButton button;
    int active, inactive; // Image1..Image12
};
const GlyphSwitch kGlyphSwitches[] = {
    {TMainForm::SpeedButton2, 5, 11}, {TMainForm::SpeedButton3, 6, 12},
    {TMainForm::SpeedButton4, 1, 7},  {TMainForm::SpeedButton5, 2, 8},
    {TMainForm::SpeedButton6, 4, 10}, {TMainForm::AddZipBut, 3, 9},
};

} // namespace

// The shell's icon for a name; -1 when the shell has none. A name longer than the shell's
// buffer is asked for by its tail, which keeps the extension that decides the icon.
int TMainForm::ShellIcon(std::string_view shownName) {
    const std::wstring name = kname::Widen(shownName, CP_UTF8);
    wchar_t path[kShellNameMax + 1];
    size_t from = name.size() > kShellNameMax ? name.size() - kShellNameMax : 0;
    size_t n = name.size() - from;
    std::wmemcpy(path, name.data() + from, n);
    path[n] = L'\0';
    SHFILEINFOW info{};
    if (!SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES))
        return -1;
    return info.iIcon;
}

void TMainForm::BuildRowKeys() {
    contents::MakeSortedRowKeys(
        rowKeyList_, static_cast<size_t>(zipKeeper1_->Count()),
        [&](size_t i) { return contents::MakeRowKey(zipKeeper1_->Entry(static_cast<int>(i))); });
    currentSortName_ = "Name";
}

void TMainForm::ComputeArchiveTotals() {
    totalCompressed_ = totalUncompressed_ = 0;
    for (int i = 0; i < zipKeeper1_->Count(); ++i) {
        totalCompressed_ += zipKeeper1_->Entry(i).CompressedSize64;
        totalUncompressed_ += zipKeeper1_->Entry(i).UncompressedSize64;
    }
    totalRatio_ = contents::Ratio(totalCompressed_, totalUncompressed_);
    fileInfo_.FileName = kpath::LowerCase(zipKeeper1_->ZipFilename());
    fileInfo_.EntryCount = std::to_string(zipKeeper1_->Count());
    fileInfo_.CompressedSize =
        contents::FormatThousands(std::to_string(totalCompressed_)) + " bytes";
    fileInfo_.UncompressedSize =
        contents::FormatThousands(std::to_string(totalUncompressed_)) + " bytes";
    fileInfo_.Ratio = std::to_string(totalRatio_) + "%";
}

void TMainForm::ClearRows() {
    contents_.Clear();
    listView1_.SetItemCount(0);
}

void TMainForm::FillContentsView() {
    ui::AppCursor saved = ui::GetAppCursor();
    ui::SetAppCursor(ui::AppCursor::HourGlass);
    // The list asks for its rows' texts (owner data): the item count is one message, and
    // turning redrawing off and on would only paint the list once more.
    ClearRows();
    const int count = zipKeeper1_->Count();
    if (count > 0) {
        archiveSizeForProgress_ = totalUncompressed_;
        const size_t keys = std::min<size_t>(count, rowKeyList_.size());
        contents_.Build(std::span<const std::string>(rowKeyList_.data(), keys));
        listView1_.SetItemCount(static_cast<int>(contents_.Rows().size()));
    }
    listView1_.SelectRow(-1, false);
    if (!contents_.Rows().empty()) listView1_.SelectRow(0, true);
    ui::SetAppCursor(saved);
}

std::wstring TMainForm::RowColumnText(int index, int column) const {
    return contents_.ColumnText(index, column);
}

void TMainForm::GetDisplayInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    const std::vector<ContentsRow>& rows = contents_.Rows();
    if (item.iItem < 0 || item.iItem >= static_cast<int>(rows.size())) return;
    if (item.mask & LVIF_TEXT) {
        const std::wstring text = RowColumnText(item.iItem, item.iSubItem);
        if (item.cchTextMax > 0) {
            size_t n = std::min<size_t>(text.size(), item.cchTextMax - 1);
            std::wmemcpy(item.pszText, text.data(), n);
            item.pszText[n] = L'\0';
        }
    }
    if (item.mask & LVIF_IMAGE) item.iImage = rows[item.iItem].ImageIndex;
}

void TMainForm::ExtractSortKeys(const std::string& key) {
    std::string order = contents::ExtractSortKeys(rowKeyList_, key, sortKeyList_);
    if (!order.empty()) currentSortName_ = order;
}

void TMainForm::SortRowsByKey(int l, int r) {
    contents::SortRowsByKey(sortKeyList_, rowKeyList_, l, r);
}

void TMainForm::ReverseRows() {
    contents::ReverseRowList(rowKeyList_);
    FillContentsView();
}

void TMainForm::ListView1ColumnClick(int column) {
    static const struct {
        const char* order;
        const char* key;
    } kColumns[5] = {{"Name", ""},
                     {"Size", "@3"},
                     {"Date", "@1"},
                     {"ratio", "ratio"},
                     {"UncopressedSize", "@2"}};
    if (column < 0 || column > 4) return; // the Path column does not sort
    if (currentSortName_ == kColumns[column].order) {
        ReverseRows();
        return;
    }
    if (column == 0) {
        currentSortName_ = "Name";
        contents::SortRowsByLocaleName(rowKeyList_);
    } else {
        ExtractSortKeys(kColumns[column].key);
        SortRowsByKey(0, static_cast<int>(sortKeyList_.size()) - 1);
    }
    FillContentsView();
}

std::string TMainForm::RowEntryName(int row) const {
    const std::vector<ContentsRow>& rows = contents_.Rows();
    if (row < 0 || row >= static_cast<int>(rows.size())) return {};
    return rows[row].StoredName; // its Path and File parts, as stored
}

std::wstring TMainForm::RowShownName(int row) const {
    return contents_.ShownName(row);
}

void TMainForm::UpdateStatusAndCaption() {
    state_.CurrentArchiveName = zipKeeper1_->ZipFilename();
    namePanelText_ = "Filename: " + state_.CurrentArchiveName;
    ShowNamePanel();
    int count = zipKeeper1_->Count();
    statusBar1_.SetPanelText(1, count > 0 ? "Files in Zip: " + std::to_string(count)
                                          : std::string("Files in Zip: <none>"));
    SetCaption("Kelvora 98 - " + kpath::ExtractFileName(state_.CurrentArchiveName));
}

void TMainForm::SetArchiveGlyphs(bool active) {
    for (const GlyphSwitch& g : kGlyphSwitches)
        buttons_[g.button].SetGlyph(GlyphImage(active ? g.active : g.inactive));
}

void TMainForm::ZipKeeper1DirUpdate(TZipKeeper& sender) {
    if (!sender.ZipFilename().empty()) {
        SetArchiveGlyphs(true);
        archiveOpen_ = true;
        UpdateCommands();
        if (sender.Count() > 0) {
            BuildRowKeys();
            ComputeArchiveTotals();
            FillContentsView();
            UpdateStatusAndCaption();
            statusBar1_.SetPanelText(
                2, "Total Uncompressed Size: " +
                       contents::FormatThousands(std::to_string(totalUncompressed_)) + " bytes");
            if (!contents_.Rows().empty()) listView1_.FocusRow(0);
        } else {
            ClearRows();
            UpdateStatusAndCaption();
            statusBar1_.SetPanelText(2, "Total Uncompressed Size: ");
        }
    } else {
        SetArchiveGlyphs(false);
        archiveOpen_ = false;
        UpdateCommands();
        UpdateStatusAndCaption();
        ClearRows();
        statusBar1_.SetPanelText(2, "Total Uncompressed Size: ");
    }
}

void TMainForm::LoadSystemImageLists() {
    SHFILEINFOA info{};
    auto large =
        reinterpret_cast<HIMAGELIST>(SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX));
    if (large) {
        imageListLarge_ = large;
        listView1_.SetImageList(large, LVSIL_NORMAL);
    }
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (small) {
        imageListSmall_ = small;
        listView1_.SetImageList(small, LVSIL_SMALL);
    }
}

void TMainForm::ListView1KeyDown(WORD key) {
    switch (key) {
    case VK_RETURN:
        buttons_[SpeedButton3].Click();
        break;
    case VK_SPACE:
        buttons_[SpeedButton4].Click();
        break;
    case VK_DELETE:
        buttons_[DeleteFromZipBut].Click();
        break;
    default:
        break;
    }
}

void TMainForm::SetViewStyle(UINT commandId) {
    static const struct {
        UINT id;
        DWORD style;
    } kStyles[] = {{IDM_VIEW_LIST, LVS_LIST},
                   {IDM_VIEW_FULL, LVS_REPORT},
                   {IDM_VIEW_ICONS, LVS_ICON},
                   {IDM_VIEW_SMALLICONS, LVS_SMALLICON}};
    for (const auto& s : kStyles) {
        if (s.id != commandId) continue;
        listView1_.SetStyle(s.style);
        // The add-files dialog's two lists follow once that dialog exists.
        CheckMenuRadioItem(mainMenu_, IDM_VIEW_LIST, IDM_VIEW_SMALLICONS, commandId, MF_BYCOMMAND);
    }
}

void TMainForm::ToggleColumn(UINT commandId) {
    static const struct {
        UINT id;
        int column;
        const char* key;
    } kColumns[] = {{IDM_COL_SIZE, 1, "Size"},
                    {IDM_COL_DATETIME, 2, "Time"},
                    {IDM_COL_RATIO, 3, "Ratio"},
                    {IDM_COL_PACKED, 4, "Packed"},
                    {IDM_COL_PATH, 5, "Path"}};
    for (const auto& c : kColumns) {
        if (c.id != commandId) continue;
        ui::MenuItem item(mainMenu_, c.id);
        item.SetChecked(!item.Checked());
        listView1_.SetColumnWidth(c.column, item.Checked() ? StoredColumnWidth(c.key) : 0);
    }
}
