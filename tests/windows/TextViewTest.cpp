// The text viewer with a real window and real files: loading, the search through the find
// dialog's message, wrapping, saving, closing with Esc, the font dialog and page layout.
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"
#include "windows/TextView.h"
#include "windows/TextViewIds.h"

#include <gtest/gtest.h>

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
    viewer.WrapLines1Click();
    EXPECT_FALSE(viewer.WrapLines());
    EXPECT_EQ(SendMessageA(Edit(), EM_GETLINECOUNT, 0, 0), 2);
    EXPECT_FALSE(GetWindowLongA(Edit(), GWL_STYLE) & WS_HSCROLL);
    viewer.WrapLines1Click();
    EXPECT_TRUE(viewer.WrapLines());
    EXPECT_EQ(SendMessageA(Edit(), EM_GETLINECOUNT, 0, 0), wrapped);
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
