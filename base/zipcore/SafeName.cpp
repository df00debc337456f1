#include "base/zipcore/SafeName.h"

#include <array>
#include <vector>

namespace zipcore {

namespace {

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

bool IsDeviceName(std::string_view component) {
    // Windows ignores the extension and trailing spaces when it recognises a device.
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    if (base.size() > 7) return false; // longer than CONOUT$ and COM with a superscript digit
    std::string upper;
    for (char c : base)
        upper.push_back(Upper(c));
    static constexpr std::array<std::string_view, 6> kFixed = {"CON", "PRN",    "AUX",
                                                               "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view d : kFixed)
        if (upper == d) return true;
    if (!upper.starts_with("COM") && !upper.starts_with("LPT")) return false;
    const std::string_view number = std::string_view(upper).substr(3);
    if (number.size() == 1) return number[0] >= '1' && number[0] <= '9';
    // Windows counts the superscript digits one, two and three (UTF-8) as port numbers too.
    return number == "\xC2\xB9" || number == "\xC2\xB2" || number == "\xC2\xB3";
}

namespace {

SafePath Refuse(std::string reason) {
    SafePath r;
    r.reason = std::move(reason);
    return r;
}

} // namespace

std::string CheckComponent(std::string_view component) {
    if (component == "..") return "it contains a \"..\" folder";
    for (char ch : component) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) return "it contains a control character";
        switch (ch) { // a switch, not a search: every character of every member passes here
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
        case '?':
        case '*':
            return std::string("it contains the character '") + ch + "' that Windows forbids";
        default:
            break;
        }
    }
    if (component.back() == '.' || component.back() == ' ')
        return "a part of it ends with a dot or a space";
    if (IsDeviceName(component)) return "it names a device (" + std::string(component) + ")";
    return {};
}

SafePath MakeSafePath(std::string_view memberName, char separator, bool keepFolders) {
    if (memberName.empty()) return Refuse("the name is empty");
    std::string name(memberName);
    for (char& c : name)
        if (c == '\\') c = '/';
    if (name.starts_with("//")) return Refuse("it is a network (UNC) or device path");
    if (name[0] == '/') return Refuse("it is an absolute path");
    if (name.size() >= 2 && name[1] == ':') return Refuse("it starts with a drive letter");

    SafePath result;
    result.directory = name.back() == '/';
    result.path.reserve(name.size());
    std::vector<std::string_view> parts;
    parts.reserve(16);
    std::string_view rest(name);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
        if (part.empty() || part == ".") continue;
        if (std::string why = CheckComponent(part); !why.empty()) return Refuse(why);
        parts.push_back(part);
    }
    if (parts.empty()) {
        if (result.directory) {
            result.ok = true;
            return result;
        }
        return Refuse("the name has no file or folder part");
    }

    if (!keepFolders) parts.erase(parts.begin(), parts.end() - 1);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) result.path.push_back(separator);
        result.path.append(parts[i]);
    }
    result.ok = true;
    return result;
}

} // namespace zipcore
