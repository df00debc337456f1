// The text viewer with a real window and real files: loading, the search through the find
// dialog's message, wrapping, saving, closing with Esc, the font dialog and page layout.
#include "tests/engine/ZipBuilder.h"
#include "tests/support/WaitFor.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "windows/TextView.h"
#include "windows/TextViewIds.h"

#include <gtest/gtest.h>

#include <dlgs.h>
#include <richedit.h>

#include <stdexcept>

using namespace testing_support;

namespace {

class TextViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        textview::ModuleSearchState() = {};
        viewer.Create();
    }
    HWND Edit() { return viewer.RichEdit1().Handle(); }
    // A press of Find Next as the find dialog sends it.
    void PressFindNext(const std::string& text) {
        static const UINT msg = RegisterWindowMessageA(FINDMSGSTRINGA);
        char buf[256] = {};
        text.copy(buf, sizeof buf - 1);
        FINDREPLACEA fr{};
        fr.lStructSize = sizeof fr;
        fr.hwndOwner = viewer.Handle();
        fr.Flags = FR_DOWN | FR_FINDNEXT;
        fr.lpstrFindWhat = buf;
        fr.wFindWhatLen = sizeof buf;
        SendMessageA(viewer.Handle(), msg, 0, reinterpret_cast<LPARAM>(&fr));
    }
    std::string SelectedText() {
        CHARRANGE r = viewer.RichEdit1().Selection();
        std::string s(static_cast<size_t>(r.cpMax - r.cpMin) * 2 + 2, '\0');
        LRESULT n = SendMessageA(Edit(), EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(s.data()));
        s.resize(static_cast<size_t>(n));
        return s;
    }
    void PressKey(WORD key) {
        PostMessageA(Edit(), WM_KEYDOWN, key, 0);
        ui::ProcessMessages();
    }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    TfrmTextViewer viewer;
};

