// The archive is never changed in place: failures leave it byte-identical and no temporary
// file behind; leftovers of a crash are cleared; the record is read within its bounds.
#include "EngineFixture.h"

#include "base/zipcore/MemberReader.h"

#include <cstring>

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class SafetyTest : public EngineFixture {
protected:
    void MakeArchive() {
        Make("a.txt", TextData(10000, 1));
        ASSERT_EQ(Engine::Get().Add(archive_, {"a.txt"}), 1);
        bytes_ = Bytes(archive_);
        Make("b.txt", TextData(10000, 2));
    }
    std::string bytes_;
};

TEST_F(SafetyTest, StaleTemporaryFilesAreRemovedWhenTheFolderIsWrittenAgain) {
    Make("~kz0badf00d.tmp", "left by a crash");
    Make("~KZDEADBEEF.TMP", "also left");
    Make("~kzNOTHEX1.tmp", "someone else's");
    Make("~kz1234.tmp", "too short to be ours");
    // A temporary file another writer still has open is not stale.
    const std::string live = Make("~kz12345678.tmp", "in use");
    ui::FileHandle hold(
        CreateFileA(live.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold.Valid());
    Make("a.txt", "a");

    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"*.*"}, {}, r), 3);
    EXPECT_TRUE(r.Messages().empty());
    EXPECT_THAT(TempFiles(),
                UnorderedElementsAre("~kzNOTHEX1.tmp", "~kz1234.tmp", "~kz12345678.tmp"));
    // The live one is not taken (it is another writer's); names not of our form are files.
    EXPECT_THAT(ArchiveView(archive_).Names(),
                UnorderedElementsAre("a.txt", "~kz1234.tmp", "~kzNOTHEX1.tmp"));
}

TEST_F(SafetyTest, ADamagedArchiveIsNeitherChangedNorReplaced) {
    std::string junk = "PK\x03\x04 this is not really an archive" + std::string(200, 'x');
    testing_support::WriteFileBytes(archive_, junk);
    Make("a.txt", "a");
    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt"}, {}, r), 0);
    EXPECT_TRUE(r.HasMessage(keng::kErrBadArchive, "out.zip"));
    EXPECT_EQ(Bytes(archive_), junk);
    EXPECT_TRUE(TempFiles().empty());
    Recorder d;
    EXPECT_EQ(Engine::Get().Delete(archive_, {"a.txt"}, d), 0);
    EXPECT_TRUE(d.HasMessage(keng::kErrBadArchive, "out.zip"));
    EXPECT_EQ(Bytes(archive_), junk);
}

