#include "dlls/unzeng/resource.h"
#include "tests/dlls/unzeng/EngineHarness.h"
#include "tests/dlls/unzeng/LegacyPasswords.h"
#include "tests/dlls/unzeng/TestFiles.h"
#include "tests/support/OwnWindow.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <utility>

using namespace unzeng_test;
using testing_support::ReadFileBytes;
using testing_support::TempFolder;
using zipcore_test::TestMember;

namespace {

// Answers the engine's password prompt from another thread: types the text and presses OK,
// or presses Cancel when the text is empty. Records the prompt's text.
class PromptAnswerer {
public:
    explicit PromptAnswerer(std::string answer)
        : answer_(std::move(answer)), thread_([this] { Answer(); }) {}
    ~PromptAnswerer() {
        done_ = true;
        thread_.join();
    }
    bool Seen() const { return seen_; }
    std::string PromptText() const { return prompt_; }

private:
    void Answer() {
        for (int i = 0; i < 500 && !done_; ++i) {
            // The window exists before the dialog has set itself up; it is answered once it
            // shows, with its prompt in place, or the answer could be overwritten.
            HWND dialog = testing_support::FindOwnWindow("#32770", "Password");
            char text[512] = {};
            if (dialog && IsWindowVisible(dialog) &&
                GetDlgItemTextA(dialog, IDC_UNZ_PASSWORD_PROMPT, text, sizeof text) > 0) {
                prompt_ = text;
                seen_ = true;
                if (answer_.empty()) {
                    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                } else {
                    SetDlgItemTextA(dialog, IDC_UNZ_PASSWORD_EDIT, answer_.c_str());
                    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
                }
                return;
            }
            Sleep(20);
        }
    }

    std::string answer_;
    std::atomic<bool> done_{false};
    std::atomic<bool> seen_{false};
    std::string prompt_;
    std::thread thread_;
};

class Password : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.Loaded());
        archive = WriteArchive(
            work, "secret.zip",
            {{.name = "plain.txt", .data = "plain"},
             {.name = "deflated.txt", .data = std::string(70000, 'd'), .password = "s3cret"},
             {.name = "stored.txt",
              .data = "stored secret",
              .method = 0,
              .password = "s3cret",
              .descriptor = true}});
    }
    Options Into(const TempFolder& out) {
        Options o;
        o.archive = archive;
        o.folder = out.Path();
        return o;
    }

    Engine engine;
    TempFolder work;
    std::string archive;
};

// An archive whose members older tools encrypted with the password's bytes in the locale's
// ANSI or OEM page, beside members encrypted with its UTF-8 bytes (LegacyPasswords.h).
class LegacyPasswords : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.Loaded());
        password = PasswordForLocale();
        if (!password && std::getenv("KELVORA_EXPECT_OEM")) FAIL() << "not the locale asked for";
        if (!password) GTEST_SKIP() << "no password known in this locale's code pages";
        members = LegacyMembers(*password);
        members.push_back({.name = "plain.txt", .data = "plain"});
        archive = WriteArchive(work, "legacy.zip", members);
    }
    Options Into(const TempFolder& out, const std::string& typed, bool test = false) {
        Options o;
        o.archive = archive;
        o.folder = out.Path();
        o.password = typed;
        o.test = test;
        return o;
    }
    // The messages of a run with a wrong password, which must leave only the plain file and
    // ask nothing.
    std::vector<std::pair<std::int32_t, std::string>> WrongRun(const std::string& typed) {
        TempFolder out;
        PromptAnswerer watcher("unexpected");
        const EngineRun run = engine.Exec(Into(out, typed));
        EXPECT_FALSE(watcher.Seen());
        EXPECT_EQ(run.result, 1) << run.Describe();
        EXPECT_EQ(ListFolder(out.Path()), std::vector<std::string>{"plain.txt"});
        std::vector<std::pair<std::int32_t, std::string>> texts;
        for (const Call& c : run.Messages())
            texts.emplace_back(c.error, c.text);
        return texts;
    }

    Engine engine;
    TempFolder work;
    const LegacyPassword* password = nullptr;
    std::vector<TestMember> members;
    std::string archive;
};

} // namespace

