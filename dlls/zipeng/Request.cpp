#include "dlls/zipeng/Request.h"

#include "dlls/zipeng/EngineError.h"
#include "dlls/zipeng/Reporter.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace zipeng {

namespace {

// The text of a buffer of `size` bytes, or empty when it holds no NUL within them.
bool ReadText(const char* buffer, size_t size, std::string& out) {
    if (!buffer) return false;
    const void* nul = std::memchr(buffer, 0, size);
    if (!nul) return false;
    out.assign(buffer, static_cast<const char*>(nul));
    return true;
}

bool On(keng::EBool b) {
    return b != keng::kFalse;
}

} // namespace

Request ReadRequest(const keng::ZipParams& p, Reporter& reporter) {
    if (p.Marker != keng::kRecordMarker)
        throw EngineError(keng::kErrParams, "The parameter record is not one this engine reads");
    Request r;
    std::string archive;
    if (!ReadText(p.ArchiveName, keng::kNameBufferSize, archive) || archive.empty())
        throw EngineError(keng::kErrParams, "No archive name was given");
    char full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(archive.c_str(), sizeof full, full, nullptr);
    r.archivePath = n > 0 && n < sizeof full ? std::string(full, n) : archive;

    if (p.Argc < 0 || p.Argc > keng::kMaxFileSpecs)
        throw EngineError(keng::kErrParams,
                          "The number of file patterns is out of range: " + std::to_string(p.Argc));
    for (int i = 0; i < p.Argc; ++i) {
        std::string pattern;
        if (!ReadText(p.FileSpecs[i], keng::kNameBufferSize, pattern)) {
            reporter.Message(keng::kErrParams, "File pattern " + std::to_string(i + 1) +
                                                   " is missing or too long; left out");
            continue;
        }
        if (!pattern.empty()) r.patterns.push_back(pattern);
    }

    r.deleteEntries = On(p.DeleteEntries);
    if (!r.deleteEntries && !On(p.AddMode))
        throw EngineError(keng::kErrParams, "Neither adding nor deleting was asked for");
    if (p.PasswordText) {
        // Up to 80 characters; a buffer without its NUL is cut there rather than overrun.
        const char* text = p.PasswordText;
        const void* nul = std::memchr(text, 0, keng::kPasswordBufferSize);
        r.password.assign(text, nul ? static_cast<const char*>(nul)
                                    : text + keng::kPasswordBufferSize - 1);
    }
    r.archiveTime = On(p.ZipTime);
    if (r.deleteEntries) return r;

    r.scan.recurse = On(p.Recurse);
    r.scan.includeHidden = On(p.HiddenFiles);
    r.scan.names.junkDirNames = On(p.JunkDirNames);
    r.scan.names.forceDos = On(p.ForceDOS);
    r.mode = On(p.Update)    ? AddMode::Update
             : On(p.Freshen) ? AddMode::Freshen
                             : AddMode::AddReplace;
    r.level = std::clamp<int>(p.Level, 0, 9);
    r.encrypt = On(p.Encrypt);
    r.aes = p.EncryptMethod == keng::kEncryptAes256;
    r.owner = p.Handle;
    r.move = On(p.Move);
    return r;
}

} // namespace zipeng
