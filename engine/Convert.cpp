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

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kconvert {

namespace {

constexpr DWORD kCopyBuffer = 1 << 20;

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

// Copies `count` bytes (-1: to the end) from the current position of `in` to `out`.
bool CopyBytes(HANDLE in, HANDLE out, std::int64_t count, std::vector<char>& buffer) {
    for (;;) {
        DWORD want = kCopyBuffer;
        if (count >= 0 && count < std::int64_t(want)) want = static_cast<DWORD>(count);
        if (want == 0) return true;
        DWORD got = 0, wrote = 0;
        if (!ReadFile(in, buffer.data(), want, &got, nullptr)) return false;
        if (got == 0) return count < 0;
        if (!WriteFile(out, buffer.data(), got, &wrote, nullptr) || wrote != got) return false;
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
        DWORD seed = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ GetCurrentThreadId();
        for (int attempt = 0; attempt < 64 && !file_.Valid(); ++attempt) {
            char name[24];
            std::snprintf(name, sizeof name, "%s%08lx.tmp", kTempPrefix,
                          static_cast<unsigned long>(seed));
            file_.Reset(CreateFileW(kname::LongPath(dir + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (file_.Valid()) path_ = dir + name;
            seed = seed * 1664525u + 1013904223u;
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
    const size_t prefix = sizeof kTempPrefix - 1;
    if (name.size() != prefix + 8 + 4) return false;
    if (kpath::LowerCase(name.substr(0, prefix)) != kTempPrefix) return false;
    if (kpath::LowerCase(name.substr(prefix + 8)) != ".tmp") return false;
    return std::all_of(name.begin() + prefix, name.begin() + prefix + 8,
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

void RemoveStaleConversionTemps(const std::string& folder) {
    WIN32_FIND_DATAW fd;
    ui::FindHandle find(
        FindFirstFileW(kname::LongPath(folder + kTempPrefix + "*.tmp").c_str(), &fd));
    if (!find) return;
    do {
        const std::string name = kname::Narrow(fd.cFileName, CP_ACP);
        // One still being written is open without sharing, and so cannot be deleted.
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsConversionTempName(name))
            DeleteFileW(kname::LongPath(folder + name).c_str());
    } while (FindNextFileW(find.Get(), &fd));
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

std::int32_t WriteJoined(const std::vector<Piece>& pieces, const std::string& target,
                         std::int64_t minimumSize) {
    std::vector<ui::FileHandle> inputs;
    TempOutput out(target);
    std::vector<char> buffer(kCopyBuffer);
    for (const Piece& piece : pieces) {
        ui::FileHandle in = OpenForReading(piece.path);
        if (!in) return kCannotOpen;
        if (!out.Valid()) return kCannotCreate;
        LARGE_INTEGER at{};
        at.QuadPart = piece.offset;
        if (!SetFilePointerEx(in.Get(), at, nullptr, FILE_BEGIN) ||
            !CopyBytes(in.Get(), out.Get(), piece.count, buffer))
            return kCopyFailed;
    }
    if (out.Size() < minimumSize) return kRefused;
    return out.Commit(target) ? kConverted : kCannotCreate;
}

} // namespace kconvert

std::int32_t TZipKeeper::ConvertSFX() {
    using namespace kconvert;
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
        WriteJoined({{SFXPath}, {zipFilename_}}, output, archiveSize.QuadPart + kMinimumStubSize);
    if (result != kConverted) return result;
    return Converted(output);
}

std::int32_t TZipKeeper::ConvertZIP() {
    using namespace kconvert;
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

    const std::int32_t result = WriteJoined({{zipFilename_, SFXOffset, -1}}, output, 0);
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