TEST_F(LegacyPasswords, TypedPasswordOpensEveryForm) {
    const struct {
        const char* label;
        bool test;
        bool prompted; // typed into the engine's own prompt rather than handed over
    } cases[] = {{"extract", false, false}, {"test", true, false}, {"prompt", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder out;
        PromptAnswerer answerer(c.prompted ? password->typed : "unexpected");
        const EngineRun run = engine.Exec(Into(out, c.prompted ? "" : password->typed, c.test));
        EXPECT_EQ(answerer.Seen(), c.prompted);
        EXPECT_EQ(run.result, static_cast<int>(members.size())) << run.Describe();
        EXPECT_TRUE(run.Messages().empty()) << run.Describe();
        if (c.test) continue;
        for (const TestMember& m : members)
            EXPECT_TRUE(ReadFileBytes(out.File(m.name)) == m.data) << m.name;
    }
}

TEST_F(LegacyPasswords, WrongPasswordIsReportedAsAnyWrongPassword) {
    const auto ascii = WrongRun("Mueller");
    const auto beyondAscii = WrongRun(password->wrong);
    EXPECT_EQ(beyondAscii, ascii);
    ASSERT_EQ(ascii.size(), members.size() - 1);
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        EXPECT_EQ(ascii[i].first, keng::kErrPassword);
        EXPECT_EQ(ascii[i].second, "Skipped: wrong password for \"" + members[i].name + "\"");
    }
}

TEST_F(Password, GivenPasswordDecryptsWithoutAPrompt) {
    TempFolder out;
    Options o = Into(out);
    o.password = "s3cret";
    PromptAnswerer watcher("unexpected");
    EngineRun run = engine.Exec(o);
    EXPECT_EQ(run.result, 3) << run.Describe();
    EXPECT_FALSE(watcher.Seen());
    EXPECT_TRUE(ReadFileBytes(out.File("deflated.txt")) == std::string(70000, 'd'));
    EXPECT_EQ(ReadFileBytes(out.File("stored.txt")), "stored secret");
}

TEST_F(Password, WrongPasswordIsReportedPerMemberAndLeavesNoFile) {
    TempFolder out;
    Options o = Into(out);
    o.password = "S3cret";
    EngineRun run = engine.Exec(o);
    EXPECT_EQ(run.result, 1) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrPassword, "deflated.txt")) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrPassword, "stored.txt")) << run.Describe();
    EXPECT_EQ(ListFolder(out.Path()), std::vector<std::string>{"plain.txt"});

    o.test = true;
    run = engine.Exec(o);
    EXPECT_EQ(run.result, 1) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrPassword, "deflated.txt")) << run.Describe();
}

TEST_F(Password, EmptyPasswordAsksOnceThroughTheDialog) {
    TempFolder out;
    PromptAnswerer answerer("s3cret");
    EngineRun run = engine.Exec(Into(out));
    EXPECT_TRUE(answerer.Seen());
    EXPECT_NE(answerer.PromptText().find("secret.zip"), std::string::npos) << answerer.PromptText();
    EXPECT_EQ(run.result, 3) << run.Describe();
    EXPECT_EQ(ReadFileBytes(out.File("stored.txt")), "stored secret");
}

TEST_F(Password, CancelledPromptSkipsOnlyTheEncryptedMembers) {
    TempFolder out;
    PromptAnswerer answerer("");
    EngineRun run = engine.Exec(Into(out));
    EXPECT_TRUE(answerer.Seen());
    EXPECT_EQ(run.result, 1) << run.Describe();
    EXPECT_TRUE(run.HasMessage(keng::kErrPassword, "deflated.txt")) << run.Describe();
    EXPECT_EQ(ListFolder(out.Path()), std::vector<std::string>{"plain.txt"});
}
