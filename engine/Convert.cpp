// ConvertSFX and ConvertZIP: plain byte copies between a zip archive and a self-extracting
// program (the stub followed by the unchanged archive), so converting back restores the zip
// file byte for byte.
#include "engine/Convert.h"

#include "engine/PathUtil.h"
#include "engine/ZipKeep.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "base/Handle.h"
#include "base/LongPaths.h"
#include "base/TempNames.h"

#include <windows.h>

namespace kconvert {

namespace {

constexpr DWORD kCopyBuffer = 1 << 20;
constexpr wchar_t kTempPrefixW[] = L"~ksx"; // kTempPrefix

std::string FolderOf(UINT(WINAPI* query)(LPSTR, UINT)) {
    char dir[256] = {};
    query(dir, sizeof dir);
    return dir;
}

std::string ProgramFolder() {
    return kpath::ExtractFilePath(kpath::ProgramPath());
}

ui::FileHandle OpenForReading(const std::string& path) {
    return ui::FileHandle(CreateFileW(kname::LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

// What failed in a copy: reading its input or writing its output, with the system's error.
struct CopyFailure {
    bool writing = false;
    DWORD error = 0;
};

// Copies `count` bytes (-1: to the end) from the current position of `in` to `out`; false
// with `failure` filled when a read or a write fails.
bool CopyBytes(HANDLE in, HANDLE out, std::int64_t count, std::vector<char>& buffer,
               CopyFailure& failure) {
    for (;;) {
        DWORD want = kCopyBuffer;
        if (count >= 0 && count < std::int64_t(want)) want = static_cast<DWORD>(count);
        if (want == 0) return true;
        DWORD got = 0, wrote = 0;
        if (!ReadFile(in, buffer.data(), want, &got, nullptr)) {
            failure = {false, GetLastError()};
            return false;
        }
        if (got == 0) {
            failure = {false, ERROR_HANDLE_EOF};
            return count < 0;
        }
        const BOOL written = WriteFile(out, buffer.data(), got, &wrote, nullptr);
        if (!written || wrote != got) {
            // A short write without an error is a full disk too.
            failure = {true, written ? static_cast<DWORD>(ERROR_DISK_FULL) : GetLastError()};
            return false;
        }
        if (count >= 0) count -= got;
    }
}

// A new file beside the target, removed again unless it is committed under the final name.
// It is opened without sharing, so a sweep by another conversion cannot delete it meanwhile.
class TempOutput {
public:
    explicit TempOutput(const std::string& target) {
        std::string dir = kpath::ExtractFilePath(target);
        if (dir.empty()) dir = ".\\";
        RemoveStaleConversionTemps(dir);
        DWORD seed = ktemp::FreshSeed();
        for (int attempt = 0; attempt < 64 && !file_.Valid(); ++attempt) {
            const std::string name = kname::Narrow(ktemp::TempName(kTempPrefixW, seed), CP_ACP);
            file_.Reset(CreateFileW(kname::LongPath(dir + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file_.Valid()) path_ = dir + name;
            if (!file_.Valid() && GetLastError() != ERROR_FILE_EXISTS) break;
            seed = ktemp::NextSeed(seed);
        }
    }
    ~TempOutput() {
        file_.Reset();
        if (!path_.empty()) DeleteFileW(kname::LongPath(path_).c_str());
    }
    TempOutput(const TempOutput&) = delete;
    TempOutput& operator=(const TempOutput&) = delete;

    HANDLE Get() const { return file_.Get(); }
    bool Valid() const { return file_.Valid(); }
    std::int64_t Size() const {
        LARGE_INTEGER size{};
        return GetFileSizeEx(file_.Get(), &size) ? size.QuadPart : -1;
    }
    bool Commit(const std::string& target) {
        file_.Reset();
        if (!MoveFileExW(kname::LongPath(path_).c_str(), kname::LongPath(target).c_str(),
                         MOVEFILE_REPLACE_EXISTING))
            return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
    ui::FileHandle file_;
};

// Puts the default cursor back however the conversion ends.
struct DefaultCursorOnExit {
    DefaultCursorOnExit() { ui::SetAppCursor(ui::AppCursor::HourGlass); }
    ~DefaultCursorOnExit() { ui::SetAppCursor(ui::AppCursor::Default); }
};

// An existing file of the output's name is replaced only when the user says so.
bool MayWrite(const std::string& output) {
    return !kpath::FileExists(output) || ui::ConfirmBox("Overwrite Existing File: " + output + "?");
}

std::vector<std::string>& CandidateOverride() {
    static std::vector<std::string> places;
    return places;
}

} // namespace

bool IsConversionTempName(const std::string& name) {
    return ktemp::IsTempName(kname::Widen(name, CP_ACP), kTempPrefixW);
}

void RemoveStaleConversionTemps(const std::string& folder) {
    ktemp::SweepTemps(kname::LongPath(folder), kTempPrefixW);
}

std::vector<std::string> StubCandidates() {
    if (!CandidateOverride().empty()) return CandidateOverride();
    return {ProgramFolder() + kStubName, FolderOf(GetWindowsDirectoryA) + "\\" + kStubName,
            FolderOf(GetSystemDirectoryA) + "\\" + kStubName};
}

void SetStubCandidates(std::vector<std::string> places) {
    CandidateOverride() = std::move(places);
}

bool FindStub(std::string& sfxPath, const std::vector<std::string>& candidates) {
    if (kpath::FileExists(sfxPath)) return true;
    for (const std::string& candidate : candidates) {
        sfxPath = candidate;
        if (kpath::FileExists(sfxPath)) return true;
    }
    return false;
}

std::string WithCause(const std::string& text, const std::string& cause) {
    return cause.empty() ? text : text + "\n\n" + cause;
}

std::string WriteProblem(const std::string& path, unsigned long error) {
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
        return "Not enough disk space to write \"" + path + "\".";
    return kpath::CannotText("write", path, error);
}

std::int32_t WriteJoined(const std::vector<Piece>& pieces, const std::string& target,
                         std::int64_t minimumSize, std::string* cause) {
    std::string ignored;
    std::string& why = cause ? *cause : ignored;
    why.clear();
    TempOutput out(target);
    const DWORD createError = out.Valid() ? 0 : GetLastError();
    std::vector<char> buffer(kCopyBuffer);
    for (const Piece& piece : pieces) {
        ui::FileHandle in = OpenForReading(piece.path);
        if (!in) {
            why = kpath::CannotOpenText(piece.path, GetLastError());
            return kCannotOpen;
        }
        if (!out.Valid()) {
            why = kpath::CannotText("write", target, createError);
            return kCannotCreate;
        }
        LARGE_INTEGER at{};
        at.QuadPart = piece.offset;
        CopyFailure failure;
        if (!SetFilePointerEx(in.Get(), at, nullptr, FILE_BEGIN)) failure.error = GetLastError();
        if (failure.error || !CopyBytes(in.Get(), out.Get(), piece.count, buffer, failure)) {
            why = failure.writing ? WriteProblem(target, failure.error)
                                  : kpath::CannotText("read", piece.path, failure.error);
            return kCopyFailed;
        }
    }
    if (out.Size() < minimumSize) return kRefused;
    if (out.Commit(target)) return kConverted;
    why = kpath::CannotText("replace", target, GetLastError());
    return kCannotCreate;
}

} // namespace kconvert

std::int32_t TZipKeeper::ConvertSFX() {
    using namespace kconvert;
    convertCause_.clear();
    if (!kpath::FileExists(zipFilename_)) {
        ui::ShowMessage("Error - no zip file specified");
        return kRefused;
    }
    if (!FindStub(SFXPath, StubCandidates())) {
        ui::ShowMessage("Error - KSFX.BIN not found");
        return kRefused;
    }
    if (kpath::UpperCase(kpath::ExtractFileExt(zipFilename_)) != ".ZIP") {
        ui::ShowMessage("Error: input file is not a zip file");
        return kRefused;
    }
    const std::string output = kpath::ChangeFileExt(zipFilename_, ".exe");
    if (!MayWrite(output)) return kRefused;
    DefaultCursorOnExit cursor;

    ui::FileHandle archive = OpenForReading(zipFilename_);
    LARGE_INTEGER archiveSize{};
    if (archive && !GetFileSizeEx(archive.Get(), &archiveSize)) return kCopyFailed;
    archive.Reset();
    const std::int32_t result =
        WriteJoined({{SFXPath}, {zipFilename_}}, output, archiveSize.QuadPart + kMinimumStubSize,
                    &convertCause_);
    if (result != kConverted) return result;
    return Converted(output);
}

std::int32_t TZipKeeper::ConvertZIP() {
    using namespace kconvert;
    convertCause_.clear();
    if (!kpath::FileExists(zipFilename_)) {
        ui::ShowMessage("Error - no .EXE file specified");
        return kRefused;
    }
    if (kpath::UpperCase(kpath::ExtractFileExt(zipFilename_)) != ".EXE") {
        ui::ShowMessage("Error: input file is not an .EXE file");
        return kRefused;
    }
    if (SFXOffset == 0) {
        ui::ShowMessage("Error determining the type of SFX archive");
        return kRefused;
    }
    const std::string output = kpath::ChangeFileExt(zipFilename_, ".zip");
    if (!MayWrite(output)) return kRefused;
    DefaultCursorOnExit cursor;

    const std::int32_t result =
        WriteJoined({{zipFilename_, SFXOffset, -1}}, output, 0, &convertCause_);
    if (result != kConverted) return result;
    return Converted(output);
}

// The input is gone once its converted copy is in place; the component lists the new file.
std::int32_t TZipKeeper::Converted(const std::string& output) {
    DeleteFileW(kname::LongPath(zipFilename_).c_str());
    zipFilename_ = output;
    List();
    return kconvert::kConverted;
}
