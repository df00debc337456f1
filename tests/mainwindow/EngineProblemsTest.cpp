// Engine problems during a command reach the user as one box afterwards.
#include "mainwindow/EngineProblems.h"

#include "base/zipcore/MemberReader.h"
#include "engine/ZipKeep.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::vector<enginemsg::Problem> Several(int n) {
    std::vector<enginemsg::Problem> p;
    for (int i = 1; i <= n; ++i) {
        std::string text = "f";
        text += std::to_string(i);
        text += ".txt exists";
        p.push_back({6, text});
    }
    return p;
}

TEST(EngineProblemsTest, SummaryCountsListsTheFirstAndSaysHowManyMore) {
    struct Case {
        int count;
        size_t shown;
        const char* expected;
    } cases[] = {
        {0, 8, ""},
        {1, 8, "1 file was not extracted:\r\n\r\nf1.txt exists"},
        {2, 8, "2 files were not extracted:\r\n\r\nf1.txt exists\r\nf2.txt exists"},
        {3, 2,
         "3 files were not extracted:\r\n\r\nf1.txt exists\r\nf2.txt exists\r\n...and 1 more."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(enginemsg::Summary(Several(c.count), "extracted", c.shown), c.expected);
}

TEST(EngineProblemsTest, NotesAndTheUsersCancelAreNoProblems) {
    EXPECT_FALSE(enginemsg::IsProblem(0));
    EXPECT_FALSE(enginemsg::IsProblem(9));
    for (int code : {1, 4, 5, 6, 7, 8, 14})
        EXPECT_TRUE(enginemsg::IsProblem(code)) << code;
}

// With the real extraction engine: a file that exists is skipped, the command's box says so,
// the previous handler still hears every message and is back afterwards.
TEST(EngineProblemsTest, CollectsASkippedMemberFromTheRealEngineAndRestoresTheHandler) {
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    ZipBuilder z;
    LocalMember a, b;
    a.name = "a.txt";
    a.data = "new a";
    b.name = "b.txt";
    b.data = "new b";
    for (LocalMember* m : {&a, &b})
        m->crc = zipcore::Crc32(0, reinterpret_cast<const std::uint8_t*>(m->data.data()),
                                m->data.size());
    z.Archive({a, b});
    z.WriteTo(tmp.File("x.zip"));
    CreateDirectoryA(tmp.File("out").c_str(), nullptr);
    WriteFileBytes(tmp.File("out\\a.txt"), "old a");

    TZipKeeper zip(nullptr);
    int heardBefore = 0;
    zip.OnMessage = [&](TZipKeeper&, std::int32_t, const std::string&) { ++heardBefore; };
    zip.SetZipFilename(tmp.File("x.zip"));
    {
        enginemsg::Collector problems(zip);
        zip.ExtrBaseDir = tmp.File("out");
        zip.Extract();
        ASSERT_EQ(problems.Problems().size(), 1u);
        EXPECT_NE(problems.Problems()[0].Text.find("a.txt"), std::string::npos);
        problems.Report(nullptr, "extracted");
    }
    EXPECT_GE(heardBefore, 1);
    EXPECT_EQ(ReadFileBytes(tmp.File("out\\a.txt")), "old a");
    EXPECT_EQ(ReadFileBytes(tmp.File("out\\b.txt")), "new b");
    ASSERT_EQ(dialogs.Texts().size(), 1u);
    EXPECT_EQ(dialogs.Texts()[0].rfind("1 file was not extracted:", 0), 0u);

    const int before = heardBefore;
    zip.Extract(); // the collector is gone: the old handler alone hears this one
    EXPECT_GT(heardBefore, before);
    EXPECT_EQ(dialogs.Texts().size(), 1u);
}

} // namespace
