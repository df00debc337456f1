// Printing the viewer's text: the text is laid out line by line over the printer's page,
// words wrapped at the page width, and printed page after page.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>
#include <vector>

namespace textview {

// One printed line: a stretch of the text (line breaks are CR, as the text area counts).
struct PrintLine {
    size_t Start;
    size_t Length;
};
using PrintPage = std::vector<PrintLine>;

// Breaks every paragraph into lines that fit (fit(s) tells how many leading characters of
// s fit the page width), at a space where there is one, and puts linesPerPage on a page.
std::vector<PrintPage> LayoutPages(std::wstring_view text, int linesPerPage,
                                   const std::function<size_t(std::wstring_view)>& fit);

// The layout for a device in a font, over a page of this size in device pixels.
std::vector<PrintPage> LayoutForDevice(HDC dc, HFONT font, std::wstring_view text, SIZE page);

// Prints the pages of the text as one document with an empty title.
void PrintDocument(HDC printer, HFONT font, COLORREF color, std::wstring_view text);

} // namespace textview
