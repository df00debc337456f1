// Unpacking one member below the target folder: the data goes to a temporary file beside
// its target and takes the real name only after its size and CRC proved right.
#pragma once

#include "dlls/sfx/SfxArchive.h"
#include "base/zipcore/Inflater.h"
#include "base/PasswordForms.h"

#include <initializer_list>

namespace sfx {

// What the unpacking asks of its surroundings: the window, or the unattended defaults.
class Questions {
public:
    virtual ~Questions() = default;
    // May the existing file be replaced?
    virtual bool Overwrite(const wchar_t* path) = 0;
    // The password for encrypted members; false when none can be had. `retry` after a wrong one.
    virtual bool Password(char* out, int capacity, bool retry) = 0;
    // Progress of the current member; false stops the unpacking.
    virtual bool Progress(std::uint64_t bytesDone) = 0;
};

// Creates each missing folder of `path` from position `from` on (the path's first folder that
// may be missing); the whole path is a folder.
bool MakeFolders(wchar_t* path, int from);

enum class Outcome { Extracted, Folder, Skipped, Failed, Cancelled };

// A growing list of result lines.
class TextLog {
public:
    TextLog() = default;
    ~TextLog() { Release(text_); }
    TextLog(const TextLog&) = delete;
    TextLog& operator=(const TextLog&) = delete;
    void Line(std::initializer_list<const wchar_t*> parts);
    const wchar_t* Text() const { return text_ ? text_ : L""; }
    int Lines() const { return lines_; }

private:
    wchar_t* text_ = nullptr;
    int length_ = 0, capacity_ = 0, lines_ = 0;
};

class Unpacker {
public:
    // `root` is the target folder, an absolute path without a trailing backslash.
    Unpacker(Archive& archive, const wchar_t* root, Questions& questions, TextLog& log)
        : archive_(archive), root_(root), questions_(questions), log_(log),
          seed_(GetTickCount() ^ (GetCurrentProcessId() << 16)) {}
    ~Unpacker();
    Unpacker(const Unpacker&) = delete;
    Unpacker& operator=(const Unpacker&) = delete;

    Outcome Unpack(const Entry& e);

private:
    enum class Data {
        Ok,
        WrongPassword,
        Damaged,
        NotAuthentic,
        NoAes,
        CrcError,
        WriteError,
        Cancelled
    };
    // Uses the first form of the password from `firstForm` on that the member's check accepts;
    // usedForm_ tells which.
    Data Copy(const Entry& e, std::uint64_t start, HANDLE out, int firstForm);
    Outcome Refuse(Outcome o, const wchar_t* why, const wchar_t* verb = L"");
    // Deletes the temporary files a killed run left in the folder (ending with '\\'), once
    // for each folder in turn.
    void SweepFolder(const wchar_t* folder);

    Archive& archive_;
    const wchar_t* root_;
    Questions& questions_;
    TextLog& log_;
    wchar_t name_[1024] = {};
    char password_[128] = {};
    kpass::PasswordForms forms_ = {}; // of password_, tried in turn
    int usedForm_ = 0;
    bool havePassword_ = false;
    bool noPassword_ = false;
    unsigned char* in_ = nullptr;
    unsigned char* out_ = nullptr;
    zipcore::Inflater* inflater_ = nullptr;
    DWORD seed_;               // of the temporary files' names
    wchar_t swept_[2048] = {}; // the folder swept last
};

} // namespace sfx