TEST_F(TextViewTest, StartsAsDesigned) {
    EXPECT_EQ(viewer.Caption(), "Text Viewer");
    EXPECT_TRUE(viewer.WrapLines());
    EXPECT_TRUE(GetWindowLongA(Edit(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(SendMessageA(Edit(), EM_GETTEXTMODE, 0, 0) & TM_PLAINTEXT, TM_PLAINTEXT);
    CHARFORMAT2A cf{};
    cf.cbSize = sizeof cf;
    SendMessageA(Edit(), EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
    EXPECT_STREQ(cf.szFaceName, "Courier New");
    EXPECT_EQ(cf.yHeight, 200); // 10 points
}

TEST_F(TextViewTest, FindNextSelectsEveryOccurrenceOverLineBreaks) {
    viewer.LoadText("ababab\r\nab\r\n\r\nxab");
    const std::wstring shown = viewer.DisplayedText();
    std::vector<LONG> starts;
    for (int i = 0; i < 6; ++i) {
        PressFindNext("ab");
        CHARRANGE r = viewer.RichEdit1().Selection();
        EXPECT_EQ(SelectedText(), "ab") << "press " << i;
        EXPECT_EQ(shown.substr(r.cpMin, 2), L"ab");
        if (starts.empty() || starts.back() != r.cpMin) starts.push_back(r.cpMin);
    }
    // Five occurrences, each selected once in order; the sixth press changes nothing.
    ASSERT_EQ(starts.size(), 5u);
    for (size_t i = 1; i < starts.size(); ++i)
        EXPECT_GT(starts[i], starts[i - 1]);
    EXPECT_EQ(starts[0], 0);
    EXPECT_EQ(starts[1], 2);
}

TEST_F(TextViewTest, SearchStateSurvivesANewText) {
    viewer.LoadText("key one\r\nkey two\r\n");
    PressFindNext("key");
    PressFindNext("key");
    LONG second = viewer.RichEdit1().Selection().cpMin;
    EXPECT_GT(second, 0);
    // The next text has "key" at its start and far on: the search goes on from the old place.
    viewer.LoadText("key\r\n" + std::string(40, '.') + "key");
    PressFindNext("key");
    CHARRANGE r = viewer.RichEdit1().Selection();
    EXPECT_GT(r.cpMin, second);
    EXPECT_EQ(SelectedText(), "key");
    EXPECT_EQ(textview::ModuleSearchState().LastFindText, L"key");
}

TEST_F(TextViewTest, ASearchThatFindsNothingSaysSo) {
    viewer.LoadText("alpha beta\r\nalpha");
    struct Case {
        const char* what;
        const char* message; // nullptr: found, nothing said
    };
    const Case cases[] = {
        {"alpha", nullptr},
        {"alpha", nullptr},
        {"alpha", "Cannot find \"alpha\""}, // past the last one
        {"gamma", "Cannot find \"gamma\""},
        {"beta", nullptr},
    };
    for (const Case& c : cases) {
        dialogs.Clear();
        PressFindNext(c.what);
        if (c.message)
            EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{c.message}) << c.what;
        else
            EXPECT_EQ(SelectedText(), c.what);
    }
}

TEST_F(TextViewTest, F3FindsTheNextHitOrAsksWhatToFind) {
    viewer.Show();
    viewer.LoadText("one two one two one");
    PressKey(VK_F3); // nothing searched yet: the find box opens
    EXPECT_EQ(dialogs.findRequests.size(), 1u);
    PressFindNext("one");
    std::vector<LONG> starts{viewer.RichEdit1().Selection().cpMin};
    for (int i = 0; i < 2; ++i) {
        PressKey(VK_F3);
        starts.push_back(viewer.RichEdit1().Selection().cpMin);
        EXPECT_EQ(SelectedText(), "one");
    }
    EXPECT_EQ(starts, (std::vector<LONG>{0, 8, 16}));
    EXPECT_TRUE(dialogs.Texts().empty());
    PressKey(VK_F3);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Cannot find \"one\""});
    viewer.Hide();
}

// The find box as the system makes it, the rest scripted.
class RealFindDialog : public ScriptedDialogs {
public:
    HWND ShowFindDialog(FINDREPLACEA& r) override { return ::FindTextA(&r); }
};

TEST(TextViewFindBox, StaysInFrontOfItsViewerAfterEachHit) {
    RealFindDialog dialogs;
    ScopedDialogs scope{dialogs};
    textview::ModuleSearchState() = {};
    TfrmTextViewer viewer;
    viewer.Show();
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "line " + std::to_string(i) + (i % 100 == 99 ? " needle" : "") + "\r\n";
    viewer.LoadText(text);
    viewer.Find1Click();
    HWND box = viewer.FindDialog1();
    ASSERT_TRUE(box);
    SetDlgItemTextA(box, edt1, "needle");
    auto inFront = [&] {
        for (HWND w = GetWindow(box, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
            if (w == viewer.Handle()) return true;
        return false;
    };
    LONG previous = -1;
    for (int hit = 0; hit < 3; ++hit) {
        SendMessageA(box, WM_COMMAND, IDOK, 0); // Find Next
        ui::ProcessMessages();
        const CHARRANGE r = viewer.RichEdit1().Selection();
        EXPECT_GT(r.cpMin, previous) << hit;
        EXPECT_EQ(r.cpMax - r.cpMin, 6) << hit;
        previous = r.cpMin;
        EXPECT_TRUE(IsWindowVisible(box)) << hit;
        EXPECT_TRUE(inFront()) << hit;
        EXPECT_TRUE(WaitFor([&] { return GetActiveWindow() == box; })) << hit;
        // The hit far down the text is scrolled into view.
        EXPECT_GT(SendMessageA(viewer.RichEdit1().Handle(), EM_GETFIRSTVISIBLELINE, 0, 0),
                  hit == 0 ? 0 : 90)
            << hit;
    }
    EXPECT_TRUE(dialogs.Texts().empty());
    viewer.Hide();
}

TEST(TextViewFindBox, FindsWhatIsTypedInAnyScript) {
    RealFindDialog dialogs;
    ScopedDialogs scope{dialogs};
    textview::ModuleSearchState() = {};
    TfrmTextViewer viewer;
    viewer.Show();
    // "Hello, Привет and 日本語" in the process code page.
    viewer.LoadText("Hello,\r\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 and "
                    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
    viewer.Find1Click();
    HWND box = viewer.FindDialog1();
    ASSERT_TRUE(box);
    const struct {
        const wchar_t* typed;
        LONG start; // -1: not there
    } cases[] = {{L"\u041F\u0440\u0438\u0432\u0435\u0442", 7},
                 {L"\u65E5\u672C\u8A9E", 18},
                 {L"\u041C\u0438\u0440", -1}};
    for (const auto& c : cases) {
        dialogs.Clear();
        textview::ModuleSearchState() = {};
        SetDlgItemTextW(box, edt1, c.typed);
        SendMessageA(box, WM_COMMAND, IDOK, 0); // Find Next
        ui::ProcessMessages();
        if (c.start < 0) {
            ASSERT_EQ(dialogs.shown.size(), 1u);
            EXPECT_EQ(dialogs.shown[0].text, "Cannot find \"\xD0\x9C\xD0\xB8\xD1\x80\"");
            EXPECT_TRUE(dialogs.shown[0].utf8);
            continue;
        }
        const CHARRANGE r = viewer.RichEdit1().Selection();
        EXPECT_EQ(r.cpMin, c.start);
        EXPECT_EQ(r.cpMax - r.cpMin, static_cast<LONG>(wcslen(c.typed)));
        EXPECT_TRUE(dialogs.shown.empty());
    }
    viewer.Hide();
}

TEST_F(TextViewTest, FindDialogShowsOnlyTheSearchTextAndItsButtons) {
    viewer.Find1Click();
    ASSERT_EQ(dialogs.findRequests.size(), 1u);
    const FINDREPLACEA& fr = dialogs.findRequests[0];
    EXPECT_EQ(fr.hwndOwner, viewer.Handle());
    const DWORD hidden = FR_HIDEUPDOWN | FR_HIDEMATCHCASE | FR_HIDEWHOLEWORD;
    EXPECT_EQ(fr.Flags & hidden, hidden);
    EXPECT_TRUE(fr.Flags & FR_DOWN);
    EXPECT_EQ(fr.wFindWhatLen, 256); // 255 characters and the NUL
}

TEST_F(TextViewTest, WrapToggleBreaksAndUnbreaksLongLines) {
    viewer.Show();
    viewer.LoadText(std::string(3000, 'w') + "\r\nshort");
    LRESULT wrapped = SendMessageA(Edit(), EM_GETLINECOUNT, 0, 0);
    EXPECT_GT(wrapped, 2);
    EXPECT_FALSE(GetWindowLongA(Edit(), GWL_STYLE) & WS_HSCROLL) << "nothing to scroll across";
    viewer.WrapLines1Click();
    EXPECT_FALSE(viewer.WrapLines());
    EXPECT_EQ(SendMessageA(Edit(), EM_GETLINECOUNT, 0, 0), 2);
    // The long line can be scrolled to: a horizontal bar spanning more than the window.
    EXPECT_TRUE(GetWindowLongA(Edit(), GWL_STYLE) & WS_HSCROLL);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    ASSERT_TRUE(GetScrollInfo(Edit(), SB_HORZ, &si));
    EXPECT_GT(si.nMax - si.nMin + 1, static_cast<int>(si.nPage));
    viewer.WrapLines1Click();
    EXPECT_TRUE(viewer.WrapLines());
    EXPECT_EQ(SendMessageA(Edit(), EM_GETLINECOUNT, 0, 0), wrapped);
    EXPECT_FALSE(GetWindowLongA(Edit(), GWL_STYLE) & WS_HSCROLL);
    viewer.Hide();
}

struct SaveCase {
    const char* name;
    std::string loaded;
    std::string saved;
};

TEST_F(TextViewTest, SaveAsWritesTheTextWithCrLfLines) {
    const SaveCase cases[] = {
        {"crlf", "first\r\n\tsecond \xE9\xFC\r\n\r\nlast",
         "first\r\n\tsecond \xE9\xFC\r\n\r\nlast"},
        {"trailing", "one\r\ntwo\r\n", "one\r\ntwo\r\n"},
        {"unix", "a\nb\n", "a\r\nb\r\n"},
        {"empty", "", ""},
    };
    for (const SaveCase& c : cases) {
        std::string path = tmp.File(std::string(c.name) + ".txt");
        WriteFileBytes(path, std::string(5000, 'x')); // replaced without asking
        viewer.LoadText(c.loaded);
        dialogs.saveAnswers.push_back(path);
        viewer.SaveAs1Click();
        EXPECT_EQ(ReadFileBytes(path), c.saved) << c.name;
    }
    ASSERT_FALSE(dialogs.fileRequests.empty());
    EXPECT_EQ(dialogs.fileRequests[0].Filter, "Text File (*.*)|*.*");
    EXPECT_TRUE(dialogs.fileRequests[0].DefaultExt.empty());
    EXPECT_TRUE(dialogs.Texts().empty());
}

TEST_F(TextViewTest, SaveAsIntoAMissingFolderFailsWithAMessage) {
    viewer.LoadText("text");
    std::string path = tmp.File("no such folder\\out.txt");
    dialogs.saveAnswers.push_back(path);
    EXPECT_THROW(viewer.SaveAs1Click(), std::runtime_error);
    // Through the menu the error reaches the error box.
    dialogs.saveAnswers.push_back(path);
    SendMessageA(viewer.Handle(), WM_COMMAND, IDM_TV_SAVEAS, 0);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Cannot create file " + path});
}

TEST_F(TextViewTest, LoadsFilesWhole) {
    std::string big;
    for (int i = 0; big.size() < 40000; ++i)
        big += "line " + std::to_string(i) + "\r\n";
    std::string path = tmp.File("big.txt");
    WriteFileBytes(path, big);
    viewer.LoadFromFile(path);
    EXPECT_EQ(viewer.SavedText(), big); // past the control's default 32 KB

    // A file that begins like RTF is shown as it is; a NUL does not end the text.
    WriteFileBytes(path, std::string("{\\rtf1 raw}\0tail", 16));
    viewer.LoadFromFile(path);
    EXPECT_EQ(viewer.DisplayedText(), L"{\\rtf1 raw} tail");

    std::string missing = tmp.File("missing.txt");
    try {
        viewer.LoadFromFile(missing);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
}

struct EncodedFileCase {
    const char* name;
    std::string bytes;
    std::wstring shown;
    textview::Encoding encoding;
};

TEST_F(TextViewTest, ShowsFilesInTheirEncodingAndSavesTheirBytes) {
    const EncodedFileCase cases[] = {
        {"utf8.txt", "caf\xC3\xA9\r\n\xD0\x9F\xD1\x80\xD0\xB8", L"caf\u00E9\r\u041F\u0440\u0438",
         textview::Encoding::Utf8},
        {"utf8bom.txt", "\xEF\xBB\xBFna\xC3\xAFve\r\n", L"na\u00EFve\r",
         textview::Encoding::Utf8Bom},
        {"utf16le.txt", std::string("\xFF\xFE\x1F\x04\xE9\0\r\0\n\0x\0", 12), L"\u041F\u00E9\rx",
         textview::Encoding::Utf16LE},
        {"utf16be.txt", std::string("\xFE\xFF\x04\x1F\0\xE9", 6), L"\u041F\u00E9",
         textview::Encoding::Utf16BE},
        {"ansi.txt", "caf\xE9 \xFC\r\n", L"caf\u00E9 \u00FC\r", textview::Encoding::Ansi},
    };
    for (const EncodedFileCase& c : cases) {
        const std::string path = tmp.File(c.name);
        WriteFileBytes(path, c.bytes);
        viewer.LoadFromFile(path);
        EXPECT_EQ(viewer.TextEncoding(), c.encoding) << c.name;
        EXPECT_EQ(viewer.DisplayedText(), c.shown) << c.name;
        EXPECT_EQ(viewer.Caption(), std::string("Text Viewer - ") + c.name);
        const std::string copy = tmp.File(std::string("copy of ") + c.name);
        dialogs.saveAnswers.push_back(copy);
        viewer.SaveAs1Click();
        EXPECT_EQ(ReadFileBytes(copy), c.bytes) << c.name;
    }
    // A text given without a file names none.
    viewer.LoadText("x");
    EXPECT_EQ(viewer.Caption(), "Text Viewer");
}

TEST_F(TextViewTest, LongUnicodeTextsKeepEveryLineBreak) {
    // Streamed in pieces: a CR LF pair must never be split into two breaks.
    std::string text;
    for (int i = 0; text.size() < 70000; ++i)
        text += "\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xBA\xD0\xB0 " + std::to_string(i) + "\r\n";
    viewer.LoadText(text);
    EXPECT_EQ(viewer.TextEncoding(), textview::Encoding::Utf8);
    EXPECT_EQ(viewer.SavedText(), text);
}

TEST_F(TextViewTest, CannotBeMadeSmallerThanAFewLinesOfText) {
    viewer.Show();
    ShowWindow(viewer.Handle(), SW_RESTORE);
    SetWindowPos(viewer.Handle(), nullptr, 0, 0, 60, 40, SWP_NOMOVE | SWP_NOZORDER);
    RECT client, text;
    GetClientRect(viewer.Handle(), &client);
    EXPECT_GE(client.right, 240);
    EXPECT_GE(client.bottom, 120);
    GetClientRect(Edit(), &text);
    EXPECT_GT(text.bottom, 3 * 13) << "three lines of the 10-point font";
    viewer.Hide();
}

TEST_F(TextViewTest, EscClosesTheViewerShownWithoutModality) {
    viewer.Show();
    ASSERT_TRUE(viewer.Visible());
    PressKey(VK_ESCAPE);
    EXPECT_FALSE(viewer.Visible());
}

TEST_F(TextViewTest, EscAndExitEndTheModalShowing) {
    struct Case {
        UINT command; // 0: Esc in the text area
        int result;
    };
    for (Case c : {Case{0, ui::mrCancel}, Case{IDM_TV_EXIT, ui::mrOk}}) {
        dialogs.onModal = [&](ui::Form& f) {
            if (c.command)
                PostMessageA(viewer.Handle(), WM_COMMAND, c.command, 0);
            else
                PostMessageA(Edit(), WM_KEYDOWN, VK_ESCAPE, 0);
            return f.RunModal();
        };
        EXPECT_EQ(viewer.ShowModal(), c.result);
        EXPECT_FALSE(viewer.Visible());
    }
}

TEST_F(TextViewTest, AViewerOpenWithoutModalityCannotBeShownModally) {
    viewer.Show();
    try {
        viewer.ShowModal();
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Cannot make a visible window modal");
    }
    EXPECT_EQ(dialogs.modalCount, 0);
    EXPECT_TRUE(viewer.Visible());
    viewer.Hide();
}

TEST_F(TextViewTest, FontDialogStartsFromTheTextFontAndAppliesTheChoice) {
    viewer.LoadText("styled");
    viewer.Font1Click(); // cancelled: nothing changes
    ASSERT_EQ(dialogs.fontRequests.size(), 1u);
    EXPECT_STREQ(dialogs.fontRequests[0].Font.lfFaceName, "Courier New");
    EXPECT_LT(dialogs.fontRequests[0].Font.lfHeight, 0);

    ui::FontChoice answer;
    lstrcpyA(answer.Font.lfFaceName, "Arial");
    answer.Font.lfWeight = FW_BOLD;
    answer.Font.lfItalic = 1;
    answer.Color = RGB(200, 0, 0);
    answer.PointSize10 = 120;
    dialogs.fontAnswers.push_back(answer);
    viewer.Font1Click();
    for (WPARAM which : {WPARAM(SCF_DEFAULT), WPARAM(SCF_SELECTION)}) {
        viewer.RichEdit1().Select(1, 3);
        CHARFORMAT2A cf{};
        cf.cbSize = sizeof cf;
        SendMessageA(Edit(), EM_GETCHARFORMAT, which, reinterpret_cast<LPARAM>(&cf));
        EXPECT_STREQ(cf.szFaceName, "Arial");
        EXPECT_EQ(cf.yHeight, 240);
        EXPECT_TRUE(cf.dwEffects & CFE_BOLD);
        EXPECT_TRUE(cf.dwEffects & CFE_ITALIC);
        EXPECT_EQ(cf.crTextColor, RGB(200, 0, 0));
    }
    // The next showing starts from the chosen font.
    viewer.Font1Click();
    EXPECT_STREQ(dialogs.fontRequests[2].Font.lfFaceName, "Arial");
    EXPECT_EQ(dialogs.fontRequests[2].Color, RGB(200, 0, 0));
}

TEST_F(TextViewTest, PagesCoverTheWholeTextLineByLine) {
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += "Line " + std::to_string(i) + " of a text long enough for several pages.\r\n";
    viewer.LoadText(text);
    const std::wstring shown = viewer.DisplayedText();
    HDC dc = GetDC(nullptr);
    const RECT letter{0, 0, 12240, 15840}; // 8.5 by 11 inches
    const RECT half{0, 0, 12240, 7920};
    std::vector<LONG> pages = viewer.PageStarts(dc, letter);
    std::vector<LONG> halfPages = viewer.PageStarts(dc, half);
    ReleaseDC(nullptr, dc);

    ASSERT_GT(pages.size(), 3u);
    EXPECT_EQ(pages[0], 0);
    for (size_t i = 1; i < pages.size(); ++i) {
        EXPECT_GT(pages[i], pages[i - 1]);
        EXPECT_EQ(shown[pages[i] - 1], L'\r') << "page " << i << " starts inside a line";
    }
    EXPECT_LT(pages.back(), static_cast<LONG>(shown.size()));
    // Half the page height takes about twice the pages.
    EXPECT_GE(halfPages.size(), pages.size() * 2 - 1);
    EXPECT_LE(halfPages.size(), pages.size() * 2 + 1);

    viewer.LoadText("");
    dc = GetDC(nullptr);
    EXPECT_EQ(viewer.PageStarts(dc, letter), std::vector<LONG>{0});
    ReleaseDC(nullptr, dc);
}

TEST_F(TextViewTest, PrintingCancelledPrintsNothing) {
    viewer.LoadText("text");
    viewer.Print1Click();
    viewer.PrintSetup1Click();
    EXPECT_EQ(dialogs.printDialogs, 1);
    EXPECT_EQ(dialogs.printSetupDialogs, 1);
    EXPECT_TRUE(dialogs.Texts().empty());
}

TEST_F(TextViewTest, TheReadmeBesideTheProgramLoads) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir(exe, strrchr(exe, '\\') + 1);
    viewer.LoadFromFile(dir + "readme.txt");
    std::string text = viewer.SavedText();
    EXPECT_GT(text.size(), 2000u);
    for (const char* topic : {"Kelvora98.exe", "temporary", "Kelvora98.ini", "Help"})
        EXPECT_NE(text.find(topic), std::string::npos) << topic;
}

} // namespace
