// The records the program and the engine libraries KZIPENG.DLL / KUNZENG.DLL exchange.
// Both sides include this one header; every field is 32 bits at a fixed offset, so the
// layout is checked at compile time below and must never change.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keng {

// Engine Booleans are 32 bits: true is all bits set.
using EBool = std::int32_t;
constexpr EBool kTrue = -1;
constexpr EBool kFalse = 0;
inline EBool ToEBool(bool b) {
    return b ? kTrue : kFalse;
}

constexpr std::int32_t kRecordVersion = 130;
constexpr std::int32_t kRecordMarker = 7;
// ZipParams::EncryptMethod: how Encrypt protects the files added.
constexpr std::int32_t kEncryptTraditional = 0;
constexpr std::int32_t kEncryptAes256 = 1;
constexpr int kMaxFileSpecs = 4097;
// Buffer sizes handed to the engines, each including the terminating NUL.
constexpr int kNameBufferSize = 256;
constexpr int kPasswordBufferSize = 81;

#if defined(_WIN32)
#define KENG_STDCALL __stdcall
#else
#define KENG_STDCALL
#endif

struct CallbackData;
using EngineCallbackFn = EBool(KENG_STDCALL*)(CallbackData*);

#pragma pack(push, 4)

struct ZipParams {
    void* Handle;                   // 0   owner window
    void* Caller;                   // 4   handed back in CallbackData
    std::int32_t Version;           // 8
    EngineCallbackFn Callback;      // 12
    EBool TraceEnabled;             // 16
    char* PasswordText;             // 20
    std::int32_t EncryptMethod;     // 24  kEncryptTraditional or kEncryptAes256
    EBool Encrypt;                  // 28
    EBool HiddenFiles;              // 32
    EBool Fixed36;                  // 36  false
    EBool Fixed40;                  // 40  false
    EBool Fixed44;                  // 44  true
    EBool Fixed48;                  // 48  false
    EBool VerboseEnabled;           // 52
    EBool Fixed56;                  // 56  true
    std::int32_t Level;             // 60
    EBool Fixed64;                  // 64  false
    EBool Fixed68;                  // 68  false
    EBool JunkDirNames;             // 72
    EBool Recurse;                  // 76
    EBool AddMode;                  // 80
    EBool ForceDOS;                 // 84
    EBool Move;                     // 88
    EBool DeleteEntries;            // 92
    EBool Update;                   // 96
    EBool Freshen;                  // 100
    EBool Fixed104;                 // 104 false
    EBool ZipTime;                  // 108
    std::int32_t Unused112;         // 112
    std::int32_t Unused116;         // 116
    std::int32_t Argc;              // 120
    char* ArchiveName;              // 124
    std::int32_t Marker;            // 128
    char* FileSpecs[kMaxFileSpecs]; // 132
};

struct UnzParams {
    void* Handle;                   // 0
    void* Caller;                   // 4
    std::int32_t Version;           // 8
    EngineCallbackFn Callback;      // 12
    EBool TraceEnabled;             // 16
    EBool AskOverWrite;             // 20  without OverWrite: ask before replacing
    char* PasswordText;             // 24
    EBool Test;                     // 28
    EBool Fixed32;                  // 32  false
    EBool Fixed36;                  // 36  false
    EBool Fixed40;                  // 40  true
    EBool VerboseEnabled;           // 44
    EBool Update;                   // 48
    EBool Freshen;                  // 52
    EBool DirNames;                 // 56
    EBool OverWrite;                // 60
    std::int32_t Argc;              // 64
    char* ArchiveName;              // 68
    std::int32_t Marker;            // 72
    char* FileSpecs[kMaxFileSpecs]; // 76
};

// Length of the inline text in CallbackData, NUL included. The program reads the text up
// to its NUL; engines never write more than this.
constexpr int kCallbackTextSize = 512;

struct CallbackData {
    std::int32_t Reserved0;              // 0
    void* Caller;                        // 4
    std::int32_t Reserved8;              // 8
    std::int32_t Reply;                  // 12  the program's answer to a question (kReply...)
    std::int32_t ActionCode;             // 16
    std::int32_t ErrorCode;              // 20
    std::int32_t FileSize;               // 24
    char MessageText[kCallbackTextSize]; // 28
};

#pragma pack(pop)

