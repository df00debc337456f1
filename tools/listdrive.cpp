// Lists an archive with the program's own component, as the main window's member list reads
// it: one line per member, "name<TAB>size<TAB>packed size" (the name as the list shows it, in
// UTF-8), then any box the listing showed as "message: text", and "error: text" for a read
// error. Used by the listing interop test.
#include "engine/EntryName.h"
#include "engine/ZipKeep.h"
#include "ui/Dialogs.h"

#include <cstdio>
#include <string>

namespace {

// Boxes are printed instead of shown; nothing else is ever asked of the listing.
class PrintedDialogs : public ui::DialogSeam {
public:
    void Info(HWND, const std::string& text) override {
        std::printf("message: %s\n", text.c_str());
    }
    void InfoUtf8(HWND, const std::string& text) override {
        std::printf("message: %s\n", text.c_str());
    }
    bool Confirm(HWND, const std::string& text, ui::DefaultAnswer) override {
        std::printf("confirm: %s\n", text.c_str());
        return false;
    }
    void Error(HWND, const std::string& text) override { std::printf("error: %s\n", text.c_str()); }
    bool OpenFile(HWND, ui::FileDialogRequest&) override { return false; }
    bool SaveFile(HWND, ui::FileDialogRequest&) override { return false; }
    bool PickFont(HWND, ui::FontChoice&) override { return false; }
    bool PickColor(HWND, COLORREF&) override { return false; }
    bool PrintDialog(HWND, ui::PrintDialogRequest&) override { return false; }
    bool PrintSetupDialog(HWND, ui::PrintDialogRequest&) override { return false; }
    HWND ShowFindDialog(FINDREPLACEA&) override { return nullptr; }
    int ShowModal(ui::Form&) override { return IDCANCEL; }
    std::optional<std::any> ShowDialog(const ui::DialogCall&) override { return std::nullopt; }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: listdrive archive\n");
        return 2;
    }
    PrintedDialogs dialogs;
    ui::SetDialogs(&dialogs);
    TZipKeeper zip(nullptr);
    int status = 0;
    try {
        zip.SetZipFilename(argv[1]);
    } catch (const EZipStreamError& e) {
        std::printf("error: %s\n", e.what());
        status = 1;
    }
    for (int i = 0; i < zip.Count(); ++i) {
        const ZipDirEntry& e = zip.Entry(i);
        std::printf("%s\t%llu\t%llu\n", EntryDisplayNameUtf8(e).c_str(),
                    static_cast<unsigned long long>(e.UncompressedSize64),
                    static_cast<unsigned long long>(e.CompressedSize64));
    }
    std::printf("sfxoffset %ld\n", static_cast<long>(zip.SFXOffset));
    std::fflush(stdout);
    ui::SetDialogs(nullptr);
    return status;
}
