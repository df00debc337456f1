// TZipKeeper: the archive component every window uses to reach a zip archive. It lists an
// archive's members from its central directory (by its local headers when it has none), drives the
// engine libraries for adding, deleting and extracting, and converts archives to self-extracting
// programs and back.
#pragma once

#include "base/EngineRecords.h"
#include "engine/ZipTypes.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ArchiveReader;
namespace zipcore {
class ByteSource;
struct ArchiveInfo;
} // namespace zipcore

class TZipKeeper {
public:
    // The owner is a form; its window handle is handed to the engines as their parent.
    explicit TZipKeeper(HWND ownerHandle);
    ~TZipKeeper();
    TZipKeeper(const TZipKeeper&) = delete;
    TZipKeeper& operator=(const TZipKeeper&) = delete;

    // Published properties.
    bool Verbose = false;
    bool Trace = false;
    std::int32_t AddCompLevel = 9;
    AddOpts AddOptions;
    std::string ExtrBaseDir;
    ExtrOpts ExtrOptions;
    std::string Password;       // at most 255 characters
    bool AesEncryption = false; // AddEncrypt protects with WinZip AES-256, else traditionally
    std::string SFXPath;
    TNotifyEvent OnDirUpdate;
    TProgressEvent OnProgress;
    TMessageEvent OnMessage;
    // With a handler, an extraction without ExtrOverWrite asks it before replacing a file;
    // without one, existing files are kept and reported.
    TOverwriteEvent OnOverwrite;

    // File specifications for the next operation; every operation consumes them.
    std::vector<std::string>& FSpecArgs() { return fspecArgs_; }
    const std::vector<std::string>& FSpecArgs() const { return fspecArgs_; }
    void SetFSpecArgs(const std::vector<std::string>& lines) { fspecArgs_ = lines; }

    const std::string& ZipFilename() const { return zipFilename_; }
    // Stores the name and lists the archive, also when the name is unchanged or empty.
    void SetZipFilename(const std::string& name);

    // The members of the archive as of the last List.
    int Count() const;
    const ZipDirEntry& Entry(int index) const { return contents_[index]; }

    // Reads the archive named by ZipFilename into the contents list.
    void List();

    // Engine operations; the outcome is SuccessCnt.
    void Add();
    void Delete();
    void Extract();

    // Conversions to a self-extracting program and back; 0 on success, else a negative code
    // (engine/Convert.h).
    std::int32_t ConvertSFX();
    std::int32_t ConvertZIP();
    // Why the last conversion failed, naming the file (empty when it did not fail, or a box
    // already said why).
    const std::string& ConvertCause() const { return convertCause_; }

    // State.
    HWND Handle = nullptr;
    bool Cancel = false;
    bool ZipBusy = false;
    bool UnzBusy = false;
    std::int32_t SuccessCnt = 0;
    std::int32_t SFXOffset = 0;
    keng::ZipParams ZipParams{};
    keng::UnzParams UnzParams{};

private:
    void ClearContents();
    void FireDirUpdate();
    void ListDirectory(ArchiveReader& in, zipcore::ArchiveInfo& directory);
    void ListLocalHeaders(zipcore::ByteSource& source);
    std::int32_t Converted(const std::string& output);

    std::vector<ZipDirEntry> contents_;
    std::vector<std::string> fspecArgs_;
    std::string zipFilename_;
    std::string convertCause_;
};
