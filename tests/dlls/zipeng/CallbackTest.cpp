// The callback contract: per file action 1 then one action 2 per 32768 bytes, one action 3
// at the end, Caller handed back, the calling thread only, and "stop" honoured at once.
#include "EngineFixture.h"

#include <cstring>

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;

class CallbackTest : public EngineFixture {};

TEST_F(CallbackTest, EachFileStartsWithItsNameAndSizeThenOneUnitPer32768Bytes) {
    const std::vector<std::pair<std::string, size_t>> files = {
        {"f0.txt", 0},     {"f1.txt", 10},     {"f2.txt", 32767},
        {"f3.txt", 32768}, {"f4.txt", 100000}, {"f5.txt", 5 * 1048576 + 3},
    };
    for (const auto& [name, size] : files)
        Make("cb\\" + name, TextData(size, static_cast<unsigned>(size)));
    AddOptions o;
    o.keepPaths = false;
    Recorder r;
    const int before = g_foreignCallers;
    ASSERT_EQ(Engine::Get().Add(archive_, {"cb\\*.*"}, o, r), 6);

    std::vector<Event> expected;
    for (const auto& [name, size] : files) {
        expected.push_back({keng::kActionNewFile, 0, static_cast<int>(size), name});
        for (size_t u = 0; u < size / 32768; ++u)
            expected.push_back({keng::kActionProgress, 0, 0, " "});
    }
    expected.push_back({keng::kActionEndOfBatch, 0, 0, " "});
    ASSERT_EQ(r.events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(r.events[i].action, expected[i].action);
        EXPECT_EQ(r.events[i].size, expected[i].size);
        if (expected[i].action == keng::kActionNewFile) {
            EXPECT_EQ(r.events[i].text, expected[i].text);
        }
    }
    EXPECT_FALSE(r.foreignThread);
    EXPECT_EQ(g_foreignCallers, before);
}

TEST_F(CallbackTest, MessagesCarryTheirCodeAndComeOnlyForProblemsUnlessVerbose) {
    Make("a.txt", "a");
    Recorder quiet;
    ASSERT_EQ(Engine::Get().Add(archive_, {"a.txt"}, {}, quiet), 1);
    EXPECT_TRUE(quiet.Messages().empty());

    Recorder verbose;
    AddOptions o;
    o.verbose = true;
    ASSERT_EQ(Engine::Get().Add(archive_, {"a.txt", "b.txt"}, o, verbose), 1);
    EXPECT_TRUE(verbose.HasMessage(keng::kErrNone, "a.txt"));
    EXPECT_TRUE(verbose.HasMessage(keng::kErrNoMatch, "b.txt"));
}

TEST_F(CallbackTest, StoppingInTheMiddleOfAnAddLeavesTheArchiveByteIdentical) {
    Make("first.txt", "first");
    ASSERT_EQ(Engine::Get().Add(archive_, {"first.txt"}), 1);
    const std::string bytes = Bytes(archive_);
    for (int i = 0; i < 8; ++i)
        Make("many\\f" + std::to_string(i) + ".txt", TextData(200000, i));
    Make("many\\big.txt", TextData(4 * 1048576, 99));

    // Stop at the second progress unit of a file cut into pieces, and of a one-piece file.
    for (int stopFile : {1, 4}) { // big.txt is listed first
        SCOPED_TRACE(stopFile);
        Recorder r;
        int files = 0, units = 0;
        r.stopWhen = [&](const Event& e) {
            if (e.action == keng::kActionNewFile) {
                ++files;
                units = 0;
            }
            return e.action == keng::kActionProgress && files == stopFile && ++units == 2;
        };
        EXPECT_EQ(Engine::Get().Add(archive_, {"many\\*.*"}, {}, r), 0);
        EXPECT_EQ(Bytes(archive_), bytes);
        EXPECT_TRUE(TempFiles().empty());
        // Nothing after the stop but the end of the batch.
        ASSERT_GE(r.events.size(), 2u);
        EXPECT_EQ(r.events[r.events.size() - 2].action, keng::kActionProgress);
        EXPECT_EQ(r.events.back().action, keng::kActionEndOfBatch);
        EXPECT_EQ(files, stopFile);
    }
}

TEST_F(CallbackTest, StoppingTheFirstAddLeavesNoArchiveAtAll) {
    Make("a.txt", TextData(100000, 1));
    Recorder r;
    r.stopWhen = [](const Event& e) { return e.action == keng::kActionNewFile; };
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt"}, {}, r), 0);
    EXPECT_FALSE(FileExists(archive_));
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(r.Count(keng::kActionNewFile), 1);
    EXPECT_EQ(r.Count(keng::kActionProgress), 0);
}

TEST_F(CallbackTest, StoppingOnAMessageStopsToo) {
    Make("a.txt", "a");
    Make("b.txt", "b");
    Recorder r;
    r.stopWhen = [](const Event& e) { return e.action >= keng::kActionMessage; };
    EXPECT_EQ(Engine::Get().Add(archive_, {"missing.txt", "a.txt", "b.txt"}, {}, r), 0);
    EXPECT_FALSE(FileExists(archive_));
    EXPECT_EQ(r.Count(keng::kActionNewFile), 0);
}

TEST_F(CallbackTest, WithoutACallbackTheEngineStillWorks) {
    Make("a.txt", "a");
    std::vector<char> archive(keng::kNameBufferSize), password(keng::kPasswordBufferSize);
    std::vector<char> pattern(keng::kNameBufferSize);
    std::strcpy(archive.data(), archive_.c_str());
    std::strcpy(pattern.data(), "a.txt");
    auto params = std::make_unique<keng::ZipParams>();
    Engine::FillForAdd(*params, {}, archive.data(), password.data());
    params->Callback = nullptr;
    params->Argc = 1;
    params->FileSpecs[0] = pattern.data();
    Recorder r;
    EXPECT_EQ(Engine::Get().Exec(*params, r), 1);
    EXPECT_TRUE(r.events.empty());
    EXPECT_EQ(ArchiveView(archive_).Data("a.txt"), "a");
}

} // namespace
} // namespace zipeng_test