// Action codes of CallbackData.
enum ActionCode : std::int32_t {
    kActionNewFile = 1,
    kActionProgress = 2,
    kActionEndOfBatch = 3,
    kActionMessage = 4, // 4 and above carry a message
    // A question, below the codes that raise events (a program that does not know it keeps
    // the file), sent only when UnzParams.AskOverWrite is set, before any file is written:
    // may the existing file be replaced? MessageText holds the existing file's path (UTF-8),
    // a line feed and the member's stored name; FileSize the member's size (clamped). The
    // program sets Reply; returning true stops the extraction.
    kActionAskOverwrite = -1,
};

// Reply values of kActionAskOverwrite. The engine sets Reply to kReplyKeep before asking.
enum Reply : std::int32_t {
    kReplyKeep = 0,
    kReplyReplace = 1,
};

// One progress unit (action 2) stands for this many bytes of the current file.
constexpr std::int32_t kProgressUnit = 32768;

// ErrorCode sent with a message (action 4 and above). Both engines use these values; the
// message text names the member or file concerned.
enum ErrorCode : std::int32_t {
    kErrNone = 0,              // information only (for example a verbose note)
    kErrOpenArchive = 1,       // the archive file cannot be opened or read
    kErrBadArchive = 2,        // the archive is damaged or not a zip file; nothing was done
    kErrUnsupportedMethod = 3, // a member uses a compression method or encryption not supported
    kErrCrc = 4,               // a member's data fails its CRC or size check, or cannot be inflated
    kErrUnsafeName = 5,        // a member name would write outside the target folder; refused
    kErrExists = 6,            // the file exists and OverWrite is off (or it is not older): skipped
    kErrWrite = 7,             // a file or folder cannot be created, written or replaced
    kErrPassword = 8,          // no password given, or the password is wrong for a member
    kErrCancelled = 9,         // the callback asked to stop; the operation ended early
    kErrDuplicateName = 10,    // one stored name or one path twice: the later is left out
    kErrNoMatch = 11,          // a name or mask matched no member (or no file when adding)
    kErrLink = 12,             // a symbolic link member; not created
    kErrReadFile = 13,         // a file to be added cannot be opened or read
    kErrDiskFull = 14,         // the disk is full; the archive is left as it was
    kErrTempFile = 15,         // the temporary archive cannot be created or put in place
    kErrParams = 16,           // the parameter record is invalid (version, marker, buffers)
    kErrInternal = 17,         // an unexpected failure inside the engine
};

// Entry points exported by the engines (undecorated names).
using ZipEngExecFn = std::int32_t(KENG_STDCALL*)(ZipParams*);
using UnzEngExecFn = std::int32_t(KENG_STDCALL*)(UnzParams*);
using EngVersionFn = std::int32_t(KENG_STDCALL*)();

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(void*) == 4);
static_assert(offsetof(ZipParams, PasswordText) == 20);
static_assert(offsetof(ZipParams, EncryptMethod) == 24);
static_assert(offsetof(ZipParams, Encrypt) == 28);
static_assert(offsetof(ZipParams, VerboseEnabled) == 52);
static_assert(offsetof(ZipParams, Level) == 60);
static_assert(offsetof(ZipParams, JunkDirNames) == 72);
static_assert(offsetof(ZipParams, DeleteEntries) == 92);
static_assert(offsetof(ZipParams, ZipTime) == 108);
static_assert(offsetof(ZipParams, Argc) == 120);
static_assert(offsetof(ZipParams, ArchiveName) == 124);
static_assert(offsetof(ZipParams, Marker) == 128);
static_assert(offsetof(ZipParams, FileSpecs) == 132);
static_assert(sizeof(ZipParams) == 16520);

static_assert(offsetof(UnzParams, AskOverWrite) == 20);
static_assert(offsetof(UnzParams, PasswordText) == 24);
static_assert(offsetof(UnzParams, Test) == 28);
static_assert(offsetof(UnzParams, VerboseEnabled) == 44);
static_assert(offsetof(UnzParams, DirNames) == 56);
static_assert(offsetof(UnzParams, OverWrite) == 60);
static_assert(offsetof(UnzParams, Argc) == 64);
static_assert(offsetof(UnzParams, ArchiveName) == 68);
static_assert(offsetof(UnzParams, Marker) == 72);
static_assert(offsetof(UnzParams, FileSpecs) == 76);
static_assert(sizeof(UnzParams) == 16464);

static_assert(offsetof(CallbackData, Caller) == 4);
static_assert(offsetof(CallbackData, Reply) == 12);
static_assert(offsetof(CallbackData, ActionCode) == 16);
static_assert(offsetof(CallbackData, ErrorCode) == 20);
static_assert(offsetof(CallbackData, FileSize) == 24);
static_assert(offsetof(CallbackData, MessageText) == 28);
#endif

} // namespace keng
