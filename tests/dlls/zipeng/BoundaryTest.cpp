// The engine's entry point run inside the test's own process (Exports.cpp is linked in), so
// that an exception raised by the callback can travel through the engine's code: it must end
// as a message and a result, never reach the caller, and leave no archive behind.
#include "EngineFixture.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

extern "C" std::int32_t __stdcall ZipEngExec(keng::ZipParams* params);

namespace zipeng_test {
namespace {

struct Throwing {
    std::function<void()> raise;
    bool always = false; // also on every later callback, the engine's messages included
    bool thrown = false;
    std::vector<Event> events;
};
Throwing* g_throwing = nullptr;

keng::EBool KENG_STDCALL ThrowingCallback(keng::CallbackData* data) {
    Throwing& t = *g_throwing;
    t.events.push_back({data->ActionCode, data->ErrorCode, data->FileSize, data->MessageText});
    if (data->ActionCode == keng::kActionNewFile || (t.always && t.thrown)) {
        t.thrown = true;
        t.raise();
    }
    return keng::kFalse;
}

using BoundaryTest = EngineFixture;

TEST_F(BoundaryTest, ACallbackThatThrowsEndsTheCallNotTheCaller) {
    struct Case {
        const char* what;
        std::function<void()> raise;
        bool always;
    };
    const Case cases[] = {
        {"a standard exception, once", [] { throw std::runtime_error("handler failed"); }, false},
        {"an int, once", [] { throw 42; }, false},
        {"a standard exception, always", [] { throw std::runtime_error("again"); }, true},
        {"an int, always", [] { throw 42; }, true},
    };
    Make("a.txt", "a");
    Make("b.txt", "b");
    for (const Case& c : cases) {
        Throwing t{c.raise, c.always, false, {}};
        g_throwing = &t;
        auto text = [](const std::string& s) {
            std::vector<char> buffer(keng::kNameBufferSize);
            s.copy(buffer.data(), s.size());
            return buffer;
        };
        std::vector<char> name = text(archive_), a = text("a.txt"), b = text("b.txt");
        std::vector<char> password(keng::kPasswordBufferSize);
        keng::ZipParams params;
        Engine::FillForAdd(params, AddOptions{}, name.data(), password.data());
        params.Callback = ThrowingCallback;
        params.Argc = 2;
        params.FileSpecs[0] = a.data();
        params.FileSpecs[1] = b.data();
        std::int32_t result = -1;
        EXPECT_NO_THROW(result = ZipEngExec(&params)) << c.what;
        g_throwing = nullptr;
        EXPECT_EQ(result, 0) << c.what;
        ASSERT_FALSE(t.events.empty()) << c.what;
        EXPECT_EQ(t.events.back().action, keng::kActionEndOfBatch) << c.what;
        EXPECT_FALSE(FileExists(archive_)) << c.what;
        EXPECT_TRUE(TempFiles().empty()) << c.what;
        if (!c.always) {
            EXPECT_TRUE(std::any_of(t.events.begin(), t.events.end(), [](const Event& e) {
                return e.action == keng::kActionMessage && e.code == keng::kErrInternal;
            })) << c.what;
        }
    }
}

} // namespace
} // namespace zipeng_test
