// The records the program and the engine libraries KZIPENG.DLL / KUNZENG.DLL exchange, as
// the program and the engines name them. The records themselves are those of the header that
// ships beside the engines for other callers (KelvoraEngines.h), whose layout in both flavours
// is checked at compile time and must never change.
#pragma once

#include "base/KelvoraEngines.h"

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

// Length of the inline text in CallbackData, NUL included. The program reads the text up
// to its NUL; engines never write more than this.
constexpr int kCallbackTextSize = KENG_CALLBACK_TEXT_SIZE;

using CallbackData = ::KCallbackData;
using EngineCallbackFn = ::KEngineCallback;
using ZipParams = ::KZipParams;
using UnzParams = ::KUnzParams;
static_assert(kRecordVersion == KENG_RECORD_VERSION && kRecordMarker == KENG_RECORD_MARKER &&
              kMaxFileSpecs == KENG_MAX_FILE_SPECS);

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
using ZipEngExecFn = ::KZipEngExecFn;
using UnzEngExecFn = ::KUnzEngExecFn;
using EngVersionFn = ::KEngVersionFn;


} // namespace keng
