// TfrmFileInfo: the statistics of the open archive. It computes nothing itself: the main
// window keeps the five values current (ComputeArchiveTotals) and they are shown as given.
#pragma once

#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "base/Handle.h"

#include <array>
#include <string>

// The five values the window shows, kept by the main window at every refresh of the list.
struct FileInfoValues {
    std::string FileName = "0";
    std::string EntryCount = "0";
    std::string CompressedSize = "0";
    std::string UncompressedSize = "0";
    std::string Ratio = "0";
};

// The window has only "&Ok": a showing either ends with it or is cancelled.
struct Acknowledged {};

class TfrmFileInfo : public ui::Dialog<FileInfoValues, Acknowledged> {
public:
    const char* DialogName() const override { return "FileInfo"; }
    // Label1..Label5: file name, entries, compressed, uncompressed, ratio.
    ui::Label& ValueLabel(int n) { return labels_[n - 1]; }

protected:
    CreateParams GetCreateParams() override;
    void OnCreate() override;
    void Load(const FileInfoValues& values) override;
    std::optional<Acknowledged> Collect() override { return Acknowledged{}; }
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void MakeFonts();
    void OnDpiChanged(int oldDpi, int newDpi) override;

    std::array<ui::Label, 5> labels_;
    ui::FontHandle bold_, plain_;
};
