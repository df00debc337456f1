// What the program keeps in its settings file: every section and key with its default,
// read and written in the groups the program uses them in.
#pragma once

#include "settings/SharedState.h"
#include "settings/IniFile.h"
#include "settings/SettingsCodec.h"

#include <windows.h>

#include <array>
#include <optional>
#include <string>

namespace settings {

// The member list's columns in order, with their keys and start-up widths.
inline constexpr int kColumnCount = 6;
inline constexpr const char* kColumnKeys[kColumnCount] = {"File",  "Size",   "Time",
                                                          "Ratio", "Packed", "Path"};
inline constexpr int kColumnDefaults[kColumnCount] = {200, 80, 100, 60, 80, 300};
using ColumnWidths = std::array<int, kColumnCount>;
inline constexpr int kTimeColumn = 2;

// Outer bounds of the main window in screen pixels; -1 keeps the window's own value.
struct WindowBounds {
    int Left = -1;
    int Top = -1;
    int Width = -1;
    int Height = -1;
};

// How the lists look: grid lines, the font's name and the background colour.
struct ListAppearance {
    bool GridLines = false;
    std::string FontName = "Arial";
    Color Background = clWindow;
};

// A stored background colour; Error holds the message when the text was not a colour, and
// Background is then the default.
struct ColorSetting {
    Color Background = clWindow;
    std::string Error;
};

// "Options" and "Browsers": the flags and the download folder.
inline constexpr char kOptionsSection[] = "Options";
inline constexpr char kBrowsersSection[] = "Browsers";
void ReadOptions(const IniFile& ini, kelvora::InMemorySettings& out);
void WriteOptions(IniFile& ini, const kelvora::InMemorySettings& in);

// The add-files dialog's bars where the user left them, at 96 DPI: the left pane's width and
// the tree's height ("Window", "AddFilesLeft" and "AddFilesTree"); none when not stored.
struct AddFilesBars {
    int LeftWidth = 0;
    int TreeHeight = 0;
};
std::optional<AddFilesBars> ReadAddFilesBars(const IniFile& ini);
void WriteAddFilesBars(IniFile& ini, const AddFilesBars& bars);

WindowBounds ReadWindowBounds(const IniFile& ini);
void WriteWindowBounds(IniFile& ini, const WindowBounds& bounds);

// The design widths, as one array.
ColumnWidths DefaultColumnWidths();
// The stored widths; a key that is not there gives its entry of defaults.
ColumnWidths ReadColumnWidths(const IniFile& ini, const ColumnWidths& defaults);
ColumnWidths ReadColumnWidths(const IniFile& ini);
// The width a column gets when it is shown again: the stored one, or -1 (fit the contents)
// when none is stored or the stored one would keep it hidden.
int ReadColumnWidth(const IniFile& ini, const std::string& key);
void WriteColumnWidths(IniFile& ini, const ColumnWidths& widths);

bool ReadGridLines(const IniFile& ini);
std::string ReadFontName(const IniFile& ini);
ColorSetting ReadBackground(const IniFile& ini);
void WriteAppearance(IniFile& ini, const ListAppearance& look);

// "Last Files" 1 to 4; empty slots are written as empty values.
void ReadRecentArchives(const IniFile& ini, std::array<std::string, 4>& out);
void WriteRecentArchives(IniFile& ini, const std::array<std::string, 4>& in);

// The colour as drawn now: system colours become the system's current value; clNone is
// no colour at all (CLR_NONE).
COLORREF ToColorRef(Color color);

} // namespace settings
