// EngineCallback as the engines see it: the events each action raises, the trimming of
// message texts, the answer it gives, and what happens when an event handler fails.
#include "engine/ZipCallback.h"
#include "engine/ZipEng.h"
#include "tests/engine/ProbeHarness.h"

#include <cstring>
#include <stdexcept>

using namespace testing_support;

namespace {

struct Event {
    TZipKeeper* sender;
    std::string kind; // "progress" or "message"
    int type;         // ProgressType or ErrCode
    std::string text;
    std::int32_t size;
    bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
    return os << "{" << e.kind << " " << e.type << " \"" << e.text << "\" " << e.size << "}";
}

class CallbackTest : public BridgeTest {
protected:
    std::vector<Event> events;
    void SetUp() override {
        BridgeTest::SetUp();
        Record(zip);
        zip.SetZipFilename(MakeArchive());
        zip.SetFSpecArgs({"x"});
    }
    void Record(TZipKeeper& k) {
        k.OnProgress = [this](TZipKeeper& s, ProgressType t, const std::string& name,
                              std::int32_t size) {
            events.push_back({&s, "progress", static_cast<int>(t), name, size});
        };
        k.OnMessage = [this](TZipKeeper& s, std::int32_t code, const std::string& text) {
            events.push_back({&s, "message", code, text, 0});
        };
    }
    Event Progress(ProgressType t, const std::string& name, std::int32_t size,
                   TZipKeeper* s = nullptr) {
        return {s ? s : &zip, "progress", static_cast<int>(t), name, size};
    }
    Event Message(int code, const std::string& text) { return {&zip, "message", code, text, 0}; }
};

TEST_F(CallbackTest, ActionsBecomeProgressAndMessageEventsOfTheCaller) {
    zipProbe.Script({CallBack(1, "docs/readme.txt", 70000), CallBack(2, "ignored", 99), CallBack(2),
                     CallBack(3, "also ignored", 5), CallBack(4, "warning text", 0, 12),
                     CallBack(1000, "late", 0, -3), CallBack(0, "nothing", 1),
                     CallBack(-5, "nothing", 1)},
                    0);
    zip.Add();
    std::vector<Event> expected{Progress(ProgressType::NewFile, "docs/readme.txt", 70000),
                                Progress(ProgressType::ProgressUpdate, " ", 0),
                                Progress(ProgressType::ProgressUpdate, " ", 0),
                                Progress(ProgressType::EndOfBatch, " ", 0),
                                Message(12, "warning text"),
                                Message(-3, "late")};
    EXPECT_EQ(events, expected);
    const probe::Log& log = zipProbe.Log();
    ASSERT_EQ(log.stepsRun, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(log.results[i], 0) << "step " << i;
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CallbackTest, MessagesLoseAtMostTwoTrailingLineBreakCharacters) {
    zipProbe.Script({CallBack(4, "both\r\n"), CallBack(4, "single\n"), CallBack(4, "cr\r"),
                     CallBack(4, "inner\r\nline"), CallBack(4, "three\n\r\n"),
                     CallBack(4, "\r\n\r\n"), CallBack(4, ""), CallBack(4, "\n"),
                     CallBack(5, "lf cr\n\r"), CallBack(4, " spaces \r\n")},
                    0);
    zip.Add();
    std::vector<Event> expected{
        Message(0, "both"),    Message(0, "single"),  Message(0, "cr"), Message(0, "inner\r\nline"),
        Message(0, "three\n"), Message(0, "\r\n"),    Message(0, ""),   Message(0, ""),
        Message(0, "lf cr"),   Message(0, " spaces ")};
    EXPECT_EQ(events, expected);
}

TEST_F(CallbackTest, EventsGoToTheComponentNamedByCaller) {
    TZipKeeper other{nullptr};
    Record(other);
    zipProbe.Script({CallBack(1, "mine", 1), CallBack(1, "theirs", 2, 0, &other),
                     CallBack(4, "for them", 0, 9, &other)},
                    0);
    zip.Add();
    std::vector<Event> expected{Progress(ProgressType::NewFile, "mine", 1),
                                Progress(ProgressType::NewFile, "theirs", 2, &other),
                                {&other, "message", 9, "for them", 0}};
    EXPECT_EQ(events, expected);
    if (sizeof(void*) == 4) { // the offset of the 32-bit interface
        EXPECT_EQ(zipProbe.At(4), Addr(&zip)) << "the record names the calling component";
    }
}

TEST_F(CallbackTest, CancelFromAHandlerStopsTheEngineAndIsClearedAfterwards) {
    zip.OnProgress = [this](TZipKeeper& s, ProgressType t, const std::string&, std::int32_t) {
        events.push_back({&s, "progress", static_cast<int>(t), "", 0});
        if (t == ProgressType::ProgressUpdate) s.Cancel = true;
    };
    zipProbe.Script({CallBack(1, "a", 1), CallBack(2), CallBack(2), CallBack(3)}, 0);
    zip.Cancel = true; // a stale request from before must not stop this call
    zip.Add();
    const probe::Log& log = zipProbe.Log();
    ASSERT_EQ(log.stepsRun, 2);
    EXPECT_EQ(log.results[0], 0);
    EXPECT_EQ(log.results[1], -1);
    EXPECT_EQ(events.size(), 2u);
    EXPECT_FALSE(zip.Cancel);
    EXPECT_FALSE(zip.ZipBusy);
}

TEST_F(CallbackTest, CalledDirectlyItAnswersWithTheCancelFlag) {
    TZipKeeper bare{nullptr}; // no handlers
    keng::CallbackData data{};
    data.Caller = &bare;
    for (std::int32_t action : {1, 2, 3, 4, 77, 0, -1}) {
        data.ActionCode = action;
        bare.Cancel = false;
        EXPECT_EQ(EngineCallback(&data), 0) << action;
        bare.Cancel = true;
        EXPECT_EQ(EngineCallback(&data), -1) << action;
    }
    // A message text filling the whole inline buffer without a NUL is read within it.
    Record(bare);
    data.ActionCode = 4;
    bare.Cancel = false;
    std::memset(data.MessageText, 'z', sizeof data.MessageText);
    EXPECT_EQ(EngineCallback(&data), 0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].text, std::string(keng::kCallbackTextSize, 'z'));
}

TEST_F(CallbackTest, TrimmingHelperMatchesTheEvents) {
    EXPECT_EQ(TrimMessageLineEnd("a\r\n"), "a");
    EXPECT_EQ(TrimMessageLineEnd("a\n\n\n"), "a\n");
    EXPECT_EQ(TrimMessageLineEnd("\r"), "");
    EXPECT_EQ(TrimMessageLineEnd("a\rb"), "a\rb");
}

// A handler that raises must not unwind through the engine: the engine is told to stop,
// and the operation reports the failure once the engine has returned.
TEST_F(CallbackTest, HandlerExceptionStopsTheEngineAndEndsAsAFatalDllError) {
    zip.OnMessage = [](TZipKeeper&, std::int32_t, const std::string&) {
        throw std::runtime_error("handler failed");
    };
    zipProbe.Script(
        {CallBack(1, "a", 1), CallBack(4, "boom"), CallBack(1, "b", 1), CallBack(4, "again")}, 5);
    zip.SetFSpecArgs({"a", "b"});
    zip.Add();
    const probe::Log& log = zipProbe.Log();
    ASSERT_EQ(log.stepsRun, 2);
    EXPECT_EQ(log.results[1], -1);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Fatal DLL Error: abort exception"});
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_FALSE(zip.ZipBusy);
    EXPECT_FALSE(zip.Cancel);
    EXPECT_FALSE(ZipEngLoaded());
    EXPECT_EQ(dirUpdates, 1) << "no re-read after a failed call (only the initial listing)";
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(CallbackTest, HandlerExceptionDuringExtractIsReportedTheSameWay) {
    zip.OnProgress = [](TZipKeeper&, ProgressType, const std::string&, std::int32_t) {
        throw 42; // not even a standard exception
    };
    unzProbe.Script({CallBack(1, "one.txt", 5), CallBack(3)}, 2);
    zip.Extract();
    EXPECT_EQ(unzProbe.Log().stepsRun, 1);
    EXPECT_EQ(unzProbe.Log().results[0], -1);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Fatal DLL Error: abort exception"});
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_TRUE(zip.FSpecArgs().empty());
    EXPECT_FALSE(zip.UnzBusy);
}

TEST_F(CallbackTest, FaultInsideAHandlerEndsTheCallNotTheProgram) {
    zip.OnProgress = [](TZipKeeper&, ProgressType, const std::string&, std::int32_t) {
        // A processor fault, not a C++ exception: a write to a read-only page.
        void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
        *static_cast<volatile int*>(page) = 1;
    };
    zipProbe.Script({CallBack(1, "a", 1)}, 4);
    zip.Add();
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Fatal DLL Error: abort exception"});
    EXPECT_EQ(zip.SuccessCnt, 0);
    EXPECT_FALSE(zip.ZipBusy);

    // The next call runs normally.
    dialogs.Clear();
    Record(zip);
    zip.SetFSpecArgs({"x"});
    zip.Add();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(zip.SuccessCnt, 4);
    EXPECT_EQ(events.size(), 1u);
}

} // namespace
