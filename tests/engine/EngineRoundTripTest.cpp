// The archive component driving the real engine libraries built beside the test: add files
// to a new archive, list it, extract and compare, delete members and list again. A test
// whose engine is not built yet is skipped.
#include "engine/PathUtil.h"
#include "engine/UnzEng.h"
#include "engine/ZipEng.h"
#include "engine/ZipKeep.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;

namespace {

using Texts = std::vector<std::string>;

std::string ExeFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1);
}

bool Built(const char* dll) {
    return kpath::FileExists(ExeFolder() + dll);
}

std::string Pseudorandom(size_t n, unsigned seed) {
    std::string s(n, '\0');
    for (auto& c : s) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return s;
}

class RoundTripTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder src;
    TempFolder out;
    TZipKeeper zip{nullptr};
    int dirUpdates = 0;
    std::string archive;

    void SetUp() override {
        SetCurrentDirectoryA(ExeFolder().c_str());
        zip.OnDirUpdate = [this](TZipKeeper&) { ++dirUpdates; };
        WriteFileBytes(src.File("hello.txt"), "Hello, archive!\r\n");
        WriteFileBytes(src.File("random.bin"), Pseudorandom(200000, 7));
        WriteFileBytes(src.File("text.txt"), std::string(100000, 'a') + "end");
        WriteFileBytes(src.File("empty.dat"), "");
        archive = out.File("new.zip");
    }
    void TearDown() override { SetCurrentDirectoryA(ExeFolder().c_str()); }

    Texts Names() const {
        Texts n;
        for (int i = 0; i < zip.Count(); ++i)
            n.push_back(zip.Entry(i).FileName);
        std::sort(n.begin(), n.end());
        return n;
    }
    void AddAll() {
        zip.SetZipFilename(archive);
        zip.SetFSpecArgs({src.File("hello.txt"), src.File("random.bin"), src.File("text.txt"),
                          src.File("empty.dat")});
        zip.Add();
    }
};

TEST_F(RoundTripTest, AddToANewArchiveListDeleteAndListAgain) {
    if (!Built("KZIPENG.DLL")) GTEST_SKIP() << "KZIPENG.DLL is not built yet";
    AddAll();
    ASSERT_EQ(zip.SuccessCnt, 4) << ::testing::PrintToString(dialogs.Texts());
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_EQ(Names(), (Texts{"empty.dat", "hello.txt", "random.bin", "text.txt"}));
    for (int i = 0; i < zip.Count(); ++i) {
        const ZipDirEntry& e = zip.Entry(i);
        EXPECT_EQ(e.UncompressedSize, ReadFileBytes(src.File(e.FileName)).size()) << e.FileName;
    }
    EXPECT_FALSE(ZipEngLoaded()) << "loaded by the add, so unloaded by it";

    zip.SetFSpecArgs({"random.bin", "*.txt"});
    zip.Delete();
    EXPECT_EQ(zip.SuccessCnt, 3);
    EXPECT_EQ(Names(), Texts{"empty.dat"});
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
}

TEST_F(RoundTripTest, ExtractIntoANewFolderGivesBackTheOriginalBytes) {
    if (!Built("KZIPENG.DLL") || !Built("KUNZENG.DLL"))
        GTEST_SKIP() << "KZIPENG.DLL or KUNZENG.DLL is not built yet";
    AddAll();
    ASSERT_EQ(zip.SuccessCnt, 4) << ::testing::PrintToString(dialogs.Texts());

    std::string target = out.File("extracted\\here");
    zip.ExtrBaseDir = target;
    zip.ExtrOptions = {ExtrDirNames, ExtrOverWrite};
    zip.SetFSpecArgs({"*.*"});
    zip.Extract();
    EXPECT_EQ(zip.SuccessCnt, 4);
    for (const char* name : {"hello.txt", "random.bin", "text.txt", "empty.dat"})
        EXPECT_EQ(ReadFileBytes(target + "\\" + name), ReadFileBytes(src.File(name))) << name;
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
}

TEST_F(RoundTripTest, FolderNamesKeptWithDirNamesAndRecreatedOnExtraction) {
    if (!Built("KZIPENG.DLL") || !Built("KUNZENG.DLL"))
        GTEST_SKIP() << "KZIPENG.DLL or KUNZENG.DLL is not built yet";
    CreateDirectoryA(src.File("sub").c_str(), nullptr);
    WriteFileBytes(src.File("sub\\inner.txt"), "inner");
    WriteFileBytes(src.File("top.txt"), "top");
    SetCurrentDirectoryA(src.Path().c_str());
    zip.SetZipFilename(archive);
    zip.AddOptions = {AddDirNames};
    zip.SetFSpecArgs({"top.txt", "sub\\inner.txt"});
    zip.Add();
    ASSERT_EQ(zip.SuccessCnt, 2) << ::testing::PrintToString(dialogs.Texts());
    EXPECT_EQ(Names(), (Texts{"sub/inner.txt", "top.txt"}));

    zip.ExtrBaseDir = out.File("x");
    zip.ExtrOptions = {ExtrDirNames};
    zip.Extract(); // no names: everything
    EXPECT_EQ(zip.SuccessCnt, 2);
    EXPECT_EQ(ReadFileBytes(out.File("x\\sub\\inner.txt")), "inner");
    EXPECT_EQ(ReadFileBytes(out.File("x\\top.txt")), "top");
}

TEST_F(RoundTripTest, DirUpdateFiresOnceAfterAnAddThatProcessedFilesAndNotOtherwise) {
    if (!Built("KZIPENG.DLL")) GTEST_SKIP() << "KZIPENG.DLL is not built yet";
    AddAll();
    ASSERT_EQ(zip.SuccessCnt, 4) << ::testing::PrintToString(dialogs.Texts());
    EXPECT_EQ(dirUpdates, 2) << "once for naming the archive, once after the add";

    dirUpdates = 0;
    zip.SetFSpecArgs({src.File("*.nothing")});
    zip.Add();
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_EQ(dirUpdates, 0);

    WriteFileBytes(src.File("later.txt"), "later");
    zip.SetFSpecArgs({src.File("later.txt")});
    zip.Add();
    EXPECT_EQ(zip.SuccessCnt, 1);
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_EQ(zip.Count(), 5);
}

TEST_F(RoundTripTest, ProgressReportsEachFileAndEndsTheBatch) {
    if (!Built("KZIPENG.DLL")) GTEST_SKIP() << "KZIPENG.DLL is not built yet";
    std::vector<std::pair<ProgressType, std::string>> progress;
    int updates = 0;
    zip.OnProgress = [&](TZipKeeper& s, ProgressType t, const std::string& name, std::int32_t) {
        EXPECT_EQ(&s, &zip);
        if (t == ProgressType::ProgressUpdate)
            ++updates;
        else
            progress.push_back({t, name});
    };
    AddAll();
    ASSERT_EQ(zip.SuccessCnt, 4) << ::testing::PrintToString(dialogs.Texts());
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().first, ProgressType::EndOfBatch);
    EXPECT_EQ(std::count_if(progress.begin(), progress.end(),
                            [](auto& p) { return p.first == ProgressType::NewFile; }),
              4);
    EXPECT_GE(updates, 200000 / 32768) << "one unit per 32768 bytes of the large file";
}

} // namespace
