// TMainForm: the settings file — loading at start-up, the recent archives, the list's
// appearance commands and the three Save commands.
#include "mainwindow/Main.h"

#include "engine/PathUtil.h"
#include "mainwindow/MainIds.h"
#include "mainwindow/TextFormat.h"
#include "settings/SettingsStore.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace {

// A menu shows "&" as an underline; a name keeps its own by doubling them.
std::string MenuText(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '&') out += '&';
        out += c;
    }
    return out;
}

} // namespace

void TMainForm::CreateIniFile() {
    iniFile_ = std::make_unique<settings::IniFile>(
        iniFileName_.empty() ? kpath::ChangeFileExt(kpath::ProgramPath(), ".ini") : iniFileName_);
}

void TMainForm::LoadSettings() {
    settings::IniFile& ini = *iniFile_;
    settings::ReadOptions(ini, state_.Settings);
    ApplyWindowBounds(settings::ReadWindowBounds(ini));
    // The list shows the stored grid lines; the menu item starts unchecked all the same.
    listView1_.SetExtendedStyle(LVS_EX_GRIDLINES,
                                settings::ReadGridLines(ini) ? LVS_EX_GRIDLINES : 0);
    LOGFONTA font = ListFont();
    const std::string name = settings::ReadFontName(ini);
    std::memset(font.lfFaceName, 0, sizeof font.lfFaceName);
    name.copy(font.lfFaceName, LF_FACESIZE - 1);
    SetListsFont(font);
    // Widths are set in the list's own font: a date column the user never sized fits the dates.
    settings::ColumnWidths defaults = settings::DefaultColumnWidths();
    defaults[settings::kTimeColumn] =
        std::max(defaults[settings::kTimeColumn], ui::ScaleFromDpi(DateColumnFit(), Dpi()) + 1);
    const settings::ColumnWidths widths = settings::ReadColumnWidths(ini, defaults);
    for (int i = 0; i < settings::kColumnCount; ++i)
        listView1_.SetColumnWidth(i, StoredWidthAtDpi(widths[i])); // 0 hides; the item stays
    // A damaged colour line is told and the default used, so the rest of start-up (engine,
    // recent archives, the archive on the command line) still happens.
    const settings::ColorSetting color = settings::ReadBackground(ini);
    if (!color.Error.empty()) ui::Dialogs().Error(Handle(), color.Error);
    SetListsColor(color.Background);
    settings::ReadRecentArchives(ini, state_.Settings.RecentArchives);
    ui::MenuItem(mainMenu_, IDM_FILEINFO).SetEnabled(false);
}

