// The main window with real engines, a temporary folder with a space in its name, the text
// viewer, and recorders in place of the shell and Windows help.
#pragma once

#include "base/LongPaths.h"
#include "base/zipcore/MemberReader.h"
#include "engine/PathUtil.h"
#include "tests/mainwindow/MainFormFixture.h"
#include "windows/TextView.h"

#include <string>
#include <vector>

namespace testing_support {

// A stored member with the right checksum.
inline LocalMember Stored(const std::string& name, const std::string& data) {
    LocalMember m;
    m.name = name;
    m.data = data;
    m.crc = zipcore::Crc32(0, reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    return m;
}

// The folders directly inside a folder.
inline std::vector<std::string> SubFolders(const std::string& folder) {
    std::vector<std::string> out;
    kname::ForEachInFolder(folder + "\\", [&](const WIN32_FIND_DATAW& fd, const std::string& n) {
        if (n != "." && n != ".." && (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            out.push_back(folder + "\\" + n);
        return true;
    });
    return out;
}

class MemberCommandsTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        launch.Open = [this](const std::string& target) { opened.push_back(target); };
        launch.Help = [this](HWND owner, const std::string& file, UINT command) {
            helpAsked.push_back({owner, file, command});
        };
        viewer.Create();
        form.UseWindows({.TextViewer = &viewer});
    }
    void TearDown() override {
        if (viewer.Visible()) viewer.Hide();
        MainFormTest::TearDown();
    }
    void OpenStored(const std::vector<LocalMember>& members) {
        form.OpenArchive(MakeArchive(members));
    }
    // Selects exactly these rows (by list position) and gives the list the keyboard.
    void Select(std::initializer_list<int> rows) {
        form.ListView1().SelectRow(-1, false);
        for (int r : rows)
            form.ListView1().SelectRow(r, true);
        SetFocus(form.ListView1().Handle());
    }
    int Row(const std::string& member) {
        for (int i = 0; i < form.ListView1().ItemCount(); ++i)
            if (form.RowEntryName(i) == member) return i;
        return -1;
    }

    struct HelpRequest {
        HWND owner;
        std::string file;
        UINT command;
    };
    std::vector<std::string> opened;
    std::vector<HelpRequest> helpAsked;
    TfrmTextViewer viewer;
};

} // namespace testing_support
