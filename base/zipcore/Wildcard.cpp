#include "base/zipcore/Wildcard.h"

namespace zipcore {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Bytes of the character at `at`: a whole UTF-8 sequence, so '?' stands for one letter of
// a UTF-8 name; any other byte is a character of its own.
size_t CharLength(std::string_view s, size_t at) {
    const auto lead = static_cast<unsigned char>(s[at]);
    const size_t n = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (n == 1 || lead >= 0xF8 || s.size() - at < n) return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[at + k]) & 0xC0) != 0x80) return 1;
    return n;
}

// Classic greedy match with one backtrack point: linear memory, no recursion.
bool Glob(std::string_view mask, std::string_view name) {
    size_t m = 0, n = 0;
    size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += CharLength(name, n);
        } else if (m < mask.size() && Lower(mask[m]) == Lower(name[n])) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            starName += CharLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        if (slash > start) parts.emplace_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

} // namespace

bool MatchMask(std::string_view mask, std::string_view name) {
    if (Glob(mask, name)) return true;
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*")
        return Glob(mask.substr(0, mask.size() - 2), name);
    return false;
}

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

std::string NormalizeMemberPath(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        c = (c == '\\') ? '/' : Lower(c);
    return out;
}

NameSelector::NameSelector(const std::vector<std::string>& specs) : specCount_(specs.size()) {
    selectAll_ = specs.empty();
    for (size_t i = 0; i < specs.size(); ++i) {
        std::string fileSpec = NormalizeMemberPath(specs[i]);
        if (fileSpec.empty()) continue;
        if (!HasWildcards(fileSpec)) {
            if (fileSpec.back() == '/') {
                prefixes_.push_back({i, fileSpec});
            } else {
                exact_[fileSpec].push_back(i);
                exact_[fileSpec + "/"].push_back(i); // the folder entry of that name
            }
            continue;
        }
        std::vector<std::string> parts = SplitPath(fileSpec);
        if (parts.empty()) continue;
        Mask mask{i, {}, parts.back(), fileSpec.find('/') == std::string::npos};
        parts.pop_back();
        mask.folders = std::move(parts);
        if (mask.anyDepth && (mask.name == "*" || mask.name == "*.*")) selectAll_ = true;
        masks_.push_back(std::move(mask));
    }
}

bool NameSelector::Selects(std::string_view memberName, std::vector<bool>* used) const {
    if (selectAll_ && !used) return true;
    bool selected = selectAll_;
    std::string path = NormalizeMemberPath(memberName);

    auto mark = [&](size_t index) {
        selected = true;
        if (used && index < used->size()) (*used)[index] = true;
    };

    if (auto it = exact_.find(path); it != exact_.end())
        for (size_t index : it->second)
            mark(index);
    for (const Prefix& p : prefixes_)
        if (path.compare(0, p.folder.size(), p.folder) == 0) mark(p.index);

    if (!masks_.empty()) {
        std::vector<std::string> parts = SplitPath(path);
        if (!parts.empty()) {
            const std::string& last = parts.back();
            for (const Mask& m : masks_) {
                if (!MatchMask(m.name, last)) continue;
                if (!m.anyDepth) {
                    if (m.folders.size() > parts.size() - 1) continue;
                    bool ok = true;
                    for (size_t k = 0; k < m.folders.size() && ok; ++k)
                        ok = MatchMask(m.folders[k], parts[k]);
                    if (!ok) continue;
                }
                mark(m.index);
            }
        }
    }
    return selected;
}

} // namespace zipcore
