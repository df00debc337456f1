// The engine's entry point run inside the test's own process, so that an exception raised by
// the callback can travel through the engine's code: it must end as a message and a result,
// never reach the caller.
#include "dlls/unzeng/Execute.h"
#include "tests/dlls/unzeng/EngineHarness.h"
#include "tests/dlls/unzeng/TestFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace unzeng_test;

namespace {

std::int32_t KENG_STDCALL InProcess(keng::UnzParams* params) {
    return unzeng::ExecuteRecord(params);
}

TEST(Boundary, ACallbackThatThrowsEndsTheCallNotTheCaller) {
    struct Case {
        const char* what;
        std::function<void()> raise;
        bool always; // also on every later callback, the engine's messages included
    };
    const Case cases[] = {
        {"a standard exception, once", [] { throw std::runtime_error("handler failed"); }, false},
        {"an int, once", [] { throw 42; }, false},
        {"a standard exception, always", [] { throw std::runtime_error("again"); }, true},
        {"an int, always", [] { throw 42; }, true},
    };
    testing_support::TempFolder work;
    const std::string archive = WriteArchive(
        work, "a.zip", {{.name = "one.txt", .data = "1"}, {.name = "two.txt", .data = "2"}});
    for (const Case& c : cases) {
        testing_support::TempFolder out;
        Options o;
        o.archive = archive;
        o.folder = out.Path();
        bool thrown = false;
        o.stopWhen = [&](const Call& call, const std::vector<Call>&) {
            if (call.action == keng::kActionNewFile || (c.always && thrown)) {
                thrown = true;
                c.raise();
            }
            return false;
        };
        Engine engine(InProcess);
        EngineRun run;
        EXPECT_NO_THROW(run = engine.Exec(o)) << c.what;
        EXPECT_EQ(run.result, 0) << c.what;
        ASSERT_FALSE(run.calls.empty()) << c.what;
        EXPECT_EQ(run.calls.back().action, keng::kActionEndOfBatch) << c.what;
        if (!c.always) {
            EXPECT_TRUE(run.HasMessage(keng::kErrInternal, "Extraction failed")) << c.what << "\n"
                                                                                 << run.Describe();
        }
    }
}

} // namespace
