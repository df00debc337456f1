// The member list's rows, made from the sorted row keys without any window: each member's
// caption, icon, folder text, numbers and stored name, and the texts of its columns. The icon
// comes from a lookup the caller hands in (the shell's, in the program), asked once per
// extension.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace contents {

// One row of the member list: caption, icon and path in full Unicode (names as decoded), the
// numbers behind the other columns, and the stored name that operations name the member by.
// The columns' texts are made when the list asks for them, so a large archive is not
// formatted row by row before its first page shows.
struct ContentsRow {
    std::wstring Caption;
    int ImageIndex = 0;
    int Folder = 0; // one text per distinct path, see FolderText
    std::int32_t DateTime = 0;
    std::uint64_t Compressed = 0;
    std::uint64_t Uncompressed = 0;
    std::string StoredName;
};

class ContentsRows {
public:
    // The icon of a name as the list shows it (UTF-8); negative when there is none, and then
    // the member is not listed.
    using IconLookup = std::function<int(std::string_view shownName)>;

    explicit ContentsRows(IconLookup icons) : icons_(std::move(icons)) {}

    // Rows for these row keys, in their order. Folder entries, keys that do not convert and
    // names without a file part or an icon are left out.
    void Build(std::span<const std::string> keys);
    void Clear();

    const std::vector<ContentsRow>& Rows() const { return rows_; }
    // The text of one column (0 name, 1 size, 2 date, 3 ratio, 4 packed, 5 path) of a row;
    // empty for a row that is not there.
    std::wstring ColumnText(int row, int column) const;
    // The folder and name a row shows; empty for a row that is not there.
    std::wstring ShownName(int row) const;

private:
    int IconFor(std::string_view shown, const std::string& extension);

    IconLookup icons_;
    std::vector<ContentsRow> rows_;
    std::vector<std::wstring> folders_;
    std::unordered_map<std::string, int> iconByExtension_;
    mutable std::unordered_map<std::int32_t, std::wstring> dateTexts_; // one per stamp shown
};

} // namespace contents