TEST_F(SafetyTest, AnArchiveLockedByAnotherProgramIsLeftAlone) {
    MakeArchive();
    {
        ui::FileHandle hold(
            CreateFileA(archive_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(hold.Valid());
        Recorder r;
        EXPECT_EQ(Engine::Get().Add(archive_, {"b.txt"}, {}, r), 0);
        EXPECT_TRUE(r.HasMessage(keng::kErrOpenArchive, "out.zip"));
        EXPECT_TRUE(TempFiles().empty());
    }
    EXPECT_EQ(Bytes(archive_), bytes_);
}

TEST_F(SafetyTest, WhenTheArchiveCannotBeReplacedTheTemporaryFileGoes) {
    MakeArchive();
    {
        // Readers are welcome, but nobody may delete or replace it meanwhile.
        ui::FileHandle hold(CreateFileA(archive_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(hold.Valid());
        Recorder r;
        EXPECT_EQ(Engine::Get().Add(archive_, {"b.txt"}, {}, r), 0);
        EXPECT_TRUE(r.HasMessage(keng::kErrTempFile, "out.zip"));
        EXPECT_TRUE(TempFiles().empty());
    }
    EXPECT_EQ(Bytes(archive_), bytes_);
}

TEST_F(SafetyTest, AFileThatCannotBeReadIsReportedAndTheOthersAreAdded) {
    Make("a.txt", "a");
    const std::string locked = Make("b.txt", "b");
    Make("c.txt", TextData(3 * 1048576, 3));
    ui::FileHandle hold(
        CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold.Valid());
    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"*.txt"}, {}, r), 2);
    EXPECT_TRUE(r.HasMessage(keng::kErrReadFile, "b.txt"));
    EXPECT_THAT(r.FilesStarted(), ElementsAre("a.txt", "c.txt"));
    const ArchiveView view(archive_);
    EXPECT_THAT(view.Names(), ElementsAre("a.txt", "c.txt"));
    EXPECT_TRUE(view.Data("c.txt") == TextData(3 * 1048576, 3));
}

TEST_F(SafetyTest, AMemberWhoseFileCannotBeReadIsKeptAsItWas) {
    MakeArchive(); // a.txt in the archive
    const std::string a = Make("a.txt", "changed but locked");
    ui::FileHandle hold(
        CreateFileA(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold.Valid());
    const ArchiveView before(archive_);
    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt", "b.txt"}, {}, r), 1);
    EXPECT_TRUE(r.HasMessage(keng::kErrReadFile, "a.txt"));
    const ArchiveView after(archive_);
    EXPECT_THAT(after.Names(), ElementsAre("a.txt", "b.txt"));
    EXPECT_EQ(after.Raw("a.txt"), before.Raw("a.txt"));
}

class RecordTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        std::strcpy(archiveBuffer_.data(), archive_.c_str());
        Engine::FillForAdd(*params_, {}, archiveBuffer_.data(), passwordBuffer_.data());
        Make("a.txt", "alpha");
    }
    void Pattern(const char* text) {
        patterns_.emplace_back(keng::kNameBufferSize, '\0');
        std::strncpy(patterns_.back().data(), text, keng::kNameBufferSize);
        params_->FileSpecs[params_->Argc++] = patterns_.back().data();
    }
    std::vector<char> archiveBuffer_ = std::vector<char>(keng::kNameBufferSize);
    std::vector<char> passwordBuffer_ = std::vector<char>(keng::kPasswordBufferSize);
    std::vector<std::vector<char>> patterns_;
    std::unique_ptr<keng::ZipParams> params_ = std::make_unique<keng::ZipParams>();
};

TEST_F(RecordTest, ARecordWithoutItsMarkerIsRefused) {
    Pattern("a.txt");
    params_->Marker = 6;
    Recorder r;
    EXPECT_EQ(Engine::Get().Exec(*params_, r), 0);
    EXPECT_TRUE(r.HasMessage(keng::kErrParams, "record"));
    EXPECT_FALSE(FileExists(archive_));
}

TEST_F(RecordTest, CountsAndBuffersAreReadOnlyWithinTheirSizes) {
    Pattern("a.txt");
    params_->Argc = keng::kMaxFileSpecs + 1;
    Recorder r;
    EXPECT_EQ(Engine::Get().Exec(*params_, r), 0);
    EXPECT_TRUE(r.HasMessage(keng::kErrParams, "patterns"));

    // A pattern filling its whole buffer without a NUL is left out, not overrun.
    params_->Argc = 0;
    patterns_.clear();
    Pattern("a.txt");
    patterns_.emplace_back(keng::kNameBufferSize, 'x');
    params_->FileSpecs[params_->Argc++] = patterns_.back().data();
    Recorder r2;
    EXPECT_EQ(Engine::Get().Exec(*params_, r2), 1);
    EXPECT_TRUE(r2.HasMessage(keng::kErrParams, "2"));
    EXPECT_THAT(ArchiveView(archive_).Names(), ElementsAre("a.txt"));
}

TEST_F(RecordTest, APasswordFillingItsBufferIsCutAtEightyCharacters) {
    Pattern("a.txt");
    std::memset(passwordBuffer_.data(), 'p', passwordBuffer_.size()); // no NUL at all
    params_->Encrypt = keng::kTrue;
    Recorder r;
    ASSERT_EQ(Engine::Get().Exec(*params_, r), 1);
    const std::string password(80, 'p');
    EXPECT_EQ(ArchiveView(archive_).Data("a.txt", &password), "alpha");
}

TEST_F(RecordTest, NeitherAddNorDeleteDoesNothing) {
    Pattern("a.txt");
    params_->AddMode = keng::kFalse;
    Recorder r;
    EXPECT_EQ(Engine::Get().Exec(*params_, r), 0);
    EXPECT_TRUE(r.HasMessage(keng::kErrParams, ""));
    EXPECT_FALSE(FileExists(archive_));
}

} // namespace
} // namespace zipeng_test
