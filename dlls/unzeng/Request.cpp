#include "dlls/unzeng/Request.h"

#include <cstring>

namespace unzeng {

namespace {

// The text of a buffer of `size` bytes: up to its NUL, never past the buffer.
std::string BoundedText(const char* buffer, std::size_t size) {
    if (!buffer) return {};
    const void* nul = std::memchr(buffer, '\0', size);
    const std::size_t len = nul ? static_cast<const char*>(nul) - buffer : size - 1;
    return std::string(buffer, len);
}

} // namespace

std::optional<Request> ReadRequest(const keng::UnzParams& params, std::string& problem) {
    if (params.Marker != keng::kRecordMarker || params.Version != keng::kRecordVersion) {
        problem = "unexpected parameter record (version " + std::to_string(params.Version) +
                  ", marker " + std::to_string(params.Marker) + ")";
        return std::nullopt;
    }
    if (params.Argc < 0 || params.Argc > keng::kMaxFileSpecs) {
        problem = "invalid number of names and masks (Argc " + std::to_string(params.Argc) + ")";
        return std::nullopt;
    }
    Request r;
    r.owner = params.Handle;
    r.caller = params.Caller;
    r.callback = params.Callback;
    r.test = params.Test != 0;
    r.update = params.Update != 0;
    r.freshen = params.Freshen != 0 && !r.update;
    r.dirNames = params.DirNames != 0;
    r.overwrite = params.OverWrite != 0;
    r.askOverwrite = !r.overwrite && params.AskOverWrite != 0;
    r.verbose = params.VerboseEnabled != 0 || params.TraceEnabled != 0;
    r.archiveName = BoundedText(params.ArchiveName, keng::kNameBufferSize);
    std::string password = BoundedText(params.PasswordText, keng::kPasswordBufferSize);
    if (!password.empty()) r.password = std::move(password);
    for (int i = 0; i < params.Argc; ++i) {
        std::string fileSpec = BoundedText(params.FileSpecs[i], keng::kNameBufferSize);
        if (!fileSpec.empty()) r.specs.push_back(std::move(fileSpec));
    }
    if (r.archiveName.empty()) {
        problem = "no archive name given";
        return std::nullopt;
    }
    return r;
}

} // namespace unzeng
