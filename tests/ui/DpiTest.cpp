// The display-scale arithmetic: design pixels at 96 DPI to a window's DPI and back.
#include "ui/Dpi.h"

#include <gtest/gtest.h>

namespace {

TEST(Dpi, LengthsScaleToTheNearestPixelAsMulDivRounds) {
    struct Case {
        int design, dpi, expected;
    } cases[] = {
        {0, 144, 0},   {1, 144, 2},     {3, 144, 5},     {-1, 144, -2},
        {-3, 144, -5}, {11, 120, 14},   {10, 120, 13},   {572, 144, 858},
        {63, 144, 95}, {300, 192, 600}, {17, 168, 30},   {41, 144, 62},
        {13, 72, 10},  {414, 96, 414},  {-26, 144, -39}, {100000, 288, 300000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ui::ScaleToDpi(c.design, c.dpi), c.expected) << c.design << " at " << c.dpi;
        // The system's own rounding agrees.
        EXPECT_EQ(ui::ScaleToDpi(c.design, c.dpi), MulDiv(c.design, c.dpi, 96))
            << c.design << " at " << c.dpi;
    }
}

TEST(Dpi, StoredLengthsComeBackFromEveryScale) {
    // What the settings file keeps is read back at the same DPI as what was written.
    for (int dpi : {96, 120, 144, 168, 192, 240, 288})
        for (int design : {0, 1, 7, 50, 80, 100, 200, 572, 1024}) {
            const int shown = ui::ScaleToDpi(design, dpi);
            EXPECT_EQ(ui::ScaleFromDpi(shown, dpi), design) << design << " at " << dpi;
        }
    struct Case {
        int shown, dpi, expected;
    } cases[] = {{150, 144, 100}, {151, 144, 101}, {149, 144, 99}, {-3, 144, -2}, {640, 192, 320}};
    for (const Case& c : cases)
        EXPECT_EQ(ui::ScaleFromDpi(c.shown, c.dpi), c.expected) << c.shown << " at " << c.dpi;
}

TEST(Dpi, RectanglesScaleEdgeByEdgeSoNeighboursStillTouch) {
    struct Case {
        RECT design;
        int dpi;
        RECT expected;
    } cases[] = {
        {{4, 2, 45, 46}, 144, {6, 3, 68, 69}},
        {{45, 2, 86, 46}, 144, {68, 3, 129, 69}},
        {{0, 63, 572, 376}, 192, {0, 126, 1144, 752}},
        {{12, 140, 92, 166}, 120, {15, 175, 115, 208}},
        {{-5, -5, 5, 5}, 144, {-8, -8, 8, 8}},
    };
    for (const Case& c : cases) {
        const RECT r = ui::ScaleRect(c.design, c.dpi);
        EXPECT_EQ(r.left, c.expected.left);
        EXPECT_EQ(r.top, c.expected.top);
        EXPECT_EQ(r.right, c.expected.right);
        EXPECT_EQ(r.bottom, c.expected.bottom);
    }
    const SIZE s = ui::ScaleSize(SIZE{392, 273}, 144);
    EXPECT_EQ(s.cx, 588);
    EXPECT_EQ(s.cy, 410);
}

TEST(Dpi, FontHeightsMoveBetweenScales) {
    struct Case {
        LONG height;
        int from, to;
        LONG expected;
    } cases[] = {
        {-11, 96, 144, -17}, {-11, 96, 192, -22}, {-17, 144, 96, -11}, {-13, 96, 120, -16},
        {16, 96, 144, 24},   {-11, 96, 96, -11},  {0, 96, 144, 0},     {-22, 192, 144, -17},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::RescaleFontHeight(c.height, c.from, c.to), c.expected)
            << c.height << " from " << c.from << " to " << c.to;
}

TEST(Dpi, WindowsReportTheSystemScaleOrTheirMonitors) {
    const int system = ui::SystemDpi();
    EXPECT_GE(system, 96);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(system, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(ui::WindowDpi(w), system);
    DestroyWindow(w);
    EXPECT_EQ(ui::WindowDpi(nullptr), system);
}

TEST(Dpi, ScaledBitmapCopiesAreTheDesignAtTheNewSize) {
    HDC screen = GetDC(nullptr);
    HBITMAP design = CreateCompatibleBitmap(screen, 20, 10);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, design);
    RECT left{0, 0, 10, 10}, right{10, 0, 20, 10};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(mem, &left, red);
    FillRect(mem, &right, blue);
    SelectObject(mem, old);
    EXPECT_EQ(ui::ScaledBitmapCopy(design, 96), nullptr) << "the design is used as it is";
    for (int dpi : {144, 192}) {
        HBITMAP copy = ui::ScaledBitmapCopy(design, dpi);
        ASSERT_NE(copy, nullptr);
        BITMAP bm{};
        GetObjectA(copy, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, ui::ScaleToDpi(20, dpi));
        EXPECT_EQ(bm.bmHeight, ui::ScaleToDpi(10, dpi));
        old = SelectObject(mem, copy);
        // Away from the seam each half keeps its colour.
        EXPECT_EQ(GetPixel(mem, 1, bm.bmHeight / 2), RGB(255, 0, 0)) << dpi;
        EXPECT_EQ(GetPixel(mem, bm.bmWidth - 2, bm.bmHeight / 2), RGB(0, 0, 255)) << dpi;
        SelectObject(mem, old);
        DeleteObject(copy);
    }
    DeleteDC(mem);
    DeleteObject(design);
    DeleteObject(red);
    DeleteObject(blue);
    ReleaseDC(nullptr, screen);
}

} // namespace
