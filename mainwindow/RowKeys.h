// Row keys: one text line per archive entry, on which both sorting and display work.
//
// A key is the stored name, a NUL byte, then "@1" date-time "@2" packed size "@3" size,
// optionally followed by a second NUL and the name the member stands for in UTF-8 (what
// the list shows and sorts by). A stored name never holds a NUL (the reader cuts names
// there), so the markers are found after the first NUL and a name containing "@1" cannot
// be mistaken for them. The stored name stays what operations name the member by.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ZipDirEntry;

namespace contents {

std::string MakeRowKey(const std::string& name, std::int32_t dateTime, std::uint64_t compressed,
                       std::uint64_t uncompressed, const std::string& displayUtf8 = {});
// With the entry's 64-bit sizes and its decoded name.
std::string MakeRowKey(const ZipDirEntry& entry);

struct RowFields {
    std::string name;    // as stored
    std::string display; // UTF-8; the stored name taken as ANSI when the key has none
    std::int32_t dateTime = 0;
    std::uint64_t compressed = 0;
    std::uint64_t uncompressed = 0;
};
// False when the line is not a well-formed row key.
bool ParseRowKey(const std::string& key, RowFields& out);
// The same without copying: views into the key. shown is empty when the key carries no
// shown name (the stored name is then shown, taken as ANSI).
struct RowView {
    std::string_view name;
    std::string_view shown;
    std::int32_t dateTime = 0;
    std::uint64_t compressed = 0;
    std::uint64_t uncompressed = 0;
};
bool ParseRowKey(std::string_view key, RowView& out);
// The name part of a row key (the whole line when it has no NUL).
std::string_view RowKeyName(const std::string& key);
// The shown name of a row key as UTF-8 (see RowFields::display).
std::string RowKeyDisplayName(const std::string& key);
// The same without a copy where it can: a view into the key, or into scratch when the
// stored name had to be converted from the ANSI code page.
std::string_view RowKeyShownName(const std::string& key, std::string& scratch);
// The same for a row key already parsed.
std::string_view RowKeyShownName(const RowView& row, std::string& scratch);

// Calls work(i) for every i below count; a long list is shared out among the processors,
// so work must only touch what belongs to its i.
void ForEachIndex(size_t count, const std::function<void(size_t)>& work);

// Order names: negative, zero or positive like strcmp.
using NameCompare = std::function<int(std::string_view, std::string_view)>;
// The user's locale order of two UTF-8 names, ignoring case (CompareStringW).
int LocaleCompareNames(std::string_view a, std::string_view b);

// Sorts the rows by their shown names (quicksort, not stable).
void SortRowsByName(std::vector<std::string>& rows, const NameCompare& compare);
// The same order as sorting with LocaleCompareNames, computed from the locale's sort keys
// (one per row) instead of one locale comparison per step: much faster on large archives.
void SortRowsByLocaleName(std::vector<std::string>& rows);
// Makes rows 0..count-1 with makeRow (on several threads for a long list: it must be safe to
// call from any thread) and sorts them as SortRowsByLocaleName does, in one pass.
void MakeSortedRowKeys(std::vector<std::string>& rows, size_t count,
                       const std::function<std::string(size_t)>& makeRow);
// Sorts rows[l..r] ascending by the integer values of sortKeys[l..r], moving both lists.
void SortRowsByKey(std::vector<std::string>& sortKeys, std::vector<std::string>& rows, int l,
                   int r);
// Fills sortKeys with one decimal text per row for "@3", "@1", "@2" or "ratio" and returns
// the name of the resulting order ("Size", "Date", "UncopressedSize", "ratio"); empty for
// an unknown key.
std::string ExtractSortKeys(const std::vector<std::string>& rows, const std::string& key,
                            std::vector<std::string>& sortKeys);
void ReverseRowList(std::vector<std::string>& rows);

} // namespace contents
