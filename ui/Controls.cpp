#include "ui/Controls.h"

namespace ui {

std::string MenuItem::Caption() const {
    char buf[512] = {};
    GetMenuStringA(menu_, id_, buf, sizeof buf, MF_BYCOMMAND);
    std::string s = buf;
    size_t tab = s.find('\t');
    return tab == std::string::npos ? s : s.substr(0, tab);
}

void MenuItem::SetCaption(const std::string& caption) {
    char buf[512] = {};
    GetMenuStringA(menu_, id_, buf, sizeof buf, MF_BYCOMMAND);
    std::string old = buf;
    size_t tab = old.find('\t');
    std::string text = caption + (tab == std::string::npos ? std::string() : old.substr(tab));
    MENUITEMINFOA mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_STRING;
    mi.dwTypeData = text.data();
    SetMenuItemInfoA(menu_, id_, FALSE, &mi);
}

} // namespace ui
