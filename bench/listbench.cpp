// Times opening an archive the way the command line does, up to a filled member list, and
// each phase on its own: reading the headers, building and sorting the row keys, filling
// the list. Usage: listbench.exe <archive>
#include "mainwindow/Main.h"
#include "mainwindow/RowKeys.h"
#include "ui/Application.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

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
    const double opened = Now() - t0;
    ui::ProcessMessages(); // the list paints its first page
    double open = Now() - t0;
    std::printf("open: the command %.3f, then painting %.3f\n", opened, open - opened);
    t0 = Now();
    InvalidateRect(form.ListView1().Handle(), nullptr, TRUE);
    UpdateWindow(form.ListView1().Handle());
    std::printf("repaint of the list %.3f\n", Now() - t0);
    t0 = Now();
    InvalidateRect(form.Handle(), nullptr, TRUE);
    RedrawWindow(form.Handle(), nullptr, nullptr, RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_INVALIDATE);
    std::printf("repaint of the window %.3f\n", Now() - t0);

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

    // The row keys' two halves on their own: making the keys, then the locale sort.
    std::vector<std::string> keyList;
    t0 = Now();
    for (int i = 0; i < form.ZipKeeper1().Count(); ++i)
        keyList.push_back(contents::MakeRowKey(form.ZipKeeper1().Entry(i)));
    double make = Now() - t0;
    t0 = Now();
    contents::SortRowsByLocaleName(keyList);
    double sort = Now() - t0;
    std::printf("making keys %.3f, locale sort %.3f\n", make, sort);

    std::printf("members %d rows %d\n", form.ZipKeeper1().Count(), form.ListView1().ItemCount());
    std::printf("open-to-filled-list %.3f s (List %.3f, row keys+sort %.3f, fill %.3f)\n", open,
                list, keys, fill);
    ui::App().MainForm = nullptr;
    return 0;
}
