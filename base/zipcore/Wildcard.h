// Masks with '*' and '?' as Windows users know them, and the selection of archive members
// by a list of names and masks (extract, test, delete).
//
// How a name or mask selects members (names compare case-insensitively, '\' counts as '/'):
//  - no wildcard: the member with exactly that path ("docs/a.txt"); a name ending in '/'
//    ("docs/") selects that folder and everything below it; "docs" also selects a folder
//    entry "docs/" itself.
//  - a mask without '/' ("*.txt", "*.*", "*", "read?e.*") is matched against the file name
//    (last path component) of every member at any depth, so "*.*" and "*" select all.
//  - a mask with '/' ("docs/*.txt", "src/*/*.h") anchors at the archive root: its folder part
//    is matched component by component against the start of the member's folder, and its last
//    part against the file name; so "docs/*.txt" selects the .txt files in docs and in folders
//    below docs, as `dir /s docs\*.txt` would list them.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zipcore {

// Matches one whole string against a mask: '*' any run of characters, '?' exactly one,
// ASCII letters compare case-insensitively. A mask ending in ".*" also matches the names
// without that extension, so "*.*" matches every name, also "README", and "a.*" matches "a".
bool MatchMask(std::string_view mask, std::string_view name);

// True when the text holds '*' or '?'.
bool HasWildcards(std::string_view text);

// A list of names and masks (see above). An empty list selects every member.
class NameSelector {
public:
    explicit NameSelector(const std::vector<std::string>& specs);

    // Whether any entry of the list selects the member. When `used` is given (sized like the
    // list), marks every entry that selects it.
    bool Selects(std::string_view memberName, std::vector<bool>* used = nullptr) const;

    size_t Count() const { return specCount_; }
    bool SelectsAll() const { return selectAll_; }

private:
    struct Mask {
        size_t index;
        std::vector<std::string> folders; // folder components, each a mask
        std::string name;                 // mask for the last component
        bool anyDepth;                    // no folder part: the name may be at any depth
    };
    struct Prefix {
        size_t index;
        std::string folder; // lower case, ends with '/'
    };

    size_t specCount_ = 0;
    bool selectAll_ = false;
    std::unordered_map<std::string, std::vector<size_t>> exact_; // lower-case path -> specs
    std::vector<Prefix> prefixes_;
    std::vector<Mask> masks_;
};

// Lower-case ASCII copy with '\' turned into '/': the form selection compares in.
std::string NormalizeMemberPath(std::string_view name);

} // namespace zipcore
