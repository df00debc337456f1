// The two entry points of KZIPENG.DLL. Nothing thrown inside gets past them: every failure
// becomes a message through the callback and a result of 0 files.
#include "base/zipcore/CentralDirectory.h"
#include "dlls/zipeng/EngineError.h"
#include "dlls/zipeng/Operations.h"
#include "dlls/zipeng/Request.h"

#include <new>

namespace {

// Record version this engine reads, also its own version number.
constexpr std::int32_t kEngineVersion = 130;

void Report(zipeng::Reporter& reporter, keng::ErrorCode code, const std::string& text) {
    try {
        reporter.Message(code, text);
    } catch (...) {
        // A stop request, or a callback that throws: nothing may unwind into the caller.
    }
}

} // namespace

extern "C" std::int32_t __stdcall ZipEngExec(keng::ZipParams* params) {
    if (!params) return 0;
    zipeng::Reporter reporter(params->Callback, params->Caller,
                              params->VerboseEnabled != keng::kFalse ||
                                  params->TraceEnabled != keng::kFalse);
    int result = 0;
    try {
        const zipeng::Request request = zipeng::ReadRequest(*params, reporter);
        result = request.deleteEntries ? zipeng::RunDelete(request, reporter)
                                       : zipeng::RunAdd(request, reporter);
    } catch (const zipeng::Cancelled&) {
        result = 0;
    } catch (const zipeng::EngineError& e) {
        Report(reporter, e.code(), e.what());
    } catch (const zipcore::FormatError& e) {
        Report(reporter, keng::kErrBadArchive,
               std::string(e.what()) + "; the archive is unchanged");
    } catch (const std::bad_alloc&) {
        Report(reporter, keng::kErrInternal, "Out of memory; the archive is unchanged");
    } catch (const std::exception& e) {
        Report(reporter, keng::kErrInternal, std::string(e.what()) + "; the archive is unchanged");
    } catch (...) {
        Report(reporter, keng::kErrInternal, "Unexpected failure; the archive is unchanged");
    }
    try {
        reporter.EndOfBatch();
    } catch (...) {
    }
    return result;
}

extern "C" std::int32_t __stdcall GetZipEngVersion() {
    return kEngineVersion;
}
