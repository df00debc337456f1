// Two writers on one archive: the second is refused before it starts, or waits its turn; a
// change reported as made is never overwritten by the other. Real engine processes
// (zipdrive.exe) started together, and the parts that decide it directly.
#include "EngineFixture.h"

#include "dlls/zipeng/ArchiveGuard.h"
#include "dlls/zipeng/EngineError.h"
#include "dlls/zipeng/TempArchive.h"

#include <algorithm>
#include <thread>

namespace zipeng_test {
namespace {

using ::testing::HasSubstr;

constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// zipdrive.exe beside the test program, run with its output in a file.
class Drive {
public:
    Drive(const std::string& folder, const std::string& name, const std::string& arguments)
        : output_(folder + name + ".out") {
        char self[MAX_PATH];
        const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string exe(self, n);
        exe = exe.substr(0, exe.find_last_of('\\') + 1) + "zipdrive.exe";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        ui::FileHandle out(CreateFileA(output_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                       CREATE_ALWAYS, 0, nullptr));
        STARTUPINFOA si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = out.Get();
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::string command = "\"" + exe + "\" " + arguments;
        PROCESS_INFORMATION pi{};
        started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                  nullptr, folder.c_str(), &si, &pi) != 0;
        if (!started_) return;
        process_.Reset(pi.hProcess);
        thread_.Reset(pi.hThread);
    }
    bool Started() const { return started_; }
    void Go() { ResumeThread(thread_.Get()); }
    // The "result: N" it printed; -1 when it printed none within the time.
    int Result() {
        if (WaitForSingleObject(process_.Get(), 120000) != WAIT_OBJECT_0) return -1;
        text_ = testing_support::ReadFileBytes(output_);
        const size_t at = text_.find("result: ");
        return at == std::string::npos ? -1 : std::atoi(text_.c_str() + at + 8);
    }
    const std::string& Text() const { return text_; }

private:
    std::string output_, text_;
    bool started_ = false;
    ui::FileHandle process_, thread_;
};

struct Change {
    const char* what;
    std::string arguments;             // after the archive's name
    std::vector<std::string> gone;     // members it deletes
    std::vector<std::string> appeared; // members it adds
};

class WritersTest : public EngineFixture {
protected:
    // Enough stored data that copying it takes a while, so the two runs overlap.
    void MakeBase() {
        std::vector<std::string> files;
        for (int i = 0; i < 24; ++i) {
            std::string name = "m";
            name.append(std::to_string(10 + i)).append(".bin");
            Make("src\\" + name, RandomData(700000, i));
            files.push_back("src\\" + name);
        }
        AddOptions stored;
        stored.level = 0;
        stored.keepPaths = false;
        ASSERT_EQ(Engine::Get().Add(tmp_.File("base.zip"), files, stored), 24);
        Make("newA.txt", "added by the first writer");
        Make("newB.txt", "added by the second writer");
    }
};

TEST_F(WritersTest, TwoEngineProcessesStartedTogetherNeverBothClaimAChangeThatIsLost) {
    MakeBase();
    const Change a_del{
        "delete", "-d r.zip m10.bin m11.bin m12.bin", {"m10.bin", "m11.bin", "m12.bin"}, {}};
    const Change b_del{"delete", "-d r.zip m20.bin m21.bin", {"m20.bin", "m21.bin"}, {}};
    const Change a_add{"add", "-0 r.zip newA.txt", {}, {"newA.txt"}};
    const Change b_add{"add", "-0 r.zip newB.txt", {}, {"newB.txt"}};
    const std::pair<Change, Change> pairs[] = {{a_del, b_del}, {a_add, b_add}, {a_add, b_del}};
    int successes = 0, refusals = 0;
    for (int round = 0; round < 15; ++round) {
        const auto& [first, second] = pairs[round % 3];
        const std::string archive = tmp_.File("r.zip");
        ASSERT_TRUE(CopyFileA(tmp_.File("base.zip").c_str(), archive.c_str(), FALSE));
        Drive one(tmp_.Path(), "one", first.arguments), two(tmp_.Path(), "two", second.arguments);
        ASSERT_TRUE(one.Started() && two.Started());
        one.Go();
        two.Go();
        const int results[] = {one.Result(), two.Result()};
        const std::vector<std::string> names = ArchiveView(archive).Names();
        const Change* changes[] = {&first, &second};
        const Drive* drives[] = {&one, &two};
        for (int w = 0; w < 2; ++w) {
            const std::string context = std::string(changes[w]->what) + " in round " +
                                        std::to_string(round) + ":\n" + drives[w]->Text();
            ASSERT_GE(results[w], 0) << context;
            if (results[w] == 0) {
                // Refused before it started, saying why; nothing of it happened.
                ++refusals;
                EXPECT_THAT(drives[w]->Text(), HasSubstr("another program is changing it"))
                    << context;
                continue;
            }
            ++successes;
            for (const std::string& gone : changes[w]->gone)
                EXPECT_EQ(std::count(names.begin(), names.end(), gone), 0) << context;
            for (const std::string& added : changes[w]->appeared)
                EXPECT_EQ(std::count(names.begin(), names.end(), added), 1) << context;
        }
        EXPECT_TRUE(results[0] > 0 || results[1] > 0) << "round " << round;
        EXPECT_TRUE(TempFiles().empty()) << "round " << round;
    }
    std::printf("%d successes, %d refusals\n", successes, refusals);
}

TEST_F(WritersTest, ASecondWriterIsRefusedBeforeItStartsWhileTheFirstHasItsTurn) {
    Make("a.txt", "alpha");
    Make("b.txt", "beta");
    ASSERT_EQ(Engine::Get().Add(archive_, {"a.txt", "b.txt"}), 2);
    const std::string before = Bytes(archive_);
    // The turn is a thread's: taken on another one, as another process would hold it.
    HANDLE taken = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        const zipeng::WriterTurn turn(tmp_.Path() + "OUT.ZIP"); // another spelling of it
        SetEvent(taken);
        WaitForSingleObject(done, INFINITE);
    });
    WaitForSingleObject(taken, INFINITE);
    Recorder del, add;
    EXPECT_EQ(Engine::Get().Delete(archive_, {"a.txt"}, del), 0);
    EXPECT_EQ(Engine::Get().Add(archive_, {"b.txt"}, {}, add), 0);
    SetEvent(done);
    holder.join();
    CloseHandle(taken);
    CloseHandle(done);
    for (const Recorder* r : {&del, &add}) {
        EXPECT_TRUE(r->HasMessage(keng::kErrOpenArchive, "another program is changing it"));
        EXPECT_EQ(r->Count(keng::kActionNewFile), 0); // refused before anything started
    }
    EXPECT_EQ(Bytes(archive_), before);
    EXPECT_TRUE(TempFiles().empty());
    // Once the turn is free the same change goes through.
    Recorder again;
    EXPECT_EQ(Engine::Get().Delete(archive_, {"a.txt"}, again), 1);
}