void TMainForm::ApplyWindowBounds(const settings::WindowBounds& bounds) {
    RECT r;
    GetWindowRect(Handle(), &r);
    // The file keeps sizes at 96 DPI, so it moves between machines of any display scale.
    const int width = bounds.Width != -1 ? Scale(bounds.Width) : r.right - r.left;
    const int height = bounds.Height != -1 ? Scale(bounds.Height) : r.bottom - r.top;
    // The window opens centred on the screen, so a stored Left and Top are overruled.
    const int x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    const int y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
    SetWindowPos(Handle(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::UpdateRecentMenu() {
    const auto& recent = state_.Settings.RecentArchives;
    for (size_t n = 0; n < recent.size(); ++n) {
        std::string caption = {'&', static_cast<char>('1' + n), ' '};
        ui::MenuItem(mainMenu_, IDM_LASTZIP1 + static_cast<UINT>(n))
            .SetCaption(caption + MenuText(recent[n]));
    }
}

void TMainForm::SaveRecentArchives() {
    settings::WriteRecentArchives(*iniFile_, state_.Settings.RecentArchives);
}

int TMainForm::StoredColumnWidth(const std::string& key) const {
    return StoredWidthAtDpi(settings::ReadColumnWidth(*iniFile_, key));
}

int TMainForm::DateColumnFit() const {
    // The widest usual date: two-digit month and day, the hour 12 with its suffix.
    const std::string sample = contents::FormatDateTime({2026, 12, 31, 12, 59, 0});
    const int padding = Scale(16); // the list's margins on both sides, and a little air
    return ui::TextWidth(listView1_.Handle(), sample) + padding;
}

int TMainForm::StoredWidthAtDpi(int width) const {
    // -1 (fit the texts) and 0 (hidden) are no lengths.
    return width > 0 ? Scale(width) : width;
}

LOGFONTA TMainForm::ListFont() const {
    LOGFONTA lf{};
    auto font = reinterpret_cast<HFONT>(SendMessageA(listView1_.Handle(), WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectA(font, sizeof lf, &lf);
    return lf;
}

void TMainForm::SetListsFont(const LOGFONTA& font) {
    ui::FontHandle created(CreateFontIndirectA(&font));
    if (!created) return;
    SendMessageA(listView1_.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(created.Get()), TRUE);
    // The add-files dialog's lists AddListView1 and AddListView2 take the font here too.
    listFont_ = std::move(created); // the old font goes only once no list uses it
}

void TMainForm::SetListsColor(settings::Color color) {
    listColor_ = color;
    const COLORREF drawn = settings::ToColorRef(color);
    SendMessageA(listView1_.Handle(), LVM_SETBKCOLOR, 0, drawn);
    SendMessageA(listView1_.Handle(), LVM_SETTEXTBKCOLOR, 0, drawn);
    InvalidateRect(listView1_.Handle(), nullptr, TRUE);
    // The add-files dialog's lists AddListView1 and AddListView2 take the colour here too.
}

void TMainForm::Font1Click() {
    ui::FontChoice choice;
    choice.Font = ListFont();
    // The font dialog sizes fonts for the system's DPI; the list's is made for the window's.
    const int system = ui::SystemDpi();
    choice.Font.lfHeight = ui::RescaleFontHeight(choice.Font.lfHeight, Dpi(), system);
    choice.Font.lfWidth = ui::RescaleFontHeight(choice.Font.lfWidth, Dpi(), system);
    choice.Color = static_cast<COLORREF>(SendMessageA(listView1_.Handle(), LVM_GETTEXTCOLOR, 0, 0));
    // Until a font colour is chosen the list draws in the system's text colour.
    if (choice.Color == CLR_DEFAULT) choice.Color = GetSysColor(COLOR_WINDOWTEXT);
    if (!ui::Dialogs().PickFont(Handle(), choice)) return;
    choice.Font.lfHeight = ui::RescaleFontHeight(choice.Font.lfHeight, system, Dpi());
    choice.Font.lfWidth = ui::RescaleFontHeight(choice.Font.lfWidth, system, Dpi());
    SetListsFont(choice.Font);
    SendMessageA(listView1_.Handle(), LVM_SETTEXTCOLOR, 0, choice.Color);
    InvalidateRect(listView1_.Handle(), nullptr, TRUE);
    // The add-files dialog's DirTree1, AddListView1 and AddListView2 take font and colour
    // here too.
}

void TMainForm::BackgroundColor1Click() {
    COLORREF color = settings::ToColorRef(listColor_);
    if (color == CLR_NONE) color = GetSysColor(COLOR_WINDOW);
    if (!ui::Dialogs().PickColor(Handle(), color)) return;
    SetListsColor(static_cast<settings::Color>(color & 0xFFFFFF));
}

void TMainForm::GridLines1Click() {
    ui::MenuItem item(mainMenu_, IDM_GRIDLINES);
    item.SetChecked(!item.Checked());
    listView1_.SetExtendedStyle(LVS_EX_GRIDLINES, item.Checked() ? LVS_EX_GRIDLINES : 0);
}

void TMainForm::SaveSettings1Click() {
    settings::ListAppearance look;
    look.GridLines = (listView1_.ExtendedStyle() & LVS_EX_GRIDLINES) != 0;
    look.FontName = ListFont().lfFaceName;
    look.Background = listColor_;
    settings::WriteAppearance(*iniFile_, look);
}

void TMainForm::SaveColumnwidth1Click() {
    settings::ColumnWidths widths;
    for (int i = 0; i < settings::kColumnCount; ++i)
        widths[i] = ui::ScaleFromDpi(listView1_.ColumnWidth(i), Dpi());
    settings::WriteColumnWidths(*iniFile_, widths);
}

void TMainForm::Savewindowpos1Click() {
    RECT r;
    GetWindowRect(Handle(), &r);
    const auto design = [this](LONG v) { return ui::ScaleFromDpi(v, Dpi()); };
    settings::WriteWindowBounds(*iniFile_, {design(r.left), design(r.top), design(r.right - r.left),
                                            design(r.bottom - r.top)});
}
