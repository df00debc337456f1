// Which members an extraction or test touches, and what happens to each: decided up front
// on the calling thread, before any file is written.
#pragma once

#include "dlls/unzeng/Request.h"
#include "base/zipcore/CentralDirectory.h"
#include "base/EngineRecords.h"

#include <string>
#include <vector>

namespace unzeng {

struct Notice {
    keng::ErrorCode code;
    std::string text;
};

struct Job {
    enum class Kind {
        File,   // extract or test a member
        Folder, // create a folder entry's folder
        Notice  // nothing to do but report (refused, unsupported, ...)
    };
    Kind kind = Kind::Notice;
    const zipcore::Member* member = nullptr;
    std::wstring target;  // absolute path (extraction only)
    bool replace = false; // the program allowed replacing the existing file at target
    Notice notice{};      // Kind::Notice
};

struct Plan {
    std::vector<Notice> unmatched; // names or masks that selected nothing
    std::vector<Job> jobs;         // in central directory order; no two write one path
    bool needsPassword = false;    // a selected member is encrypted
};

// `base` is the folder to extract into (absolute \\?\ path); unused when testing.
Plan MakePlan(const zipcore::ArchiveInfo& archive, const Request& request,
              const std::wstring& base);

// Turns encrypted members into notices when no password could be had.
void RefuseEncrypted(Plan& plan);

// The member's path relative to the target, or the reason it is refused.
struct TargetName {
    bool ok = false;
    std::wstring path; // relative, '\' separated
    std::string reason;
    bool directory = false;
};
TargetName MemberTargetName(const zipcore::Member& member, bool keepFolders);

// The member's name as messages quote it: decoded (UTF-8), as extraction names the file.
// Every message text is UTF-8.
std::string QuotedMemberName(const zipcore::Member& member);

} // namespace unzeng
