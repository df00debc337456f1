#include "settings/SettingsStore.h"

#include <algorithm>
#include <iterator>

#include <commctrl.h>

namespace settings {

namespace {
const char kWindow[] = "Window";
const char kColumns[] = "Columns";
const char kSettings[] = "Settings";
const char kLastFiles[] = "Last Files";
} // namespace

void ReadOptions(const IniFile& ini, kelvora::InMemorySettings& out) {
    const kelvora::InMemorySettings d;
    out.AutoMove = ini.ReadBool(kOptionsSection, "AutoMove", d.AutoMove);
    out.DownloadDir = ini.ReadString(kOptionsSection, "DownloadDir", d.DownloadDir);
    out.Netscape = ini.ReadBool(kBrowsersSection, "Netscape", d.Netscape);
    out.IE = ini.ReadBool(kBrowsersSection, "IE", d.IE);
    out.AutoRun = ini.ReadBool(kOptionsSection, "AutoRun", d.AutoRun);
    out.AutoExit = ini.ReadBool(kOptionsSection, "AutoExit", d.AutoExit);
    out.AesEncryption = ini.ReadBool(kOptionsSection, "AesEncryption", d.AesEncryption);
}

void WriteOptions(IniFile& ini, const kelvora::InMemorySettings& in) {
    ini.WriteBool(kOptionsSection, "AutoMove", in.AutoMove);
    ini.WriteString(kOptionsSection, "DownloadDir", in.DownloadDir);
    ini.WriteBool(kOptionsSection, "AutoRun", in.AutoRun);
    ini.WriteBool(kOptionsSection, "AutoExit", in.AutoExit);
    ini.WriteBool(kOptionsSection, "AesEncryption", in.AesEncryption);
    ini.WriteBool(kBrowsersSection, "Netscape", in.Netscape);
    ini.WriteBool(kBrowsersSection, "IE", in.IE);
}

std::optional<AddFilesBars> ReadAddFilesBars(const IniFile& ini) {
    const AddFilesBars bars{ini.ReadInteger(kWindow, "AddFilesLeft", 0),
                            ini.ReadInteger(kWindow, "AddFilesTree", 0)};
    if (bars.LeftWidth <= 0 || bars.TreeHeight <= 0) return std::nullopt;
    return bars;
}

void WriteAddFilesBars(IniFile& ini, const AddFilesBars& bars) {
    ini.WriteInteger(kWindow, "AddFilesLeft", bars.LeftWidth);
    ini.WriteInteger(kWindow, "AddFilesTree", bars.TreeHeight);
}

WindowBounds ReadWindowBounds(const IniFile& ini) {
    WindowBounds b;
    b.Left = ini.ReadInteger(kWindow, "Left", -1);
    b.Top = ini.ReadInteger(kWindow, "Top", -1);
    b.Width = ini.ReadInteger(kWindow, "Width", -1);
    b.Height = ini.ReadInteger(kWindow, "Height", -1);
    return b;
}

void WriteWindowBounds(IniFile& ini, const WindowBounds& bounds) {
    ini.WriteInteger(kWindow, "Left", bounds.Left);
    ini.WriteInteger(kWindow, "Top", bounds.Top);
    ini.WriteInteger(kWindow, "Width", bounds.Width);
    ini.WriteInteger(kWindow, "Height", bounds.Height);
}

ColumnWidths ReadColumnWidths(const IniFile& ini, const ColumnWidths& defaults) {
    ColumnWidths w;
    for (int i = 0; i < kColumnCount; ++i)
        w[i] = ini.ReadInteger(kColumns, kColumnKeys[i], defaults[i]);
    return w;
}

ColumnWidths DefaultColumnWidths() {
    ColumnWidths defaults;
    std::copy(std::begin(kColumnDefaults), std::end(kColumnDefaults), defaults.begin());
    return defaults;
}

ColumnWidths ReadColumnWidths(const IniFile& ini) {
    return ReadColumnWidths(ini, DefaultColumnWidths());
}

int ReadColumnWidth(const IniFile& ini, const std::string& key) {
    const int width = ini.ReadInteger(kColumns, key, -1);
    return width == 0 ? -1 : width;
}

void WriteColumnWidths(IniFile& ini, const ColumnWidths& widths) {
    for (int i = 0; i < kColumnCount; ++i)
        ini.WriteInteger(kColumns, kColumnKeys[i], widths[i]);
}

bool ReadGridLines(const IniFile& ini) {
    return ini.ReadBool(kSettings, "GridLines", ListAppearance{}.GridLines);
}

std::string ReadFontName(const IniFile& ini) {
    return ini.ReadString(kSettings, "Font", ListAppearance{}.FontName);
}

ColorSetting ReadBackground(const IniFile& ini) {
    ColorSetting s;
    const std::string text = ini.ReadString(kSettings, "Color", ColorToString(s.Background));
    if (std::optional<Color> c = StringToColor(text))
        s.Background = *c;
    else
        s.Error = InvalidColorMessage(text);
    return s;
}

void WriteAppearance(IniFile& ini, const ListAppearance& look) {
    ini.WriteBool(kSettings, "GridLines", look.GridLines);
    ini.WriteString(kSettings, "Font", look.FontName);
    ini.WriteString(kSettings, "Color", ColorToString(look.Background));
}

void ReadRecentArchives(const IniFile& ini, std::array<std::string, 4>& out) {
    for (size_t n = 0; n < out.size(); ++n)
        out[n] = ini.ReadString(kLastFiles, std::to_string(n + 1), "");
}

void WriteRecentArchives(IniFile& ini, const std::array<std::string, 4>& in) {
    for (size_t n = 0; n < in.size(); ++n)
        ini.WriteString(kLastFiles, std::to_string(n + 1), in[n]);
}

COLORREF ToColorRef(Color color) {
    if (color == clNone) return CLR_NONE;
    if (IsSystemColor(color)) return GetSysColor(SystemColorIndex(color));
    return static_cast<COLORREF>(color & 0xFFFFFF);
}

} // namespace settings
