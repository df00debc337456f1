#include "dlls/zipeng/StoredName.h"

#include <vector>

namespace zipeng {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Skips the parts of an absolute path that cannot be part of a stored name.
std::string_view StripRoot(std::string_view path) {
    auto starts = [&](std::string_view prefix) {
        if (path.size() < prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i) {
            const char a = path[i], b = prefix[i];
            if (IsSeparator(b) ? !IsSeparator(a) : (a | 0x20) != (b | 0x20)) return false;
        }
        return true;
    };
    bool unc = false;
    if (starts("\\\\?\\unc\\")) {
        path.remove_prefix(8);
        unc = true;
    } else if (starts("\\\\?\\") || starts("\\\\.\\")) {
        path.remove_prefix(4);
    } else if (starts("\\\\")) {
        path.remove_prefix(2);
        unc = true;
    }
    if (unc) {
        // Server and share name.
        for (int part = 0; part < 2; ++part) {
            size_t i = 0;
            while (i < path.size() && !IsSeparator(path[i]))
                ++i;
            path.remove_prefix(i < path.size() ? i + 1 : i);
        }
    }
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        path.remove_prefix(2);
    return path;
}

bool IsDosNameChar(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!#$%&'()-@^_`{}~").find(static_cast<char>(c)) !=
           std::string_view::npos;
}

std::string DosPart(std::string_view part, size_t limit) {
    std::string out;
    for (char ch : part) {
        if (out.size() == limit) break;
        auto c = static_cast<unsigned char>(ch);
        if (c == ' ') continue;
        // Names are UTF-8: a letter outside ASCII becomes one '_' (at its lead byte), so the
        // 8.3 name stays plain ASCII, the same in every code page.
        if ((c & 0xC0) == 0x80) continue;
        if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
        out.push_back(IsDosNameChar(c) ? static_cast<char>(c) : '_');
    }
    return out;
}

} // namespace

std::string DosName(std::string_view component) {
    while (!component.empty() && component.front() == '.')
        component.remove_prefix(1);
    std::string_view base = component, ext;
    if (const size_t dot = component.rfind('.'); dot != std::string_view::npos) {
        base = component.substr(0, dot);
        ext = component.substr(dot + 1);
    }
    std::string name = DosPart(base, 8);
    if (name.empty()) name.push_back('_');
    const std::string extension = DosPart(ext, 3);
    if (!extension.empty()) name += "." + extension;
    return name;
}

std::string StoredNameFromPath(std::string_view path, const NameOptions& options) {
    path = StripRoot(path);
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i])) continue;
        const std::string_view part = path.substr(start, i - start);
        // ".." takes back the folder before it; above the start there is nothing to climb to.
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = i + 1;
    }
    if (options.junkDirNames && parts.size() > 1) parts.erase(parts.begin(), parts.end() - 1);
    std::string name;
    for (const std::string_view part : parts) {
        if (!name.empty()) name.push_back('/');
        name += options.forceDos ? DosName(part) : std::string(part);
    }
    return name;
}

} // namespace zipeng
