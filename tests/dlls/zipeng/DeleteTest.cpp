// Deleting members by name and by mask; the rest is copied unchanged.
#include "EngineFixture.h"

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;

class DeleteTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        Make("a.txt", TextData(3000, 1));
        Make("b.dat", TextData(70000, 2));
        Make("docs\\c.txt", TextData(4000, 3));
        Make("docs\\d.dat", TextData(5000, 4));
        Make("docs\\sub\\e.txt", "e");
        AddOptions o;
        o.recurse = true;
        ASSERT_EQ(Engine::Get().Add(archive_, {"*.*"}, o), 7);
        ASSERT_THAT(ArchiveView(archive_).Names(),
                    ElementsAre("a.txt", "b.dat", "docs/", "docs/c.txt", "docs/d.dat", "docs/sub/",
                                "docs/sub/e.txt"));
    }
};

TEST_F(DeleteTest, NamesAndMasksRemoveMembersAndTheRestIsCopiedUnchanged) {
    const ArchiveView before(archive_);
    Recorder r;
    EXPECT_EQ(Engine::Get().Delete(archive_, {"a.txt", "*.dat"}, r), 3);
    const ArchiveView after(archive_);
    EXPECT_THAT(after.Names(), ElementsAre("docs/", "docs/c.txt", "docs/sub/", "docs/sub/e.txt"));
    for (const std::string name : {"docs/", "docs/c.txt", "docs/sub/", "docs/sub/e.txt"})
        EXPECT_EQ(after.Raw(name), before.Raw(name)) << name;
    EXPECT_EQ(after.Data("docs/c.txt"), TextData(4000, 3));
    // One action 1 per deleted member with its size, then the end of the batch.
    EXPECT_THAT(r.FilesStarted(), ElementsAre("a.txt", "b.dat", "docs/d.dat"));
    EXPECT_EQ(r.events.front().size, 3000);
    EXPECT_EQ(r.events.back().action, keng::kActionEndOfBatch);
    EXPECT_TRUE(r.Messages().empty());
}

TEST_F(DeleteTest, BackslashesAndLetterCaseDoNotMatterAndAFolderNameTakesItsTree) {
    Recorder r;
    EXPECT_EQ(Engine::Get().Delete(archive_, {"DOCS\\C.TXT"}, r), 1);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("a.txt", "b.dat", "docs/", "docs/d.dat",
                                                           "docs/sub/", "docs/sub/e.txt"));
    Recorder r2;
    EXPECT_EQ(Engine::Get().Delete(archive_, {"docs/"}, r2), 4);
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("a.txt", "b.dat"));
}

TEST_F(DeleteTest, PatternsMatchingNothingAreReportedAndLeaveTheArchiveAlone) {
    const std::string bytes = Bytes(archive_);
    Recorder r;
    EXPECT_EQ(Engine::Get().Delete(archive_, {"nothere.txt", "*.none"}, r), 0);
    EXPECT_TRUE(r.HasMessage(keng::kErrNoMatch, "nothere.txt"));
    EXPECT_TRUE(r.HasMessage(keng::kErrNoMatch, "*.none"));
    EXPECT_EQ(Bytes(archive_), bytes);
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(DeleteTest, DeletingEverythingLeavesAValidEmptyArchive) {
    Recorder r;
    EXPECT_EQ(Engine::Get().Delete(archive_, {"*.*"}, r), 7);
    const ArchiveView view(archive_);
    EXPECT_TRUE(view.info.members.empty());
    EXPECT_EQ(view.bytes.size(), 22u);
}

TEST_F(DeleteTest, StoppingADeleteLeavesTheArchiveByteIdentical) {
    const std::string bytes = Bytes(archive_);
    Recorder r;
    r.stopWhen = [](const Event& e) {
        return e.action == keng::kActionNewFile && e.text == "b.dat";
    };
    EXPECT_EQ(Engine::Get().Delete(archive_, {"*.dat", "a.txt"}, r), 0);
    EXPECT_EQ(Bytes(archive_), bytes);
    EXPECT_TRUE(TempFiles().empty());
    EXPECT_EQ(r.events.back().action, keng::kActionEndOfBatch);
}

TEST_F(DeleteTest, AMissingArchiveIsReported) {
    Recorder r;
    EXPECT_EQ(Engine::Get().Delete(tmp_.File("missing.zip"), {"a.txt"}, r), 0);
    EXPECT_TRUE(r.HasMessage(keng::kErrOpenArchive, "missing.zip"));
}

} // namespace
} // namespace zipeng_test
