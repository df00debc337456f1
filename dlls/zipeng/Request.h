// What one engine call asks for, read from the parameter record and checked.
#pragma once

#include "dlls/zipeng/AddPlan.h"
#include "dlls/zipeng/SourceScan.h"
#include "base/EngineRecords.h"

#include <string>
#include <vector>

namespace zipeng {

struct Request {
    bool deleteEntries = false;
    std::string archivePath; // full path
    std::vector<std::string> patterns;
    ScanOptions scan;
    AddMode mode = AddMode::AddReplace;
    int level = 9;
    bool encrypt = false;
    bool aes = false; // WinZip AES-256 instead of traditional encryption
    std::string password;
    void* owner = nullptr; // window that owns the password prompt
    bool move = false;
    bool archiveTime = false;
};

class Reporter;

// Reads the record within its stated buffer sizes. A pattern too long for its buffer
// is reported and left out. Throws EngineError(kErrParams) when the record cannot be used.
Request ReadRequest(const keng::ZipParams& params, Reporter& reporter);

} // namespace zipeng