TEST_F(WritersTest, EverySpellingOfAnArchivesPathHasOneTurn) {
    MakeFolder("Long Folder Name");
    Make("Long Folder Name\\x.zip", "");
    const std::string full = tmp_.File("Long Folder Name\\x.zip");
    char shortForm[MAX_PATH] = {};
    GetShortPathNameA(full.c_str(), shortForm, MAX_PATH);
    const std::wstring name = zipeng::WriterTurnName(full);
    struct Case {
        const char* what;
        std::string path;
        bool same;
    } const cases[] = {
        {"relative", "Long Folder Name\\x.zip", true},
        {"other case", tmp_.Path() + "LONG FOLDER NAME\\X.ZIP", true},
        {"forward slashes", tmp_.Path() + "Long Folder Name/x.zip", true},
        {"8.3 form", shortForm, true},
        {"a dot folder", tmp_.Path() + ".\\Long Folder Name\\x.zip", true},
        {"another archive", tmp_.Path() + "Long Folder Name\\y.zip", false},
        {"an archive not made yet", tmp_.Path() + "Long Folder Name\\new.zip", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zipeng::WriterTurnName(c.path) == name, c.same) << c.what;
    // An archive not made yet: through its folder's other spellings too.
    EXPECT_EQ(zipeng::WriterTurnName(tmp_.Path() + "long folder name\\New.zip"),
              zipeng::WriterTurnName(tmp_.Path() + "Long Folder Name\\new.zip"));
}

TEST_F(WritersTest, TheNewArchiveTakesThePlaceOnlyOfTheFileThatWasRead) {
    Make("a.txt", "alpha");
    struct Case {
        const char* what;
        bool replaced; // another writer put its archive there meanwhile
    } const cases[] = {{"still the file read", false}, {"replaced meanwhile", true}};
    for (const Case& c : cases) {
        DeleteFileA(archive_.c_str());
        ASSERT_EQ(Engine::Get().Add(archive_, {"a.txt"}), 1);
        const std::optional<zipeng::FileIdentity> original = zipeng::IdentityAt(archive_);
        ASSERT_TRUE(original.has_value());
        const std::string theirs = "their archive";
        if (c.replaced) {
            Make("theirs.zip", theirs);
            ASSERT_TRUE(MoveFileExA(tmp_.File("theirs.zip").c_str(), archive_.c_str(),
                                    MOVEFILE_REPLACE_EXISTING));
        }
        zipeng::TempArchive temp(archive_);
        DWORD wrote = 0;
        WriteFile(temp.Handle(), "ours", 4, &wrote, nullptr);
        if (c.replaced) {
            try {
                temp.Commit(nullptr, original);
                ADD_FAILURE() << c.what << ": committed";
            } catch (const zipeng::EngineError& e) {
                EXPECT_EQ(e.code(), keng::kErrOpenArchive);
                EXPECT_THAT(e.what(), HasSubstr("another program changed it")) << c.what;
            }
            EXPECT_EQ(Bytes(archive_), theirs) << c.what;
        } else {
            EXPECT_NO_THROW(temp.Commit(nullptr, original)) << c.what;
            EXPECT_EQ(Bytes(archive_), "ours") << c.what;
        }
    }
}

TEST_F(WritersTest, ANewArchiveNeverReplacesOneThatAppearedMeanwhile) {
    {
        zipeng::TempArchive temp(archive_);
        Make("out.zip", "made by someone else meanwhile");
        try {
            temp.Commit(nullptr, std::nullopt);
            ADD_FAILURE() << "committed over a file that appeared";
        } catch (const zipeng::EngineError& e) {
            EXPECT_EQ(e.code(), keng::kErrOpenArchive);
            EXPECT_THAT(e.what(), HasSubstr("another program made a file of that name"));
        }
    }
    EXPECT_EQ(Bytes(archive_), "made by someone else meanwhile");
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(WritersTest, NoOtherProgramCanWriteOrReplaceTheArchiveWhileItIsBeingChanged) {
    Make("a.txt", TextData(3 * 1048576, 1));
    ASSERT_EQ(Engine::Get().Add(archive_, {"a.txt"}), 1);
    Make("b.txt", "beta");
    // At the first callback the engine has read the archive and is writing the new one.
    struct Probe {
        DWORD writeError = 0, deleteError = 0;
        bool readable = false, probed = false;
    } probe;
    Recorder r;
    r.stopWhen = [&](const Event& e) {
        if (e.action != keng::kActionNewFile || probe.probed) return false;
        probe.probed = true;
        ui::FileHandle writer(CreateFileA(archive_.c_str(), GENERIC_WRITE, kShare, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        probe.writeError = writer ? 0 : GetLastError();
        probe.deleteError = DeleteFileA(archive_.c_str()) ? 0 : GetLastError();
        ui::FileHandle reader(CreateFileA(archive_.c_str(), GENERIC_READ, kShare, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
        probe.readable = reader.Valid();
        return false;
    };
    EXPECT_EQ(Engine::Get().Add(archive_, {"b.txt"}, {}, r), 1);
    ASSERT_TRUE(probe.probed);
    EXPECT_EQ(probe.writeError, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_NE(probe.deleteError, 0u);
    EXPECT_TRUE(probe.readable); // readers are welcome
    EXPECT_THAT(ArchiveView(archive_).Names(), ::testing::ElementsAre("a.txt", "b.txt"));
}

} // namespace
} // namespace zipeng_test
