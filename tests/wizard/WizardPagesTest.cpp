// The wizard's pages one at a time: their look and texts, the naming step of page 2 and the
// file-choosing step of page 3.
#include "tests/support/WindowPixels.h"
#include "tests/wizard/WizardFixture.h"

#include <commctrl.h>

using namespace testing_support;

namespace {

using Texts = std::vector<std::string>;

std::string ControlText(ui::Form& page, int id) {
    ui::Control c(page.Control(id));
    return c.Text();
}

TEST_F(WizardTest, PagesHaveTheirCaptionsSizesFramesAndButtons) {
    struct Case {
        ui::Form* page;
        const char* caption;
        bool closeBox;
        bool sizeable;
        std::vector<std::pair<int, const char*>> buttons;
    } cases[] = {
        {&wiz1,
         "Kelvora - Wizard (1/X)",
         true,
         false,
         {{IDC_WIZ_CLOSE, "&Close"},
          {IDC_WIZ_NEXT, "&Next >>"},
          {IDC_WIZ_FURTHERINFO, "Further Info"}}},
        {&wiz1Fur, "Kelvora Wizard (1/X) - Further Info", false, false, {{IDC_WIZ_BACK, "&Back"}}},
        {&wiz2,
         "Kelvora Wizard (2/X)",
         false,
         false,
         {{IDC_WIZ_CLOSE, "&Close"}, {IDC_WIZ_BACK, "<< &Back"}, {IDC_WIZ_NEXT, "&Next >>"}}},
        {&wiz3,
         "Kelvora Wizard (3/X)",
         false,
         false,
         {{IDC_WIZ_CLOSE, "&Close"},
          {IDC_WIZ_BACK, "<< &Back"},
          {IDC_WIZ_NEXT, "&Next >>"},
          {IDC_WIZ3_ADDFILES, "Add Files"},
          {IDC_WIZ3_CLEARLIST, "Clear List"}}},
        {&wiz4, "Kelvora Wizard - Information", false, true, {{IDOK, "OK"}}},
    };
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    for (const Case& c : cases) {
        const std::string name = PageName(c.page);
        EXPECT_EQ(c.page->Caption(), c.caption);
        RECT client, frame;
        GetClientRect(c.page->Handle(), &client);
        GetWindowRect(c.page->Handle(), &frame);
        EXPECT_EQ(client.right, 392) << name;
        EXPECT_EQ(client.bottom, 273) << name;
        EXPECT_LE(std::abs((frame.left + frame.right) - screenW), 1) << name << " centred";
        EXPECT_LE(std::abs((frame.top + frame.bottom) - screenH), 1) << name << " centred";
        const LONG style = GetWindowLongA(c.page->Handle(), GWL_STYLE);
        EXPECT_EQ((style & WS_SYSMENU) != 0, c.closeBox) << name;
        EXPECT_EQ((style & WS_THICKFRAME) != 0, c.sizeable) << name;
        EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0) << name;
        for (auto& [id, text] : c.buttons)
            EXPECT_EQ(ControlText(*c.page, id), text) << name;
    }
    // Page 4 grows with its text and OK, and keeps its design size as the smallest.
    RECT before;
    GetWindowRect(wiz4.Handle(), &before);
    SetWindowPos(wiz4.Handle(), nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
    RECT small;
    GetClientRect(wiz4.Handle(), &small);
    EXPECT_EQ(small.right, 392);
    EXPECT_EQ(small.bottom, 273);
    SetWindowPos(wiz4.Handle(), nullptr, 0, 0, before.right - before.left + 100,
                 before.bottom - before.top + 50, SWP_NOMOVE | SWP_NOZORDER);
    RECT ok;
    GetWindowRect(wiz4.Control(IDOK), &ok);
    MapWindowPoints(nullptr, wiz4.Handle(), reinterpret_cast<POINT*>(&ok), 2);
    EXPECT_EQ(ok.right, 384 + 100);
    EXPECT_EQ(ok.bottom, 264 + 50);
    EXPECT_FALSE(IsWindowEnabled(wiz3.Control(IDC_WIZ_NEXT))) << "disabled at first";
    EXPECT_FALSE(IsWindowEnabled(wiz3.Control(IDC_WIZ3_CLEARLIST))) << "disabled at first";
}

TEST_F(WizardTest, HeadingsAreBoldAndTextBlocksShowTheirLinesWithoutExtraWrapping) {
    struct Heading {
        ui::Form* page;
        int id;
        const char* text;
    } headings[] = {
        {&wiz1, IDC_WIZ1_HEADING, "Welcome to Kelvora Wizard!"},
        {&wiz1Fur, IDC_WIZ1FUR_HEADING1, "What's a Zip-file?"},
        {&wiz1Fur, IDC_WIZ1FUR_HEADING2, "Why should I care?"},
        {&wiz2, IDC_WIZ2_HEADING, "1) Name the File"},
        {&wiz3, IDC_WIZ3_HEADING, "2) Add files to compress"},
        {&wiz4, IDC_WIZ4_HEADING, "Now you don't need the wizard any more!"},
    };
    for (const Heading& h : headings) {
        EXPECT_EQ(ControlText(*h.page, h.id), h.text);
        LOGFONTA lf{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(h.page->Control(h.id), WM_GETFONT, 0, 0)),
                   sizeof lf, &lf);
        EXPECT_GE(lf.lfWeight, FW_BOLD) << h.text;
    }
    struct Block {
        ui::Form* page;
        int id;
        size_t lines;
    } blocks[] = {
        {&wiz1, IDC_WIZ1_MEMO1, 7},       {&wiz1Fur, IDC_WIZ1FUR_MEMO1, 5},
        {&wiz1Fur, IDC_WIZ1FUR_MEMO2, 5}, {&wiz2, IDC_WIZ2_MEMO1, 4},
        {&wiz2, IDC_WIZ2_MEMO2, 4},       {&wiz3, IDC_WIZ3_MEMO1, 6},
        {&wiz3, IDC_WIZ3_MEMO2, 2},       {&wiz3, IDC_WIZ3_MEMO3, 3},
        {&wiz4, IDC_WIZ4_MEMO1, 13},
    };
    for (const Block& b : blocks) {
        HWND memo = b.page->Control(b.id);
        const std::string where = PageName(b.page) + " " + std::to_string(b.id);
        EXPECT_TRUE(GetWindowLongA(memo, GWL_STYLE) & ES_READONLY) << where;
        EXPECT_EQ(GetWindowLongA(memo, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE), 0);
        // Every given line fits: the control shows exactly as many lines as it was given,
        // and all of them fit in its height.
        EXPECT_EQ(static_cast<size_t>(SendMessageA(memo, EM_GETLINECOUNT, 0, 0)), b.lines) << where;
        HDC dc = GetDC(memo);
        HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(memo, WM_GETFONT, 0, 0)));
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(memo, dc);
        RECT r;
        SendMessageA(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
        EXPECT_GE(r.bottom - r.top, static_cast<LONG>(b.lines) * tm.tmHeight) << where;
    }
    // Lines are kept whole, trailing blanks included.
    EXPECT_EQ(ControlText(wiz2, IDC_WIZ2_MEMO1),
              "You have to select a directory where to put \r\n"
              "your new file. Such a directory could be \r\n"
              "\"c:\\MyZipFiles\\\" or any other name that you \r\n"
              "like.");
    EXPECT_EQ(ControlText(wiz3, IDC_WIZ3_MEMO2),
              "If you're finished adding files, press \"Next\" \r\nto compress the files.");
    EXPECT_EQ(ControlText(wiz1, IDC_WIZ1_HINT), "Now, press \"Next\" and let's get started!");
    EXPECT_EQ(ControlText(wiz1Fur, IDC_WIZ1FUR_HINT), "Now, press \"Back\" and start zipping!");
    EXPECT_EQ(ControlText(wiz2, IDC_WIZ2_HINT), "To name your new file press \"Next\"");
    EXPECT_EQ(ControlText(wiz3, IDC_WIZ3_LISTCAPTION), "Files to Add:");
}

