// Names in several scripts and exact file times through both real engines: add a tree,
// list it, extract it, and get back the same names, bytes and modification times.
#include "base/MemberNames.h"
#include "base/zipcore/ZipFormat.h"
#include "engine/EntryName.h"
#include "engine/PathUtil.h"
#include "engine/ZipKeep.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "base/Handle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

using namespace testing_support;

namespace {

std::string ExeFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::wstring W(const std::string& utf8) {
    return kname::Widen(utf8, CP_UTF8);
}

// A file named in UTF-8 below `folder`, with its folders, and a modification time with
// 100 ns digits that a DOS time cannot hold.
void MakeFile(const std::string& folder, const std::string& relative, const std::string& data,
              std::uint64_t modified) {
    const std::wstring path = W(folder + relative);
    for (size_t i = folder.size(); i < path.size(); ++i)
        if (path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
    ui::FileHandle f(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f) << relative;
    DWORD wrote = 0;
    WriteFile(f.Get(), data.data(), static_cast<DWORD>(data.size()), &wrote, nullptr);
    const FILETIME t{static_cast<DWORD>(modified), static_cast<DWORD>(modified >> 32)};
    SetFileTime(f.Get(), nullptr, nullptr, &t);
}

struct Found {
    std::string data;
    std::uint64_t modified = 0;
};

// Every file below the folder by its UTF-8 relative name.
void Collect(const std::wstring& folder, const std::string& prefix,
             std::map<std::string, Found>& out) {
    WIN32_FIND_DATAW fd;
    ui::FindHandle h(FindFirstFileW((folder + L"*").c_str(), &fd));
    if (!h) return;
    do {
        const std::wstring n = fd.cFileName;
        if (n == L"." || n == L"..") continue;
        const std::string name = prefix + kname::Narrow(n, CP_UTF8);
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Collect(folder + n + L"\\", name + "/", out);
            continue;
        }
        Found& f = out[name];
        f.modified = (std::uint64_t{fd.ftLastWriteTime.dwHighDateTime} << 32) |
                     fd.ftLastWriteTime.dwLowDateTime;
        ui::FileHandle file(CreateFileW((folder + n).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
        char buf[4096];
        DWORD got = 0;
        while (ReadFile(file.Get(), buf, sizeof buf, &got, nullptr) && got > 0)
            f.data.append(buf, got);
    } while (FindNextFileW(h.Get(), &fd));
}

} // namespace

TEST(UnicodeRoundTrip, NamesInEveryScriptBytesAndExactTimesComeBack) {
    if (!kpath::FileExists(ExeFolder() + "KZIPENG.DLL") ||
        !kpath::FileExists(ExeFolder() + "KUNZENG.DLL"))
        GTEST_SKIP() << "the engines are not built yet";
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder src, out;
    const std::uint64_t base = 133000000001234567ull; // 2022, odd seconds and 100 ns digits
    const std::map<std::string, std::string> files = {
        {"caf\xC3\xA9.txt", "coffee"},
        {"na\xC3\xAFve/r\xC3\xA9sum\xC3\xA9.txt", "cv"},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", "nihongo"},
        {"smile \xF0\x9F\x98\x80.txt", "emoji"},
        {"\xCE\xA9mega.txt", "omega, the letter"},
        {"Omega.txt", "omega, plain"},
        {"plain.txt", std::string(70000, 'p')},
    };
    std::uint64_t t = base;
    for (const auto& [name, data] : files) {
        std::string relative = name;
        for (char& c : relative)
            if (c == '/') c = '\\';
        MakeFile(src.Path(), relative, data, t += 12345678901ull);
    }

    TZipKeeper zip(nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA(src.Path().c_str()));
    zip.SetZipFilename(out.File("names.zip"));
    zip.AddOptions = {AddDirNames, AddRecurseDirs};
    zip.SetFSpecArgs({"*.*"});
    zip.Add();
    SetCurrentDirectoryA(ExeFolder().c_str());
    ASSERT_EQ(zip.SuccessCnt, 8) << ::testing::PrintToString(dialogs.Texts()); // and naïve/

    // Listed by the names they stand for; stored as UTF-8 with the flag only where needed.
    std::map<std::string, const ZipDirEntry*> listed;
    for (int i = 0; i < zip.Count(); ++i)
        listed[EntryDisplayNameUtf8(zip.Entry(i))] = &zip.Entry(i);
    for (const auto& [name, data] : files) {
        ASSERT_TRUE(listed.count(name)) << name;
        const ZipDirEntry& e = *listed[name];
        EXPECT_EQ(e.FileName, name) << "stored as UTF-8";
        const bool ascii = std::all_of(name.begin(), name.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        EXPECT_EQ((e.Flag & zipcore::kFlagUtf8) != 0, !ascii) << name;
        EXPECT_EQ(e.UncompressedSize64, data.size()) << name;
    }

    zip.ExtrBaseDir = out.File("x");
    CreateDirectoryA(zip.ExtrBaseDir.c_str(), nullptr);
    zip.ExtrOptions = {ExtrDirNames};
    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    SetCurrentDirectoryA(ExeFolder().c_str());
    EXPECT_EQ(zip.SuccessCnt, 7) << ::testing::PrintToString(dialogs.Texts());

    std::map<std::string, Found> original, extracted;
    Collect(W(src.Path()), "", original);
    Collect(W(out.File("x\\")), "", extracted);
    ASSERT_EQ(extracted.size(), files.size());
    for (const auto& [name, f] : original) {
        ASSERT_TRUE(extracted.count(name)) << name;
        EXPECT_EQ(extracted[name].data, f.data) << name;
        EXPECT_EQ(extracted[name].modified, f.modified) << name << ": the exact time";
    }
}
