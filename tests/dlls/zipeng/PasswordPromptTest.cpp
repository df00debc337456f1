// The password prompt: never shown when a password is given; otherwise owned by Handle,
// the password typed twice, Cancel adding nothing.
#include "EngineFixture.h"

#include "dlls/zipeng/PasswordPromptIds.h"
#include "tests/support/OwnWindow.h"

#include <atomic>
#include <functional>
#include <thread>

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;

// Looks for the engine's prompt from another thread while the engine runs, and hands it to
// `act` (which must close it).
class PromptWatcher {
public:
    explicit PromptWatcher(std::function<void(HWND)> act)
        : act_(std::move(act)), thread_([this] { Run(); }) {}
    ~PromptWatcher() {
        stop_ = true;
        thread_.join();
    }
    int Seen() const { return seen_; }

private:
    void Run() {
        while (!stop_) {
            if (HWND dialog = testing_support::FindOwnWindow("#32770", "Password")) {
                ++seen_;
                act_(dialog);
                while (!stop_ && IsWindow(dialog))
                    Sleep(10);
            }
            Sleep(10);
        }
    }
    std::function<void(HWND)> act_;
    std::atomic<bool> stop_{false};
    std::atomic<int> seen_{0};
    std::thread thread_;
};

void Type(HWND dialog, const char* first, const char* second) {
    SetDlgItemTextA(dialog, IDC_ZIPENG_PASSWORD1, first);
    SetDlgItemTextA(dialog, IDC_ZIPENG_PASSWORD2, second);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

class PasswordPromptTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
        Make("a.txt", TextData(2 * 1048576 + 100, 7));
    }
    void TearDown() override {
        DestroyWindow(owner_);
        EngineFixture::TearDown();
    }
    HWND owner_ = nullptr;
};

TEST_F(PasswordPromptTest, AGivenPasswordIsUsedWithoutAsking) {
    PromptWatcher watcher([](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    AddOptions o;
    o.encrypt = true;
    o.password = "given";
    o.owner = owner_;
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt"}, o), 1);
    EXPECT_EQ(watcher.Seen(), 0);
    const std::string password = "given";
    EXPECT_TRUE(ArchiveView(archive_).Data("a.txt", &password) == TextData(2 * 1048576 + 100, 7));
}

TEST_F(PasswordPromptTest, AnEmptyPasswordIsAskedForTwiceByAWindowOfTheOwner) {
    std::atomic<bool> ownedRight{false}, mismatchKeptOpen{false};
    PromptWatcher watcher([&](HWND dialog) {
        ownedRight = GetWindow(dialog, GW_OWNER) == owner_;
        Type(dialog, "typed", "tpyed");
        char hint[200] = {};
        GetDlgItemTextA(dialog, IDC_ZIPENG_PASSWORD_HINT, hint, sizeof hint);
        mismatchKeptOpen = IsWindow(dialog) && hint[0] != '\0';
        Type(dialog, "typed", "typed");
    });
    AddOptions o;
    o.encrypt = true;
    o.owner = owner_;
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt"}, o), 1);
    EXPECT_EQ(watcher.Seen(), 1);
    EXPECT_TRUE(ownedRight);
    EXPECT_TRUE(mismatchKeptOpen);
    const std::string password = "typed";
    const ArchiveView view(archive_);
    EXPECT_TRUE(view.Find("a.txt")->IsEncrypted());
    EXPECT_TRUE(view.Data("a.txt", &password) == TextData(2 * 1048576 + 100, 7));
}

TEST_F(PasswordPromptTest, CancellingThePromptAddsNothing) {
    PromptWatcher watcher(
        [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); });
    AddOptions o;
    o.encrypt = true;
    o.owner = owner_;
    Recorder r;
    EXPECT_EQ(Engine::Get().Add(archive_, {"a.txt"}, o, r), 0);
    EXPECT_EQ(watcher.Seen(), 1);
    EXPECT_TRUE(r.HasMessage(keng::kErrPassword, "password"));
    EXPECT_FALSE(FileExists(archive_));
    EXPECT_TRUE(TempFiles().empty());
}

} // namespace
} // namespace zipeng_test