TEST_F(WizardTest, PicturesShowOnPagesOneAndTwo) {
    for (auto [page, id] :
         {std::pair<ui::Form*, int>{&wiz1, IDC_WIZ1_PICTURE}, {&wiz2, IDC_WIZ2_PICTURE}}) {
        auto bitmap = reinterpret_cast<HBITMAP>(
            SendMessageA(page->Control(id), STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_TRUE(bitmap) << PageName(page);
        BITMAP bm{};
        GetObjectA(bitmap, sizeof bm, &bm);
        RECT r;
        GetWindowRect(page->Control(id), &r);
        EXPECT_EQ(bm.bmWidth, r.right - r.left);
        EXPECT_EQ(bm.bmHeight, r.bottom - r.top);
    }
}

class NamingTest : public WizardTest {
protected:
    // The naming step as page 2's Next runs it; the page stays when it fails.
    bool Name(const std::string& answer) {
        dialogs.openAnswers.push_back(answer);
        return wiz2.NameArchive();
    }
};

TEST_F(NamingTest, TheDialogIsSetForANewZipFile) {
    wiz2.OpenDialog1.Options = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING;
    EXPECT_FALSE(Name(""));
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const ui::FileDialogRequest& r = dialogs.fileRequests[0];
    EXPECT_EQ(r.Title, "Create new Zip file");
    EXPECT_EQ(r.Filter, "ZIP Files (*.ZIP)|*.zip");
    EXPECT_EQ(r.Options, static_cast<DWORD>(OFN_HIDEREADONLY | OFN_SHAREAWARE | OFN_ENABLESIZING));
    EXPECT_TRUE(dialogs.Texts().empty());
    EXPECT_EQ(state.CurrentArchiveName, "");
}

TEST_F(NamingTest, NamesAreCompletedOrRefusedWithTheirMessages) {
    const std::string dotted = tmp.File("my.files\\letters");
    struct Case {
        std::string chosen;
        std::string stored; // empty: refused
        std::string message;
    } cases[] = {
        {tmp.File("letters"), tmp.File("letters.zip"), ""},
        {tmp.File("letters.ZIP"), tmp.File("letters.ZIP"), ""},
        {tmp.File("letters.txt"), "", "Error: your new archive must end in .ZIP"},
        {tmp.File("setup.exe"), "", "Error: you must create a .ZIP file, then convert to .EXE"},
        {dotted, "", "Error: your new archive must end in .ZIP"},
    };
    for (const Case& c : cases) {
        state.CurrentArchiveName = "before.zip";
        dialogs.Clear();
        EXPECT_EQ(Name(c.chosen), !c.stored.empty()) << c.chosen;
        EXPECT_EQ(state.CurrentArchiveName, c.stored.empty() ? "before.zip" : c.stored);
        EXPECT_EQ(dialogs.Texts(), c.message.empty() ? Texts{} : Texts{c.message}) << c.chosen;
    }
}

TEST_F(NamingTest, AnExistingArchiveIsNamedOnlyAfterYesAndStaysInPlace) {
    const std::string old = tmp.File("old.zip");
    WriteFileBytes(old, "the old archive");
    for (bool yes : {false, true}) {
        dialogs.Clear();
        dialogs.confirmAnswers = {yes};
        EXPECT_EQ(Name(tmp.File("old")), yes);
        EXPECT_EQ(dialogs.Texts(), Texts{"Overwrite Existing File: " + old + "?"});
        EXPECT_EQ(ReadFileBytes(old), "the old archive") << "replaced only once page 3 wrote";
        EXPECT_EQ(state.CurrentArchiveName, yes ? old : "");
    }
}

TEST_F(WizardTest, ChoosingFilesListsEachPathOnceAsChosenWithItsIcon) {
    const std::string a = tmp.File("Report.TXT"), b = tmp.File("photo.bmp");
    WriteFileBytes(a, "a");
    WriteFileBytes(b, "b");
    dialogs.multiOpenAnswers = {{a, b, kpath::UpperCase(a)}, {}, {kpath::LowerCase(b)}};
    wiz3.btnAddFilesClick();
    const ui::FileDialogRequest& r = dialogs.fileRequests.at(0);
    EXPECT_EQ(r.Title, "Add files to Zip...");
    EXPECT_EQ(r.Filter, "All Files (*.*)|*.*");
    EXPECT_EQ(r.InitialDir, "c:\\");
    EXPECT_EQ(r.Options,
              static_cast<DWORD>(OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_PATHMUSTEXIST |
                                 OFN_FILEMUSTEXIST | OFN_SHAREAWARE));
    const Texts expected{a, b}; // names are data: their letter case stays
    auto lists = [&] {
        Texts rows, patterns;
        for (int i = 0; i < wiz3.ListView1().ItemCount(); ++i)
            rows.push_back(wiz3.ListView1().ItemText(i, 0));
        for (int i = 0; i < wiz3.ListBox1().Count(); ++i)
            patterns.push_back(wiz3.ListBox1().Item(i));
        EXPECT_EQ(rows, patterns) << "the two lists go together";
        return patterns;
    };
    EXPECT_EQ(lists(), expected);
    EXPECT_TRUE(IsWindowEnabled(wiz3.Control(IDC_WIZ_NEXT)));
    EXPECT_TRUE(IsWindowEnabled(wiz3.Control(IDC_WIZ3_CLEARLIST)));
    SHFILEINFOA fi{};
    SHGetFileInfoA("x.bmp", FILE_ATTRIBUTE_NORMAL, &fi, sizeof fi,
                   SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = 1;
    SendMessageA(wiz3.ListView1().Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, fi.iIcon);

    wiz3.btnAddFilesClick(); // cancelled
    wiz3.btnAddFilesClick(); // only a file listed already
    EXPECT_EQ(lists(), expected);

    wiz3.btnClearListClick();
    EXPECT_EQ(lists(), Texts{});
    EXPECT_FALSE(IsWindowEnabled(wiz3.Control(IDC_WIZ_NEXT)));
    EXPECT_FALSE(IsWindowEnabled(wiz3.Control(IDC_WIZ3_CLEARLIST)));
    dialogs.multiOpenAnswers = {{a, a}};
    wiz3.btnAddFilesClick();
    EXPECT_EQ(lists(), Texts{a});
}

} // namespace

namespace {

// The pixels of one row of a list, from its left edge to the list's right edge.
std::vector<std::uint32_t> RowPixels(const ui::ListView& list, int row) {
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(list.Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    RECT client;
    GetClientRect(list.Handle(), &client);
    const std::vector<std::uint32_t> all = ClientPixels(list.Handle());
    std::vector<std::uint32_t> out;
    for (LONG y = std::max(0L, r.top); y < std::min(r.bottom, client.bottom); ++y)
        out.insert(out.end(), all.begin() + y * client.right, all.begin() + (y + 1) * client.right);
    return out;
}

TEST_F(WizardTest, PageThreeShowsEachFileByItsOwnPath) {
    // Two files deep in the same folder, alike up to their names.
    const std::string folder = tmp.File("a folder with a long name\\and another one below it");
    CreateDirectoryA(tmp.File("a folder with a long name").c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string a = folder + "\\first.txt", b = folder + "\\second.txt";
    WriteFileBytes(a, "a");
    WriteFileBytes(b, "b");
    dialogs.multiOpenAnswers = {{a, b}};
    wiz3.Show();
    wiz3.btnAddFilesClick();
    ASSERT_EQ(wiz3.ListView1().ItemCount(), 2);
    EXPECT_EQ(wiz3.ListView1().ItemText(1, 0), b);
    ASSERT_TRUE(ShowsItsOwnDrawing(wiz3.ListView1().Handle()));
    const std::vector<std::uint32_t> first = RowPixels(wiz3.ListView1(), 0);
    const std::vector<std::uint32_t> second = RowPixels(wiz3.ListView1(), 1);
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second) << "both rows look alike";
    // Each row lies below the one before, as a list of paths does.
    RECT r0{LVIR_BOUNDS, 0, 0, 0}, r1{LVIR_BOUNDS, 0, 0, 0};
    SendMessageA(wiz3.ListView1().Handle(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r0));
    SendMessageA(wiz3.ListView1().Handle(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1));
    EXPECT_GE(r1.top, r0.bottom);
    wiz3.Hide();
}

TEST_F(WizardTest, PageFourEnlargedDrawsItsButtonAndText) {
    wiz4.Show();
    RECT frame;
    GetWindowRect(wiz4.Handle(), &frame);
    const struct {
        const char* name;
        int dx, dy;
    } sizes[] = {{"wider", 200, 0}, {"taller", 0, 150}, {"both", 300, 200}, {"design", 0, 0}};
    for (const auto& s : sizes) {
        SetWindowPos(wiz4.Handle(), nullptr, 0, 0, frame.right - frame.left + s.dx,
                     frame.bottom - frame.top + s.dy, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_TRUE(ShowsItsOwnDrawing(wiz4.Control(IDOK))) << s.name;
        EXPECT_TRUE(ShowsItsOwnDrawing(wiz4.Control(IDC_WIZ4_MEMO1))) << s.name;
    }
    wiz4.Hide();
}

} // namespace
