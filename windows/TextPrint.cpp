#include "windows/TextPrint.h"

#include <algorithm>
#include <stdexcept>

namespace textview {

std::vector<PrintPage> LayoutPages(std::wstring_view text, int linesPerPage,
                                   const std::function<size_t(std::wstring_view)>& fit) {
    linesPerPage = std::max(linesPerPage, 1);
    std::vector<PrintPage> pages(1);
    auto add = [&](size_t start, size_t length) {
        if (static_cast<int>(pages.back().size()) == linesPerPage) pages.emplace_back();
        pages.back().push_back({start, length});
    };
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(L'\r', pos);
        if (end == std::wstring_view::npos) end = text.size();
        // An empty line still takes its place; a final line break starts no line.
        const bool afterLastBreak = pos == text.size() && pos > 0;
        if (end == pos && !afterLastBreak) add(pos, 0);
        while (pos < end) {
            std::wstring_view rest = text.substr(pos, end - pos);
            // Always at least one character, so a page narrower than a letter still ends.
            size_t n = std::clamp<size_t>(fit(rest), 1, rest.size());
            if (n < rest.size()) {
                size_t space = rest.substr(0, n + 1).find_last_of(L' ');
                if (space != std::wstring_view::npos && space > 0) n = space + 1;
            }
            add(pos, n);
            pos += n;
        }
        if (end == text.size()) break;
        pos = end + 1;
    }
    return pages;
}

std::vector<PrintPage> LayoutForDevice(HDC dc, HFONT font, std::wstring_view text, SIZE page) {
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int lineHeight = std::max<int>(tm.tmHeight + tm.tmExternalLeading, 1);
    auto fit = [&](std::wstring_view s) {
        // The longest start of s that fits the page width, tabs expanded.
        size_t lo = 0, hi = s.size();
        while (lo < hi) {
            size_t mid = (lo + hi + 1) / 2;
            DWORD extent = GetTabbedTextExtentW(dc, s.data(), static_cast<int>(mid), 0, nullptr);
            if (static_cast<int>(LOWORD(extent)) <= page.cx)
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    };
    std::vector<PrintPage> pages = LayoutPages(text, page.cy / lineHeight, fit);
    SelectObject(dc, old);
    return pages;
}

void PrintDocument(HDC printer, HFONT font, COLORREF color, std::wstring_view text) {
    SIZE page{GetDeviceCaps(printer, HORZRES), GetDeviceCaps(printer, VERTRES)};
    std::vector<PrintPage> pages = LayoutForDevice(printer, font, text, page);
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = L"";
    if (StartDocW(printer, &doc) <= 0) throw std::runtime_error("Printing failed");
    HGDIOBJ old = SelectObject(printer, font);
    SetTextColor(printer, color);
    SetBkMode(printer, TRANSPARENT);
    TEXTMETRICW tm{};
    GetTextMetricsW(printer, &tm);
    const int lineHeight = std::max<int>(tm.tmHeight + tm.tmExternalLeading, 1);
    bool ok = true;
    for (const PrintPage& p : pages) {
        if (StartPage(printer) <= 0) {
            ok = false;
            break;
        }
        int y = 0;
        for (const PrintLine& line : p) {
            std::wstring_view s = text.substr(line.Start, line.Length);
            while (!s.empty() && s.back() == L' ')
                s.remove_suffix(1);
            if (!s.empty())
                TabbedTextOutW(printer, 0, y, s.data(), static_cast<int>(s.size()), 0, nullptr, 0);
            y += lineHeight;
        }
        if (EndPage(printer) <= 0) {
            ok = false;
            break;
        }
    }
    SelectObject(printer, old);
    if (!ok) {
        AbortDoc(printer);
        throw std::runtime_error("Printing failed");
    }
    EndDoc(printer);
}

} // namespace textview
