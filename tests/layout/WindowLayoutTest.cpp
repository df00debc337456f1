// Every window laid out at the display scale it runs at (CTest runs this suite at 96, 144
// and 192 DPI, each in a Wine prefix of its own) and after a move to a monitor of another
// scale: controls where their design rectangles put them, and no caption wider or taller
// than its control, measured with the control's own font.
#include "addfiles/AddFilesToZip.h"
#include "mainwindow/ReplaceDialog.h"
#include "settings/Options.h"
#include "tests/mainwindow/MainFormFixture.h"
#include "tests/support/WindowPixels.h"
#include "ui/Dpi.h"
#include "windows/FileInfo.h"
#include "windows/TextView.h"
#include "windows/about.h"
#include "wizard/Wizard1.h"
#include "wizard/Wizard1Fur.h"
#include "wizard/Wizard2.h"
#include "wizard/Wizard3.h"
#include "wizard/Wizard4.h"

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <sstream>

using namespace testing_support;

namespace {

// The scale the run was set up for; without one, whatever the system says.
int ExpectedDpi() {
    const char* v = std::getenv("KELVORA_EXPECT_DPI");
    return v && *v ? std::atoi(v) : ui::SystemDpi();
}

std::string ClassOf(HWND h) {
    char name[64] = {};
    GetClassNameA(h, name, sizeof name);
    return name;
}

RECT RectInParent(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::string Describe(const RECT& r) {
    std::ostringstream s;
    s << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
    return s.str();
}

// The caption as drawn: "&&" is one ampersand, a single "&" underlines the next letter.
std::string DrawnText(std::string text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

// Controls that size themselves: the status bar along the bottom edge, a picture to its
// bitmap, a drop-down list to its list.
bool PlacesItself(HWND h) {
    const std::string cls = ClassOf(h);
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    if (cls == STATUSCLASSNAMEA) return true;
    const LONG type = style & SS_TYPEMASK;
    if (cls == "Static" && (type == SS_BITMAP || type == SS_ETCHEDVERT || type == SS_ETCHEDHORZ))
        return true;
    return cls == "ComboBox";
}

// Where the design rectangle belongs, worked out from the design alone: each edge at the
// window's DPI by the system's own rounding, anchored edges kept at their scaled distance
// from the far side of the client area.
RECT ExpectedRect(const ui::ControlLayout::Item& item, SIZE designClient, SIZE client, int dpi) {
    const RECT& d = item.design;
    RECT r{MulDiv(d.left, dpi, 96), MulDiv(d.top, dpi, 96), MulDiv(d.right, dpi, 96),
           MulDiv(d.bottom, dpi, 96)};
    const int dx = client.cx - MulDiv(designClient.cx, dpi, 96);
    const int dy = client.cy - MulDiv(designClient.cy, dpi, 96);
    if (item.anchors & ui::akRight) {
        r.right += dx;
        if (!(item.anchors & ui::akLeft)) r.left += dx;
    }
    if (item.anchors & ui::akBottom) {
        r.bottom += dy;
        if (!(item.anchors & ui::akTop)) r.top += dy;
    }
    return r;
}

// Every control of the form's tables sits where its design puts it at the form's DPI.
void ExpectControlsScaled(const ui::Form& form, const std::string& window) {
    const int dpi = form.Dpi();
    RECT client;
    GetClientRect(form.Handle(), &client);
    const SIZE size{client.right, client.bottom};
    for (const ui::ControlLayout::Item& item : form.Layout().Items()) {
        if (PlacesItself(item.hwnd)) continue;
        const RECT want = ExpectedRect(item, form.Layout().DesignClient(), size, dpi);
        const RECT got = RectInParent(item.hwnd);
        const std::string what = window + " control " + std::to_string(item.id) + " at " +
                                 std::to_string(dpi) + " DPI: " + Describe(got) + " for " +
                                 Describe(want);
        EXPECT_LE(std::abs(got.left - want.left), 1) << what;
        EXPECT_LE(std::abs(got.top - want.top), 1) << what;
        EXPECT_LE(std::abs(got.right - want.right), 1) << what;
        EXPECT_LE(std::abs(got.bottom - want.bottom), 1) << what;
    }
}

// The widest line of a text in the font selected into dc, and the lines' total height.
SIZE TextSize(HDC dc, const std::string& text) {
    SIZE total{0, 0};
    for (size_t pos = 0; pos <= text.size();) {
        size_t end = std::min(text.find('\n', pos), text.size());
        size_t len = end - pos;
        if (len && text[pos + len - 1] == '\r') --len;
        SIZE line{};
        GetTextExtentPoint32A(dc, text.data() + pos, static_cast<int>(len), &line);
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        total.cx = std::max(total.cx, line.cx);
        total.cy += tm.tmHeight;
        pos = end + 1;
    }
    return total;
}

// Why a control's caption does not fit it, or "" when it does.
std::string CaptionMisfit(HWND h, int dpi) {
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    if (!(style & WS_VISIBLE)) return "";
    const std::string cls = ClassOf(h);
    char raw[1024] = {};
    GetWindowTextA(h, raw, sizeof raw);
    std::string text = raw;
    if (text.empty()) return "";
    auto font = reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    RECT client;
    GetClientRect(h, &client);
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    int room = client.right, height = client.bottom;
    SIZE need{};
    bool check = true;
    if (cls == "Button") {
        const LONG type = style & BS_TYPEMASK;
        need = TextSize(dc, DrawnText(text));
        if (type == BS_GROUPBOX) {
            room -= MulDiv(16, dpi, 96);
        } else if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                   type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE) {
            room -= MulDiv(17, dpi, 96); // the box and the gap after it
        } else {
            room -= MulDiv(6, dpi, 96); // the edges
        }
    } else if (cls == "Static") {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
            type != SS_SIMPLE)
            check = false;
        else if (type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE)
            need = TextSize(dc, style & SS_NOPREFIX ? text : DrawnText(text));
        else {
            // Wrapping statics may take several lines, but no word may stick out.
            RECT calc{0, 0, room, 0};
            DrawTextA(dc, text.c_str(), -1, &calc,
                      DT_CALCRECT | DT_WORDBREAK | (style & SS_NOPREFIX ? DT_NOPREFIX : 0));
            need = SIZE{calc.right, calc.bottom};
        }
    } else if (cls == "Edit" && (style & ES_MULTILINE) && (style & ES_READONLY)) {
        RECT r{};
        SendMessageA(h, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
        room = r.right - r.left;
        need = TextSize(dc, text);
        need.cy = 0; // a text block scrolls
    } else if (cls == "KelvoraSpeedButton") {
        need = TextSize(dc, DrawnText(text));
        need.cy = 0; // drawn in the strip under the glyph
    } else {
        check = false;
    }
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    if (!check) return "";
    if (need.cx <= room && need.cy <= height) return "";
    std::ostringstream why;
    why << '"' << text << "\" needs " << need.cx << 'x' << need.cy << ", has " << room << 'x'
        << height;
    return why.str();
}

void ExpectCaptionsFit(const ui::Form& form, const std::string& window) {
    for (const ui::ControlLayout::Item& item : form.Layout().Items()) {
        const std::string misfit = CaptionMisfit(item.hwnd, form.Dpi());
        EXPECT_EQ(misfit, "") << window << " control " << item.id << " at " << form.Dpi() << " DPI";
    }
}

LONG FontHeight(HWND control) {
    auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    GetObjectA(font ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    return std::abs(lf.lfHeight);
}

// Tells a window it moved to a monitor of this DPI, with the frame the system would suggest
// (the present one scaled, unless given).
void MoveToDpi(ui::Form& form, int dpi, const RECT* frameThere = nullptr) {
    RECT frame;
    GetWindowRect(form.Handle(), &frame);
    const int old = form.Dpi();
    RECT suggested{frame.left, frame.top, frame.left + MulDiv(frame.right - frame.left, dpi, old),
                   frame.top + MulDiv(frame.bottom - frame.top, dpi, old)};
    if (frameThere) suggested = *frameThere;
    SendMessageA(form.Handle(), ui::kWmDpiChanged, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
}

class WindowLayoutTest : public MainFormTest {
protected:
    struct Window {
        const char* name;
        ui::Form* form;
    };
    void SetUp() override {
        MainFormTest::SetUp();
        for (const Window& w : Others())
            w.form->Create(form.Handle());
    }
    std::vector<Window> Others() {
        return {{"Options", &options},   {"TextViewer", &viewer}, {"About", &about},
                {"FileInfo", &fileInfo}, {"Replace", &replace},   {"Wiz1", &wiz1},
                {"Wiz1Fur", &wiz1Fur},   {"Wiz2", &wiz2},         {"Wiz3", &wiz3},
                {"Wiz4", &wiz4},         {"AddFiles", &addFiles}};
    }
    std::vector<Window> All() {
        std::vector<Window> all{{"Main", &form}};
        for (const Window& w : Others())
            all.push_back(w);
        return all;
    }
    // Each options page shows its own controls: every page is measured.
    template <typename Check> void OnEveryOptionsPage(Check check) {
        for (int page = 0; page < TfrmOptions::kPageCount; ++page) {
            options.ShowPage(page);
            std::string name = "Options page ";
            name += std::to_string(page);
            check(name);
        }
    }

    TfrmOptions options;
    TfrmTextViewer viewer;
    TAboutBox about;
    TfrmFileInfo fileInfo;
    TReplaceDialog replace;
    TWiz1 wiz1;
    TWiz1Fur wiz1Fur;
    TWiz2 wiz2{state.CurrentArchiveName};
    TWiz3 wiz3{state.CurrentArchiveName};
    TWiz4 wiz4;
    TAddform addFiles{state.AddDialogCancelled};
};

TEST_F(WindowLayoutTest, RunsAtTheScaleItWasSetUpFor) {
    EXPECT_EQ(ui::SystemDpi(), ExpectedDpi());
    for (const Window& w : All())
        EXPECT_EQ(w.form->Dpi(), ExpectedDpi()) << w.name;
}

TEST_F(WindowLayoutTest, ClientAreasAndControlsAreTheDesignScaled) {
    for (const Window& w : All()) {
        if (w.form == &form) continue; // the menu bar may wrap: checked below by its controls
        const SIZE design = w.form->Layout().DesignClient();
        RECT client, frame, work;
        GetClientRect(w.form->Handle(), &client);
        GetWindowRect(w.form->Handle(), &frame);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        // A window larger than the screen at this scale takes the whole screen.
        const bool wide = frame.right - frame.left >= work.right - work.left;
        const bool high = frame.bottom - frame.top >= work.bottom - work.top;
        if (!wide) {
            EXPECT_EQ(client.right, MulDiv(design.cx, w.form->Dpi(), 96)) << w.name;
        }
        if (!high) {
            EXPECT_EQ(client.bottom, MulDiv(design.cy, w.form->Dpi(), 96)) << w.name;
        }
        EXPECT_LE(frame.right - frame.left, work.right - work.left) << w.name;
        EXPECT_LE(frame.bottom - frame.top, work.bottom - work.top) << w.name;
    }
    for (const Window& w : All())
        ExpectControlsScaled(*w.form, w.name);
}

TEST_F(WindowLayoutTest, NoCaptionIsWiderOrTallerThanItsControl) {
    for (const Window& w : All()) {
        if (w.form == &options) continue;
        ExpectCaptionsFit(*w.form, w.name);
    }
    OnEveryOptionsPage([&](const std::string& name) { ExpectCaptionsFit(options, name); });
}

// How much wider than its room a text is in the font selected into dc (negative: it fits),
// and as much at 96 DPI with the same font made for 96 DPI and the room's design width.
struct Overflow {
    int now, design;
};
Overflow OverflowOf(HDC dc, const std::string& text, int room, int dpi) {
    Overflow o{TextSize(dc, text).cx - room, 0};
    LOGFONTA lf{};
    GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof lf, &lf);
    lf.lfHeight = ui::RescaleFontHeight(lf.lfHeight, dpi, 96);
    lf.lfWidth = ui::RescaleFontHeight(lf.lfWidth, dpi, 96);
    HFONT design = CreateFontIndirectA(&lf);
    HGDIOBJ old = SelectObject(dc, design);
    o.design = TextSize(dc, text).cx - MulDiv(room, 96, dpi);
    SelectObject(dc, old);
    DeleteObject(design);
    return o;
}

// A text that fits at 96 DPI fits at every scale; one cut at 96 DPI is cut no more, in
// proportion, than there (a few pixels for the fonts' own rounding, which is glyph by glyph:
// a pixel more for every eight characters).
void ExpectNoMoreCutThanAtDesign(const Overflow& o, int dpi, const std::string& text,
                                 const std::string& what) {
    const int rounding = 4 + static_cast<int>(text.size()) / 8;
    if (o.design <= 0)
        EXPECT_LE(o.now, 0) << what;
    else
        EXPECT_LE(o.now, MulDiv(o.design, dpi, 96) + MulDiv(rounding, dpi, 96)) << what;
}

TEST_F(WindowLayoutTest, TheMainListShowsItsHeadersDatesAndStatusTextsWhole) {
    form.OpenArchive(MakeArchive(
        {M("readme.txt", 1234567, 7654321, 0x5B8C6000), M("a folder/another member.txt", 30, 40)}));
    HWND list = form.ListView1().Handle();
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    const int margin = MulDiv(12, form.Dpi(), 96); // the list's padding on both sides
    for (int col = 0; col < 6; ++col) {
        const int width = form.ListView1().ColumnWidth(col);
        char title[64] = {};
        HDITEMA hd{};
        hd.mask = HDI_TEXT;
        hd.pszText = title;
        hd.cchTextMax = sizeof title;
        SendMessageA(header, HDM_GETITEMA, col, reinterpret_cast<LPARAM>(&hd));
        EXPECT_LE(TextSize(dc, title).cx + margin, width) << "header " << title;
        // Names and paths are as long as they are; sizes, dates and ratios show whole.
        if (col == 0 || col == 5) continue;
        for (int row = 0; row < form.ListView1().ItemCount(); ++row) {
            const std::string text = form.ListView1().ItemText(row, col);
            EXPECT_LE(TextSize(dc, text).cx + margin, width) << title << ": " << text;
        }
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);

    HWND bar = form.StatusBar1().Handle();
    dc = GetDC(bar);
    old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(bar, WM_GETFONT, 0, 0)));
    // The archive's name is as long as it is; the count and the total show whole, the total
    // clear of the size grip.
    const int inset = MulDiv(6, form.Dpi(), 96);
    const int grip = MulDiv(16, form.Dpi(), 96);
    for (int panel = 0; panel < 3; ++panel) {
        RECT r{};
        SendMessageA(bar, SB_GETRECT, panel, reinterpret_cast<LPARAM>(&r));
        const std::string text = form.StatusBar1().PanelText(panel);
        if (panel == 0)
            ExpectNoMoreCutThanAtDesign(OverflowOf(dc, text, r.right - r.left, form.Dpi()),
                                        form.Dpi(), text, "panel " + text);
        else
            EXPECT_LE(TextSize(dc, text).cx + inset + (panel == 2 ? grip : 0), r.right - r.left)
                << "panel " << text;
    }
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
}

TEST_F(WindowLayoutTest, AMoveToAnotherScaleLaysEveryWindowOutAgainAndBack) {
    const int start = ExpectedDpi();
    for (const Window& w : All()) {
        if (w.form == &options) options.ShowPage(0);
        std::vector<RECT> before;
        for (const auto& item : w.form->Layout().Items())
            before.push_back(RectInParent(item.hwnd));
        const LONG fontBefore = FontHeight(w.form->Layout().Items()[0].hwnd);
        RECT frame;
        GetWindowRect(w.form->Handle(), &frame);
        // To 200 % from 100 %, to 100 % from the larger scales, and back.
        for (int dpi : {start == 96 ? 192 : 96, start}) {
            MoveToDpi(*w.form, dpi, dpi == start ? &frame : nullptr);
            EXPECT_EQ(w.form->Dpi(), dpi) << w.name;
            ExpectControlsScaled(*w.form, w.name);
            if (w.form != &options) ExpectCaptionsFit(*w.form, w.name);
        }
        // Back at the first scale, every control is where it was, with a font as large.
        size_t i = 0;
        for (const auto& item : w.form->Layout().Items()) {
            if (PlacesItself(item.hwnd)) {
                ++i;
                continue;
            }
            const RECT now = RectInParent(item.hwnd);
            EXPECT_EQ(Describe(now), Describe(before[i++])) << w.name << " control " << item.id;
        }
        EXPECT_EQ(FontHeight(w.form->Layout().Items()[0].hwnd), fontBefore) << w.name;
    }
}

TEST_F(WindowLayoutTest, FontsAndColumnsGrowWithTheScale) {
    const int start = form.Dpi();
    const LONG label = FontHeight(form.Control(IDC_TOOLLABEL_FIRST));
    const LONG list = FontHeight(form.ListView1().Handle());
    const int column = form.ListView1().ColumnWidth(2);
    int parts[3] = {};
    SendMessageA(form.StatusBar1().Handle(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(parts));
    MoveToDpi(form, start * 2);
    EXPECT_NEAR(FontHeight(form.Control(IDC_TOOLLABEL_FIRST)), 2 * label, 1);
    EXPECT_NEAR(FontHeight(form.ListView1().Handle()), 2 * list, 1);
    EXPECT_NEAR(form.ListView1().ColumnWidth(2), 2 * column, 1);
    int grown[3] = {};
    SendMessageA(form.StatusBar1().Handle(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(grown));
    // The count panel is measured in the bar's font, which grows in proportion, give or take
    // its own rounding; the name and total panels share what the window leaves, which the
    // screen may not let grow twice as wide.
    EXPECT_NEAR(grown[1] - grown[0], 2 * (parts[1] - parts[0]), 8);
    MoveToDpi(form, start);
    EXPECT_EQ(FontHeight(form.ListView1().Handle()), list);
    EXPECT_EQ(form.ListView1().ColumnWidth(2), column);
}

TEST_F(WindowLayoutTest, SavedSizesAndColumnWidthsAreKeptAt96Dpi) {
    const int dpi = form.Dpi();
    form.ListView1().SetColumnWidth(1, MulDiv(90, dpi, 96));
    SendMessageA(form.Handle(), WM_COMMAND, IDM_SAVECOLUMNWIDTH, 0);
    SendMessageA(form.Handle(), WM_COMMAND, IDM_SAVEWINDOWPOS, 0);
    const std::string ini = tmp.File("kelvora.ini");
    EXPECT_EQ(GetPrivateProfileIntA("Columns", "Size", -5, ini.c_str()), 90);
    RECT frame;
    GetWindowRect(form.Handle(), &frame);
    EXPECT_NEAR(GetPrivateProfileIntA("Window", "Width", -5, ini.c_str()),
                MulDiv(frame.right - frame.left, 96, dpi), 1);
    // Read back at this scale, the stored widths are this scale's again.
    WritePrivateProfileStringA("Columns", "Ratio", "70", ini.c_str());
    // A date column the user made narrower than its dates stays as the user left it.
    WritePrivateProfileStringA("Columns", "Time", "64", ini.c_str());
    WritePrivateProfileStringA("Window", "Width", "600", ini.c_str());
    WritePrivateProfileStringA("Window", "Height", "450", ini.c_str());
    TMainForm second{state, FixtureStartup()}; // the same settings file
    ui::App().MainForm = &second;
    second.Create();
    second.Show();
    EXPECT_EQ(second.ListView1().ColumnWidth(1), MulDiv(90, dpi, 96));
    EXPECT_EQ(second.ListView1().ColumnWidth(3), MulDiv(70, dpi, 96));
    EXPECT_EQ(second.ListView1().ColumnWidth(2), MulDiv(64, dpi, 96));
    GetWindowRect(second.Handle(), &frame);
    EXPECT_EQ(frame.right - frame.left, MulDiv(600, dpi, 96));
    EXPECT_EQ(frame.bottom - frame.top, MulDiv(450, dpi, 96));
    ui::App().MainForm = &form;
}

} // namespace

namespace {

// The box around what is not silver (the tool panel's transparent colour) in a block of
// pixels read from the screen or a bitmap.
RECT InkBox(const std::vector<std::uint32_t>& pixels, int width) {
    RECT box{width, static_cast<LONG>(pixels.size()), -1, -1};
    for (size_t i = 0; i < pixels.size(); ++i) {
        if ((pixels[i] & 0xFFFFFF) == 0xC0C0C0) continue;
        const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
    return box;
}

std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap, int& width) {
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    width = bm.bmWidth;
    std::vector<std::uint32_t> pixels;
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, bitmap);
    for (int y = 0; y < bm.bmHeight; ++y)
        for (int x = 0; x < bm.bmWidth; ++x) {
            const COLORREF c = GetPixel(mem, x, y);
            pixels.push_back(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
        }
    SelectObject(mem, old);
    DeleteDC(mem);
    return pixels;
}

TEST_F(WindowLayoutTest, ToolGlyphsAreDrawnAtTheScale) {
    for (int b = 0; b < TMainForm::kToolButtonCount; ++b) {
        ui::SpeedButton& button = form.Button(static_cast<TMainForm::ToolButton>(b));
        ASSERT_NE(button.Glyph(), nullptr) << b;
        RECT panel;
        GetClientRect(form.Handle(), &panel);
        if (RectInParent(button.Handle()).right > panel.right) continue; // cut by the frame
        int designWidth = 0;
        ASSERT_FALSE(BitmapPixels(button.Glyph(), designWidth).empty()) << b;
        const RECT design = InkBox(BitmapPixels(button.Glyph(), designWidth), designWidth);
        ASSERT_TRUE(ShowsItsOwnDrawing(button.Handle())) << b;
        RECT client;
        GetClientRect(button.Handle(), &client);
        ASSERT_GT(client.right, 0) << b;
        const RECT drawn = InkBox(ClientPixels(button.Handle()), client.right);
        const int dpi = form.Dpi();
        // Smoothing may blur an edge by a pixel either way.
        EXPECT_NEAR(drawn.right - drawn.left, MulDiv(design.right - design.left, dpi, 96), 2)
            << "button " << b;
        EXPECT_NEAR(drawn.bottom - drawn.top, MulDiv(design.bottom - design.top, dpi, 96), 2)
            << "button " << b;
    }
}

} // namespace

namespace {

TEST_F(WindowLayoutTest, TheFontDialogSpeaksTheSystemsScaleOnAMonitorOfAnother) {
    const int system = ui::SystemDpi();
    const LONG shown = FontHeight(form.ListView1().Handle());
    MoveToDpi(form, system * 2);
    const LONG doubled = FontHeight(form.ListView1().Handle());
    EXPECT_NEAR(doubled, 2 * shown, 1);
    ui::FontChoice answer;
    answer.Font.lfHeight = -20; // as the dialog makes it, for the system's DPI
    lstrcpyA(answer.Font.lfFaceName, "Arial");
    dialogs.fontAnswers.push_back(answer);
    SendMessageA(form.Handle(), WM_COMMAND, IDM_FONT, 0);
    ASSERT_EQ(dialogs.fontRequests.size(), 1u);
    // The dialog was offered the list's font at the system's scale, and its answer is shown
    // at the window's.
    EXPECT_NEAR(std::abs(dialogs.fontRequests[0].Font.lfHeight), shown, 1);
    EXPECT_EQ(FontHeight(form.ListView1().Handle()), 40);
    MoveToDpi(form, system);
    EXPECT_EQ(FontHeight(form.ListView1().Handle()), 20);
}

} // namespace
