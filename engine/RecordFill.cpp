#include "engine/RecordFill.h"

#include "engine/ZipCallback.h"
#include "engine/ZipKeep.h"

#include "base/LongPaths.h"

#include <algorithm>
#include <cstring>
#include <new>

using keng::kFalse;
using keng::kTrue;
using keng::ToEBool;

namespace {

constexpr size_t kMaxNameLength = keng::kNameBufferSize - 1;
constexpr size_t kMaxPasswordLength = keng::kPasswordBufferSize - 1;

EngineTexts::TextBlock TextBuffer(const std::string& text, size_t size) {
    EngineTexts::TextBlock buffer(static_cast<char*>(std::calloc(size, 1)));
    if (!buffer) throw std::bad_alloc();
    std::memcpy(buffer.get(), text.data(), std::min(text.size(), size - 1));
    return buffer;
}

} // namespace

void FillZipParams(TZipKeeper& zip) {
    keng::ZipParams& p = zip.ZipParams;
    // Unused fields and the unused FileSpecs slots stay 0.
    std::memset(&p, 0, sizeof p);
    const AddOpts& o = zip.AddOptions;
    p.Handle = zip.Handle;
    p.Caller = &zip;
    p.Version = keng::kRecordVersion;
    p.Callback = &EngineCallback;
    p.TraceEnabled = ToEBool(zip.Trace);
    p.Encrypt = ToEBool(o.Has(AddEncrypt));
    p.EncryptMethod = zip.AesEncryption ? keng::kEncryptAes256 : keng::kEncryptTraditional;
    p.HiddenFiles = ToEBool(o.Has(AddHiddenFiles));
    p.Fixed36 = kFalse;
    p.Fixed40 = kFalse;
    p.Fixed44 = kTrue;
    p.Fixed48 = kFalse;
    p.VerboseEnabled = ToEBool(zip.Verbose || zip.Trace);
    p.Fixed56 = kTrue;
    p.Level = zip.AddCompLevel;
    p.Fixed64 = kFalse;
    p.Fixed68 = kFalse;
    p.JunkDirNames = ToEBool(!o.Has(AddDirNames));
    p.Recurse = ToEBool(o.Has(AddRecurseDirs));
    p.AddMode = kTrue;
    p.ForceDOS = ToEBool(o.Has(AddForceDOS));
    p.Move = ToEBool(o.Has(AddMove));
    p.DeleteEntries = kFalse;
    p.Update = ToEBool(o.Has(AddUpdate));
    // Asked for both, the engine only updates.
    p.Freshen = ToEBool(o.Has(AddFreshen) && !o.Has(AddUpdate));
    p.Fixed104 = kFalse;
    p.ZipTime = ToEBool(o.Has(AddZipTime));
    p.Marker = keng::kRecordMarker;
}

void ApplyDeleteOverrides(keng::ZipParams& p) {
    p.DeleteEntries = kTrue;
    p.AddMode = kFalse;
    p.JunkDirNames = kFalse;
    p.Move = kFalse;
    p.Freshen = kFalse;
    p.Update = kFalse;
    p.Recurse = kFalse;
    p.Encrypt = kFalse;
    p.EncryptMethod = keng::kEncryptTraditional;
}

void FillUnzParams(TZipKeeper& zip) {
    keng::UnzParams& p = zip.UnzParams;
    std::memset(&p, 0, sizeof p);
    const ExtrOpts& o = zip.ExtrOptions;
    p.Handle = zip.Handle;
    p.Caller = &zip;
    p.Version = keng::kRecordVersion;
    p.Callback = &EngineCallback;
    p.TraceEnabled = ToEBool(zip.Trace);
    p.Test = ToEBool(o.Has(ExtrTest));
    p.Fixed32 = kFalse;
    p.Fixed36 = kFalse;
    p.Fixed40 = kTrue;
    p.VerboseEnabled = ToEBool(zip.Verbose || zip.Trace);
    p.Update = ToEBool(o.Has(ExtrUpdate));
    p.Freshen = ToEBool(o.Has(ExtrFreshen) && !o.Has(ExtrUpdate));
    p.DirNames = ToEBool(o.Has(ExtrDirNames));
    p.OverWrite = ToEBool(o.Has(ExtrOverWrite));
    p.AskOverWrite = ToEBool(!o.Has(ExtrOverWrite) && zip.OnOverwrite);
    p.Marker = keng::kRecordMarker;
}

std::string RecordPath(const std::string& path) {
    if (path.size() <= kMaxNameLength) return path;
    const std::string shorter = kname::ShortPath(path);
    return !shorter.empty() && shorter.size() <= kMaxNameLength ? shorter : path;
}

std::vector<std::string> RecordAddSpecs(const std::vector<std::string>& specs, bool withFolders) {
    if (withFolders) return specs;
    std::vector<std::string> out;
    out.reserve(specs.size());
    for (const std::string& fileSpec : specs)
        out.push_back(RecordPath(fileSpec));
    return out;
}

std::string RefuseOverlongTexts(const std::string& archiveName, const std::string& password,
                                const std::vector<std::string>& specs) {
    if (archiveName.size() > kMaxNameLength)
        return "Error - zip file name too long (more than 255 characters): " + archiveName;
    if (password.size() > kMaxPasswordLength)
        return "Error - password too long (more than 80 characters)";
    if (specs.size() > static_cast<size_t>(keng::kMaxFileSpecs))
        return "Error - too many file specifications (more than 4097)";
    for (const std::string& fileSpec : specs)
        if (fileSpec.size() > kMaxNameLength)
            return "Error - file specification too long (more than 255 characters): " + fileSpec;
    return {};
}

EngineTexts::EngineTexts(const std::string& archiveName, const std::string& password,
                         const std::vector<std::string>& specs)
    : archiveName_(TextBuffer(archiveName, keng::kNameBufferSize)),
      password_(TextBuffer(password, keng::kPasswordBufferSize)) {
    specs_.reserve(specs.size());
    for (const std::string& fileSpec : specs)
        specs_.push_back(TextBuffer(fileSpec, keng::kNameBufferSize));
}

EngineTexts::~EngineTexts() {
    while (!specs_.empty())
        specs_.pop_back(); // the last one first
}
