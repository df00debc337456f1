#include "mainwindow/RowKeys.h"

#include "base/MemberNames.h"
#include "engine/EntryName.h"
#include "engine/ZipTypes.h"
#include "mainwindow/SortKeys.h"
#include "mainwindow/TextFormat.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <exception>
#include <thread>

namespace contents {

namespace {

bool ParseInt(std::string_view text, std::int64_t& out) {
    if (text.empty()) return false;
    auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

std::int64_t IntValue(const std::string& text) {
    std::int64_t v = 0;
    ParseInt(text, v);
    return v;
}

// The processors a long list is shared out among.
size_t Workers() {
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
}

// Runs part(0) .. part(parts - 1), each on a thread of its own but the first, which runs
// here; returns when all are done, rethrowing what a part threw.
void RunParts(size_t parts, const std::function<void(size_t)>& part) {
    std::vector<std::exception_ptr> errors(parts);
    auto guarded = [&](size_t p) {
        try {
            part(p);
        } catch (...) {
            errors[p] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (size_t p = 1; p < parts; ++p)
        helpers.emplace_back(guarded, p);
    guarded(0);
    for (std::thread& t : helpers)
        t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

// One Hoare partition of [l, r] around the middle element's value: afterwards [l, j] holds
// no value above the pivot and [i, r] none below it.
template <class ValueAt, class Less, class Swap>
void Partition(int l, int r, const ValueAt& at, const Less& less, const Swap& swap, int& i,
               int& j) {
    i = l;
    j = r;
    const auto pivot = at((l + r) / 2);
    do {
        while (less(at(i), pivot))
            ++i;
        while (less(pivot, at(j)))
            --j;
        if (i <= j) {
            if (i != j) swap(i, j);
            ++i;
            --j;
        }
    } while (i <= j);
}

// Hoare quicksort with the middle element's value as pivot, as used for every column.
// Recurses into the smaller part so that the stack stays shallow on any input.
template <class ValueAt, class Less, class Swap>
void QuickSort(int l, int r, const ValueAt& at, const Less& less, const Swap& swap) {
    while (l < r) {
        int i, j;
        Partition(l, r, at, less, swap, i, j);
        if (j - l < r - i) {
            if (l < j) QuickSort(l, j, at, less, swap);
            l = i;
        } else {
            if (i < r) QuickSort(i, r, at, less, swap);
            r = j;
        }
    }
}

// The same order on several processors: the first partitions are made here, then the
// parts, which no longer share an element, are sorted by as many threads. The parts are
// the ranges the sequential sort would come to, so the result is the same to the element.
template <class ValueAt, class Less, class Swap>
void ParallelQuickSort(int l, int r, const ValueAt& at, const Less& less, const Swap& swap) {
    const size_t threads = Workers();
    if (threads < 2 || r - l < 8192) {
        QuickSort(l, r, at, less, swap);
        return;
    }
    std::vector<std::pair<int, int>> parts{{l, r}};
    while (parts.size() < 2 * threads) {
        // Split the largest part; a part too small to be worth a thread is left whole.
        auto largest = std::max_element(parts.begin(), parts.end(), [](auto& a, auto& b) {
            return a.second - a.first < b.second - b.first;
        });
        if (largest->second - largest->first < 4096) break;
        const auto [from, to] = *largest;
        int i, j;
        Partition(from, to, at, less, swap, i, j);
        *largest = {from, j};
        parts.emplace_back(i, to);
    }
    std::atomic<size_t> next{0};
    RunParts(threads, [&](size_t) {
        for (size_t p; (p = next++) < parts.size();)
            if (parts[p].first < parts[p].second)
                QuickSort(parts[p].first, parts[p].second, at, less, swap);
    });
}

} // namespace

std::string MakeRowKey(const std::string& name, std::int32_t dateTime, std::uint64_t compressed,
                       std::uint64_t uncompressed, const std::string& displayUtf8) {
    // The part after the name is made on the stack, so each key is one allocation. Three
    // fields of at most 2 + 20 characters and the NUL fit.
    char numbers[72];
    size_t length = 0;
    numbers[length++] = '\0';
    const auto field = [&](char marker, auto value) {
        char digits[24];
        const char* last = std::to_chars(digits, digits + sizeof digits, value).ptr;
        numbers[length++] = '@';
        numbers[length++] = marker;
        for (const char* d = digits; d != last; ++d)
            numbers[length++] = *d;
    };
    field('1', dateTime);
    field('2', compressed);
    field('3', uncompressed);
    std::string key;
    key.reserve(name.size() + length + (displayUtf8.empty() ? 0 : 1 + displayUtf8.size()));
    key.append(name).append(numbers, length);
    if (!displayUtf8.empty()) key.append(1, '\0').append(displayUtf8);
    return key;
}

namespace {

// True when an extra field may hold a Unicode Path block, the one thing that can give an
// ASCII name another meaning.
bool MayNameUnicodePath(const std::string& extra) {
    for (size_t i = 0; i + 4 <= extra.size();) {
        const unsigned id =
            static_cast<unsigned char>(extra[i]) | static_cast<unsigned char>(extra[i + 1]) << 8;
        const unsigned length = static_cast<unsigned char>(extra[i + 2]) |
                                static_cast<unsigned char>(extra[i + 3]) << 8;
        if (id == zipcore::kUnicodePathExtraId) return true;
        i += 4 + length;
    }
    return false;
}

} // namespace

std::string MakeRowKey(const ZipDirEntry& e) {
    // A key carries a shown name only where it differs from the stored one.
    std::string shown;
    if (!kname::IsAscii(e.FileName) || MayNameUnicodePath(e.ExtraField) ||
        MayNameUnicodePath(e.CentralExtraField)) {
        shown = EntryDisplayNameUtf8(e);
        if (shown == e.FileName && kname::IsAscii(shown)) shown.clear();
    }
    return MakeRowKey(e.FileName, static_cast<std::int32_t>(e.DateTime), e.CompressedSize64,
                      e.UncompressedSize64, shown);
}

namespace {

// A stored name that the key carries no shown name for: ASCII as it is, anything else taken
// in the ANSI code page of the user's locale.
std::string_view StoredNameShown(std::string_view name, std::string& scratch) {
    if (kname::IsAscii(name)) return name;
    scratch = kname::Narrow(kname::Widen(name, kname::AnsiLegacyCodePage()), CP_UTF8);
    return scratch;
}

} // namespace

std::string_view RowKeyName(const std::string& key) {
    return std::string_view(key).substr(0, kname::FindByte(key, '\0'));
}

std::string_view RowKeyShownName(const std::string& key, std::string& scratch) {
    const size_t first = kname::FindByte(key, '\0');
    const size_t second =
        first == std::string::npos ? first : kname::FindByte(key, '\0', first + 1);
    if (second != std::string::npos) return std::string_view(key).substr(second + 1);
    return StoredNameShown(RowKeyName(key), scratch);
}

std::string_view RowKeyShownName(const RowView& row, std::string& scratch) {
    return row.shown.empty() ? StoredNameShown(row.name, scratch) : row.shown;
}

std::string RowKeyDisplayName(const std::string& key) {
    std::string scratch;
    return std::string(RowKeyShownName(key, scratch));
}

bool ParseRowKey(std::string_view key, RowView& out) {
    const size_t nul = kname::FindByte(key, '\0');
    if (nul == std::string_view::npos) return false;
    // After the name: "@1" date-time "@2" packed "@3" size, each a whole decimal number (a
    // number holds no '@', so reading them in turn finds the markers a search would), then
    // the end or a NUL and the shown name.
    const char* at = key.data() + nul + 1;
    const char* const end = key.data() + key.size();
    std::int64_t values[3] = {};
    for (int field = 0; field < 3; ++field) {
        if (end - at < 2 || at[0] != '@' || at[1] != '1' + field) return false;
        at += 2;
        const auto r = std::from_chars(at, end, values[field]);
        if (r.ec != std::errc() || r.ptr == at) return false;
        at = r.ptr;
    }
    if (at != end && *at != '\0') return false;
    out.shown = at == end ? std::string_view() : std::string_view(at + 1, end - at - 1);
    const std::int64_t dt = values[0], c = values[1], u = values[2];
    if (dt < INT32_MIN || dt > INT32_MAX || c < 0 || u < 0) return false;
    out.name = key.substr(0, nul);
    out.dateTime = static_cast<std::int32_t>(dt);
    out.compressed = static_cast<std::uint64_t>(c);
    out.uncompressed = static_cast<std::uint64_t>(u);
    return true;
}

bool ParseRowKey(const std::string& key, RowFields& out) {
    RowView view;
    if (!ParseRowKey(std::string_view(key), view)) return false;
    out.name.assign(view.name);
    out.display = RowKeyDisplayName(key);
    out.dateTime = view.dateTime;
    out.compressed = view.compressed;
    out.uncompressed = view.uncompressed;
    return true;
}

void ForEachIndex(size_t count, const std::function<void(size_t)>& work) {
    const size_t parts = count < 4096 ? 1 : Workers();
    RunParts(parts, [&](size_t p) {
        for (size_t i = count * p / parts, to = count * (p + 1) / parts; i < to; ++i)
            work(i);
    });
}

int LocaleCompareNames(std::string_view a, std::string_view b) {
    const std::wstring wa = kname::Widen(a, CP_UTF8), wb = kname::Widen(b, CP_UTF8);
    int r = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wa.data(),
                           static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()));
    return r == 0 ? 0 : r - CSTR_EQUAL;
}

namespace {

// Sorts the rows by one precomputed key per row, then moves each row once. The keys travel
// with their row numbers, so each comparison reads one array. threads only for a comparison
// that any thread may call.
template <class Key, class Less>
void SortRowsByRowKey(std::vector<std::string>& rows, const std::vector<Key>& keys, Less less,
                      bool threads) {
    if (rows.size() < 2) return;
    std::vector<std::pair<Key, int>> order(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        order[i] = {keys[i], static_cast<int>(i)};
    const auto at = [&](int i) -> const Key& { return order[i].first; };
    const auto swap = [&](int x, int y) { std::swap(order[x], order[y]); };
    if (threads)
        ParallelQuickSort(0, static_cast<int>(rows.size()) - 1, at, less, swap);
    else
        QuickSort(0, static_cast<int>(rows.size()) - 1, at, less, swap);
    std::vector<std::string> sorted;
    sorted.reserve(rows.size());
    for (const auto& entry : order)
        sorted.push_back(std::move(rows[entry.second]));
    rows.swap(sorted);
}

} // namespace

void SortRowsByName(std::vector<std::string>& rows, const NameCompare& compare) {
    std::vector<std::string> names;
    names.reserve(rows.size());
    for (const std::string& row : rows)
        names.push_back(RowKeyDisplayName(row));
    SortRowsByRowKey(
        rows, names, [&](std::string_view a, std::string_view b) { return compare(a, b) < 0; },
        false);
}

namespace {

// Unsigned bytewise order of two keys, as std::string_view's, four bytes at a step: the
// runtime's memcmp under Wine goes byte by byte, and sort keys share long beginnings.
bool BytesLess(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint32_t x, y;
        std::memcpy(&x, a.data() + i, 4);
        std::memcpy(&y, b.data() + i, 4);
        if (x != y) return __builtin_bswap32(x) < __builtin_bswap32(y);
    }
    for (; i < n; ++i)
        if (a[i] != b[i])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return a.size() < b.size();
}

// A sort key without the beginning all keys share, with its next eight bytes as a number
// (missing bytes count as 0, below every byte, as a shorter key is below a longer one).
struct PrefixedKey {
    std::uint64_t head = 0;
    std::string_view rest;
};

bool PrefixedLess(const PrefixedKey& a, const PrefixedKey& b) {
    if (a.head != b.head) return a.head < b.head;
    return BytesLess(a.rest, b.rest);
}

// Appends the locale's sort key of a row's shown name to arena (without the closing NUL).
void AppendSortKey(const NameSortKeys& keys, const std::string& row, std::wstring& wide,
                   std::vector<char>& arena) {
    std::string scratch;
    keys.Append(RowKeyShownName(row, scratch), wide, arena);
}

} // namespace

void SortRowsByLocaleName(std::vector<std::string>& rows) {
    MakeSortedRowKeys(rows, rows.size(), nullptr);
}

void MakeSortedRowKeys(std::vector<std::string>& rows, size_t count,
                       const std::function<std::string(size_t)>& makeRow) {
    // LCMapString's sort keys compare bytewise (unsigned) exactly as CompareString compares
    // the texts, so one key per row replaces a locale comparison per step. Making the keys
    // is most of the work; large lists share it out among the processors, and a row made
    // on the way has its sort key made while it is still in the cache.
    if (makeRow) {
        rows.clear();
        rows.resize(count);
    }
    if (count < 2) {
        if (count == 1 && makeRow) rows[0] = makeRow(0);
        return;
    }
    const bool large = count >= 4096;
    const std::shared_ptr<const NameSortKeys> keysHeld =
        large ? NameSortKeys::OfUserLocale() : std::make_shared<const NameSortKeys>(false);
    const NameSortKeys& keys = *keysHeld;
    const size_t parts = large ? Workers() : 1;
    struct Part {
        std::vector<char> arena;
        std::vector<size_t> ends; // per row of the part: where its key ends in arena
    };
    std::vector<Part> work(parts);
    auto make = [&](size_t p) {
        Part& part = work[p];
        std::wstring wide;
        const size_t from = count * p / parts, to = count * (p + 1) / parts;
        part.arena.reserve((to - from) * 80);
        part.ends.reserve(to - from);
        for (size_t i = from; i < to; ++i) {
            if (makeRow) rows[i] = makeRow(i);
            AppendSortKey(keys, rows[i], wide, part.arena);
            part.ends.push_back(part.arena.size());
        }
    };
    RunParts(parts, make);
    std::vector<std::string_view> whole;
    whole.reserve(count);
    for (const Part& part : work) {
        size_t start = 0;
        for (size_t end : part.ends) {
            whole.emplace_back(part.arena.data() + start, end - start);
            start = end;
        }
    }
    // Names in one archive mostly begin alike ("project/src/..."): the bytes every key begins
    // with decide nothing, and the eight after them, kept as one number beside the key, decide
    // most comparisons without reading the key. The order is BytesLess's to the element.
    size_t common = whole[0].size();
    for (const std::string_view key : whole) {
        size_t k = 0;
        while (k < common && k < key.size() && key[k] == whole[0][k])
            ++k;
        common = k;
    }
    std::vector<PrefixedKey> sortKeys(count);
    for (size_t i = 0; i < count; ++i) {
        const std::string_view rest = whole[i].substr(common);
        std::uint64_t head = 0;
        for (size_t k = 0; k < 8; ++k)
            head = head << 8 | (k < rest.size() ? static_cast<unsigned char>(rest[k]) : 0u);
        sortKeys[i] = {head, rest};
    }
    SortRowsByRowKey(rows, sortKeys, PrefixedLess, true);
}

void SortRowsByKey(std::vector<std::string>& sortKeys, std::vector<std::string>& rows, int l,
                   int r) {
    if (l < 0 || r >= static_cast<int>(sortKeys.size()) || r >= static_cast<int>(rows.size()) ||
        l >= r)
        return;
    std::vector<std::int64_t> values(sortKeys.size());
    for (int i = l; i <= r; ++i)
        values[i] = IntValue(sortKeys[i]);
    QuickSort(
        l, r, [&](int i) { return values[i]; },
        [](std::int64_t a, std::int64_t b) { return a < b; },
        [&](int x, int y) {
            std::swap(values[x], values[y]);
            std::swap(sortKeys[x], sortKeys[y]);
            std::swap(rows[x], rows[y]);
        });
}

std::string ExtractSortKeys(const std::vector<std::string>& rows, const std::string& key,
                            std::vector<std::string>& sortKeys) {
    std::string order;
    if (key == "@3")
        order = "Size";
    else if (key == "@1")
        order = "Date";
    else if (key == "@2")
        order = "UncopressedSize";
    else if (key == "ratio")
        order = "ratio";
    else
        return {};
    sortKeys.clear();
    sortKeys.reserve(rows.size());
    for (const std::string& row : rows) {
        RowFields f;
        if (!ParseRowKey(row, f)) {
            sortKeys.push_back("0");
        } else if (key == "@3") {
            sortKeys.push_back(std::to_string(f.uncompressed));
        } else if (key == "@1") {
            // A DOS date-time orders as an unsigned number (the year is its top seven bits);
            // taken as signed, the years from 2044 on would come before 1980.
            sortKeys.push_back(std::to_string(static_cast<std::uint32_t>(f.dateTime)));
        } else if (key == "@2") {
            sortKeys.push_back(std::to_string(f.compressed));
        } else {
            sortKeys.push_back(std::to_string(Ratio(f.compressed, f.uncompressed)));
        }
    }
    return order;
}

void ReverseRowList(std::vector<std::string>& rows) {
    std::reverse(rows.begin(), rows.end());
}

} // namespace contents
