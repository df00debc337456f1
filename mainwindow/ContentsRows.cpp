#include "mainwindow/ContentsRows.h"

#include "base/MemberNames.h"
#include "mainwindow/RowKeys.h"
#include "mainwindow/TextFormat.h"

#include <algorithm>

namespace contents {
namespace {

std::wstring Wide(const std::string& ansi) {
    return kname::Widen(ansi, CP_ACP);
}

} // namespace

void ContentsRows::Clear() {
    rows_.clear();
    folders_.clear();
    iconByExtension_.clear();
    dateTexts_.clear(); // the date format may have changed since
}

int ContentsRows::IconFor(std::string_view shown, const std::string& extension) {
    // Asked by name alone, the shell decides the icon by the extension, so one question per
    // extension gives every row its icon. This keeps archives of 100,000 members quick to show.
    auto cached = iconByExtension_.find(extension);
    if (cached == iconByExtension_.end())
        cached = iconByExtension_.emplace(extension, icons_ ? icons_(shown) : 0).first;
    return cached->second;
}

namespace {

// What the threads work out for one key; the icon and folder are settled afterwards, in
// order, on one thread.
struct ParsedKey {
    bool listed = false;
    std::string extension; // lower-cased, with its dot
    std::string converted; // the shown name when the key's own bytes are not it
    std::string_view shown, path;
};

// Reads one key into its row's caption, numbers and stored name; false for a key that is not
// listed (does not convert, a folder entry, no file part).
bool ParseKey(const std::string& key, ParsedKey& parsed, ContentsRow& row) {
    RowView f;
    // A key that does not convert is left out rather than shown with wrong numbers.
    if (!ParseRowKey(std::string_view(key), f) || f.name.empty()) return false;
    if (f.name.back() == '/') return false; // folder entries are not listed
    // Shown: the name decoded as extraction decodes it; kept: the stored bytes.
    const std::string_view shown = RowKeyShownName(f, parsed.converted);
    // One walk from the end finds the last folder separator and the extension as the path
    // functions see it: behind the last '.', '\\' or ':' of the file name.
    size_t slash = std::string_view::npos, dot = std::string_view::npos;
    for (size_t k = shown.size(); k-- > 0;) {
        const char c = shown[k];
        if (c == '/') {
            slash = k;
            break;
        }
        if (dot == std::string_view::npos && (c == '\\' || c == ':')) dot = shown.size();
        if (c == '.' && dot == std::string_view::npos) dot = k;
    }
    const std::string_view file = slash == std::string_view::npos ? shown : shown.substr(slash + 1);
    if (file.empty()) return false;
    parsed.extension.assign(dot == std::string_view::npos || dot == shown.size()
                                ? std::string_view()
                                : shown.substr(dot));
    for (char& c : parsed.extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    parsed.shown = shown;
    parsed.path = slash == std::string_view::npos ? std::string_view() : shown.substr(0, slash + 1);
    row.Caption = kname::Widen(file, CP_UTF8);
    row.DateTime = f.dateTime;
    row.Compressed = f.compressed;
    row.Uncompressed = f.uncompressed;
    row.StoredName.assign(f.name);
    return true;
}

} // namespace

void ContentsRows::Build(std::span<const std::string> keys) {
    Clear();
    const size_t count = keys.size();
    // Parsing, decoding and the rows' own texts are most of the work: a long list shares them
    // out among the processors. Both vectors are made at full size first, so no element moves
    // while the threads work (a shown name may lie in its element's own string).
    std::vector<ParsedKey> parsed(count);
    rows_.resize(count);
    ForEachIndex(count,
                 [&](size_t i) { parsed[i].listed = ParseKey(keys[i], parsed[i], rows_[i]); });

    std::unordered_map<std::string, int> folderIndex;
    std::string folder;
    const std::string* lastExtension = nullptr;
    int lastFolder = -1, lastIcon = 0;
    size_t kept = 0;
    for (size_t i = 0; i < count; ++i) {
        const ParsedKey& p = parsed[i];
        if (!p.listed) continue;
        // Neighbours mostly share their extension.
        if (!lastExtension || p.extension != *lastExtension) {
            lastIcon = IconFor(p.shown, p.extension);
            lastExtension = &p.extension;
        }
        if (lastIcon < 0) continue;
        ContentsRow& row = rows_[kept];
        if (kept != i) row = std::move(rows_[i]);
        ++kept;
        row.ImageIndex = lastIcon;
        // Rows of one folder mostly follow each other: the last folder is tried first.
        if (lastFolder < 0 || p.path != folder) {
            folder.assign(p.path);
            auto [at, added] = folderIndex.emplace(folder, static_cast<int>(folders_.size()));
            if (added) folders_.push_back(kname::Widen(folder, CP_UTF8));
            lastFolder = at->second;
        }
        row.Folder = lastFolder;
    }
    rows_.resize(kept);
}

std::wstring ContentsRows::ColumnText(int index, int column) const {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return {};
    const ContentsRow& row = rows_[index];
    switch (column) {
    case 1:
        return Wide(FormatThousands(std::to_string(row.Uncompressed)));
    case 2: {
        auto date = dateTexts_.find(row.DateTime);
        if (date == dateTexts_.end())
            date = dateTexts_.emplace(row.DateTime, Wide(FormatDosDateTime(row.DateTime))).first;
        return date->second;
    }
    case 3:
        return Wide(std::to_string(Ratio(row.Compressed, row.Uncompressed)) + "%");
    case 4:
        return Wide(FormatThousands(std::to_string(row.Compressed)));
    case 5:
        return folders_[row.Folder];
    default:
        return row.Caption;
    }
}

std::wstring ContentsRows::ShownName(int row) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    return folders_[rows_[row].Folder] + rows_[row].Caption;
}

} // namespace contents
