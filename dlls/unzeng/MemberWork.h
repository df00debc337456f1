// What a worker thread does with one job: extract a member to its file, test it, or create a
// folder. Progress and outcome go to a JobSink, which the calling thread reports in order.
#pragma once

#include "dlls/unzeng/OutputFiles.h"
#include "dlls/unzeng/Plan.h"
#include "dlls/unzeng/Request.h"
#include "base/zipcore/CentralDirectory.h"
#include "base/zipcore/MemberReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace unzeng {

class JobSink {
public:
    virtual ~JobSink() = default;
    // The member's data begins (the program hears of the file now).
    virtual void Start() = 0;
    // Bytes of the member processed so far; false when the engine must stop.
    virtual bool Progress(std::uint64_t bytes) = 0;
    virtual void Note(keng::ErrorCode code, std::string text) = 0;
    // The file was extracted, or tested, correctly.
    virtual void Succeeded() = 0;
};

// One worker's tools. The buffers after the references keep their memory from member to
// member, so a small member costs no allocations of its own.
struct WorkContext {
    zipcore::ByteSource& source;
    zipcore::DecoderScratch& scratch;
    std::vector<std::uint8_t>& buffer;
    FolderMaker& folders;
    const Request& request;
    zipcore::Passwords passwords; // empty: none
    zipcore::MemberDataSpan span{};
    LastFolder lastFolder{};
    std::wstring tempPath{};
    std::vector<std::uint8_t> renameRecord{};
};

void ExtractFile(WorkContext& ctx, const Job& job, JobSink& sink);
void TestFile(WorkContext& ctx, const Job& job, JobSink& sink);
void MakeFolder(WorkContext& ctx, const Job& job, JobSink& sink);

} // namespace unzeng
