// Times opening an archive the way the command line does, up to a filled member list, and
// each phase on its own: reading the headers, building and sorting the row keys, filling
// the list. Usage: listbench.exe <archive>
#include "mainwindow/Main.h"
#include "ui/Application.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>

namespace {
double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: listbench <archive>\n");
        return 2;
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    kelvora::SharedState state;
    TMainForm form(state);
    ui::App().MainForm = &form;
    form.Create();
    form.Show();
    ui::ProcessMessages();

    double t0 = Now();
    form.OpenArchive(argv[1]);
    ui::ProcessMessages(); // the list paints its first page
    double open = Now() - t0;

    t0 = Now();
    form.ZipKeeper1().OnDirUpdate = nullptr;
    form.ZipKeeper1().List();
    double list = Now() - t0;
    t0 = Now();
    form.BuildRowKeys();
    double keys = Now() - t0;
    t0 = Now();
    form.FillContentsView();
    double fill = Now() - t0;

    std::printf("members %d rows %d\n", form.ZipKeeper1().Count(), form.ListView1().ItemCount());
    std::printf("open-to-filled-list %.3f s (List %.3f, row keys+sort %.3f, fill %.3f)\n", open,
                list, keys, fill);
    ui::App().MainForm = nullptr;
    return 0;
}
