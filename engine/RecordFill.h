// Filling the engine records from a component's properties, and the per-call text buffers
// the records point to.
#pragma once

#include "base/EngineRecords.h"

#include <memory>
#include <string>
#include <cstdlib>
#include <vector>

class TZipKeeper;

// Writes every field of zip.ZipParams for adding; the text pointers and Argc are left 0
// for EngineTexts. Nothing survives from an earlier call.
void FillZipParams(TZipKeeper& zip);
// Turns a record filled for adding into one for deleting.
void ApplyDeleteOverrides(keng::ZipParams& params);
// Writes every field of zip.UnzParams for extracting, text pointers and Argc left 0.
void FillUnzParams(TZipKeeper& zip);

// The message refusing texts that do not fit the engine's buffers, or empty when all fit.
// Cutting a name would make the engine act on a different file, so nothing is cut.
std::string RefuseOverlongTexts(const std::string& archiveName, const std::string& password,
                                const std::vector<std::string>& specs);

// A path as the engine's record carries it: as it is when it fits the buffer, else with its
// folders in their 8.3 form when that fits (the engines open it all the same); unchanged
// otherwise, for RefuseOverlongTexts to name it. For the archive's name, and for files added
// without their folders (with them, the folders' names would be stored).
std::string RecordPath(const std::string& path);
// The file specifications of an Add as the record carries them.
std::vector<std::string> RecordAddSpecs(const std::vector<std::string>& specs, bool withFolders);

// The buffers of one engine call: the archive name, the password and one buffer per line of
// FSpecArgs, at the sizes the engines expect. They live for the call only.
class EngineTexts {
public:
    // The values must have passed RefuseOverlongTexts.
    EngineTexts(const std::string& archiveName, const std::string& password,
                const std::vector<std::string>& specs);
    ~EngineTexts();
    EngineTexts(const EngineTexts&) = delete;
    EngineTexts& operator=(const EngineTexts&) = delete;

    template <class Record> void AttachTo(Record& record) const {
        record.ArchiveName = archiveName_.get();
        record.PasswordText = password_.get();
        record.Argc = static_cast<std::int32_t>(specs_.size());
        for (size_t i = 0; i < specs_.size(); ++i)
            record.FileSpecs[i] = specs_[i].get();
    }
    // Clears the pointers again, so the record never points at freed buffers.
    template <class Record> void DetachFrom(Record& record) const {
        record.ArchiveName = nullptr;
        record.PasswordText = nullptr;
        for (size_t i = 0; i < specs_.size(); ++i)
            record.FileSpecs[i] = nullptr;
    }

    // The buffers come from the C runtime's heap, which the engines share, each exactly the
    // size the engine expects; the program's own small-block pools stay private to it.
    struct FreeText {
        void operator()(char* p) const { std::free(p); }
    };
    using TextBlock = std::unique_ptr<char[], FreeText>;

private:
    TextBlock archiveName_;
    TextBlock password_;
    std::vector<TextBlock> specs_;
};
