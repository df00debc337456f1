// Runs the jobs of a plan on worker threads while the calling thread reports them to the
// program strictly in archive order: action 1, the progress units, then the member's
// messages, one member after the other. Workers run only a few members ahead of the report,
// so a stop request takes effect quickly.
#pragma once

#include "dlls/unzeng/Plan.h"
#include "dlls/unzeng/Reporter.h"
#include "dlls/unzeng/Request.h"
#include "base/zipcore/MemberReader.h"

#include <string>

namespace unzeng {

struct PipelineResult {
    int processed = 0; // files extracted or tested correctly
    bool stopped = false;
};

// Opens one reader of the archive per worker (ArchiveIoError when it cannot).
PipelineResult RunPipeline(const Plan& plan, const Request& request,
                           const std::wstring& archivePath, zipcore::Passwords passwords,
                           Reporter& reporter);

} // namespace unzeng
