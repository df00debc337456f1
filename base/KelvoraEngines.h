/* KelvoraEngines.h: for programs that call Kelvora 98's engines, KZIPENG.DLL (add, update,
 * freshen, move, delete) and KUNZENG.DLL (extract, test), in C or C++.
 *
 * The engines come in two flavours: 32-bit (x86) and 64-bit (x64); a program loads the
 * flavour of its own kind. Each takes one record and reports through the record's Callback,
 * on the calling thread:
 *
 *   int32_t ZipEngExec(KZipParams*);   int32_t GetZipEngVersion(void);   (KZIPENG.DLL)
 *   int32_t UnzEngExec(KUnzParams*);   int32_t GetUnzEngVersion(void);   (KUNZENG.DLL)
 *
 * exported by these undecorated names, __stdcall on x86 (on x64 there is one convention).
 * The Exec functions return how many files were processed.
 *
 * The records are packed to 4 bytes in both flavours. On x86 every field is 4 bytes. On x64
 * the pointers (Handle, Caller, Callback, PasswordText, ArchiveName, FileSpecs[]) are 8 bytes
 * and may sit at offsets that are not a multiple of 8 (Callback at 20, ArchiveName at 140):
 * a caller must declare the packing, not rely on its compiler's natural alignment. The offsets
 * of both flavours are checked at the end of this file; they never change.
 *
 * From another language, declare each record as a structure packed to 4 with pointer-sized
 * fields where this file has pointers and 32-bit integers elsewhere, for example:
 *   C#:      [StructLayout(LayoutKind.Sequential, Pack = 4, CharSet = CharSet.Ansi)]
 *            IntPtr for the pointers, int for the rest, [MarshalAs(UnmanagedType.ByValArray,
 *            SizeConst = 4097)] IntPtr[] FileSpecs; the callback a delegate with
 *            [UnmanagedFunctionPointer(CallingConvention.StdCall)].
 *   Delphi:  packed record with {$A4} / {$ALIGN 4}, Pointer/PAnsiChar and Integer fields,
 *            stdcall callback.
 *   Python:  ctypes.Structure with _pack_ = 4, c_void_p / c_char_p and c_int32 fields,
 *            the callback a WINFUNCTYPE.
 * Strings are NUL-terminated bytes in the process's code page (UTF-8 where the program's
 * manifest asks for it); Booleans are 32 bits, true is -1 (any non-zero is taken as true).
 */
#ifndef KELVORA_ENGINES_H
#define KELVORA_ENGINES_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define KENG_STDCALL __stdcall
#else
#define KENG_STDCALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t KEBool; /* engine Boolean: true is -1 (all bits set), false 0 */

#define KENG_RECORD_VERSION 130 /* Version of both records */
#define KENG_RECORD_MARKER 7    /* Marker of both records */
#define KENG_MAX_FILE_SPECS 4097
#define KENG_CALLBACK_TEXT_SIZE 512 /* MessageText, its NUL included */

struct KCallbackData;
typedef KEBool(KENG_STDCALL* KEngineCallback)(struct KCallbackData*);

#pragma pack(push, 4)

/* Field names that end in a number name the field's x86 offset; x64 offsets are below. */
typedef struct KZipParams {
    void* Handle;         /* owner window of the engine's own questions (a password) */
    void* Caller;         /* handed back in KCallbackData */
    int32_t Version;      /* KENG_RECORD_VERSION */
    KEngineCallback Callback;
    KEBool TraceEnabled;
    char* PasswordText;   /* used with Encrypt; a buffer of 81 bytes the engine may fill */
    int32_t EncryptMethod; /* 0 traditional, 1 WinZip AES-256 */
    KEBool Encrypt;
    KEBool HiddenFiles;
    KEBool Fixed36;       /* false */
    KEBool Fixed40;       /* false */
    KEBool Fixed44;       /* true */
    KEBool Fixed48;       /* false */
    KEBool VerboseEnabled;
    KEBool Fixed56;       /* true */
    int32_t Level;        /* 0 stores, 1 to 9 deflates */
    KEBool Fixed64;       /* false */
    KEBool Fixed68;       /* false */
    KEBool JunkDirNames;
    KEBool Recurse;
    KEBool AddMode;
    KEBool ForceDOS;
    KEBool Move;
    KEBool DeleteEntries;
    KEBool Update;
    KEBool Freshen;
    KEBool Fixed104;      /* false */
    KEBool ZipTime;
    int32_t Unused112;
    int32_t Unused116;
    int32_t Argc;         /* how many of FileSpecs are used */
    char* ArchiveName;
    int32_t Marker;       /* KENG_RECORD_MARKER */
    char* FileSpecs[KENG_MAX_FILE_SPECS];
} KZipParams;

typedef struct KUnzParams {
    void* Handle;
    void* Caller;
    int32_t Version;
    KEngineCallback Callback;
    KEBool TraceEnabled;
    KEBool AskOverWrite;  /* without OverWrite: ask before replacing (action -1) */
    char* PasswordText;
    KEBool Test;
    KEBool Fixed32;       /* false */
    KEBool Fixed36;       /* false */
    KEBool Fixed40;       /* true */
    KEBool VerboseEnabled;
    KEBool Update;
    KEBool Freshen;
    KEBool DirNames;
    KEBool OverWrite;
    int32_t Argc;
    char* ArchiveName;
    int32_t Marker;
    char* FileSpecs[KENG_MAX_FILE_SPECS];
} KUnzParams;

typedef struct KCallbackData {
    int32_t Reserved0;
    void* Caller;         /* the record's Caller */
    int32_t Reserved8;
    int32_t Reply;        /* the caller's answer to a question */
    int32_t ActionCode;   /* 1 new file, 2 progress, 3 end of batch, 4 and above a message,
                             -1 may the existing file be replaced? */
    int32_t ErrorCode;    /* with a message: what went wrong */
    int32_t FileSize;     /* the member's or file's size, clamped to 32 bits */
    char MessageText[KENG_CALLBACK_TEXT_SIZE];
} KCallbackData;

#pragma pack(pop)

typedef int32_t(KENG_STDCALL* KZipEngExecFn)(KZipParams*);
typedef int32_t(KENG_STDCALL* KUnzEngExecFn)(KUnzParams*);
typedef int32_t(KENG_STDCALL* KEngVersionFn)(void);

#ifdef __cplusplus
}
#define KENG_ASSERT(e) static_assert(e, #e)
#else
#define KENG_ASSERT(e) _Static_assert(e, #e)
#endif

/* The layout both flavours keep. */
#if defined(_WIN64)
KENG_ASSERT(sizeof(void*) == 8);
KENG_ASSERT(offsetof(KZipParams, Caller) == 8);
KENG_ASSERT(offsetof(KZipParams, Version) == 16);
KENG_ASSERT(offsetof(KZipParams, Callback) == 20);
KENG_ASSERT(offsetof(KZipParams, TraceEnabled) == 28);
KENG_ASSERT(offsetof(KZipParams, PasswordText) == 32);
KENG_ASSERT(offsetof(KZipParams, EncryptMethod) == 40);
KENG_ASSERT(offsetof(KZipParams, Encrypt) == 44);
KENG_ASSERT(offsetof(KZipParams, VerboseEnabled) == 68);
KENG_ASSERT(offsetof(KZipParams, Level) == 76);
KENG_ASSERT(offsetof(KZipParams, JunkDirNames) == 88);
KENG_ASSERT(offsetof(KZipParams, DeleteEntries) == 108);
KENG_ASSERT(offsetof(KZipParams, ZipTime) == 124);
KENG_ASSERT(offsetof(KZipParams, Argc) == 136);
KENG_ASSERT(offsetof(KZipParams, ArchiveName) == 140);
KENG_ASSERT(offsetof(KZipParams, Marker) == 148);
KENG_ASSERT(offsetof(KZipParams, FileSpecs) == 152);
KENG_ASSERT(sizeof(KZipParams) == 32928);

KENG_ASSERT(offsetof(KUnzParams, Callback) == 20);
KENG_ASSERT(offsetof(KUnzParams, AskOverWrite) == 32);
KENG_ASSERT(offsetof(KUnzParams, PasswordText) == 36);
KENG_ASSERT(offsetof(KUnzParams, Test) == 44);
KENG_ASSERT(offsetof(KUnzParams, VerboseEnabled) == 60);
KENG_ASSERT(offsetof(KUnzParams, DirNames) == 72);
KENG_ASSERT(offsetof(KUnzParams, OverWrite) == 76);
KENG_ASSERT(offsetof(KUnzParams, Argc) == 80);
KENG_ASSERT(offsetof(KUnzParams, ArchiveName) == 84);
KENG_ASSERT(offsetof(KUnzParams, Marker) == 92);
KENG_ASSERT(offsetof(KUnzParams, FileSpecs) == 96);
KENG_ASSERT(sizeof(KUnzParams) == 32872);

KENG_ASSERT(offsetof(KCallbackData, Caller) == 4);
KENG_ASSERT(offsetof(KCallbackData, Reply) == 16);
KENG_ASSERT(offsetof(KCallbackData, ActionCode) == 20);
KENG_ASSERT(offsetof(KCallbackData, ErrorCode) == 24);
KENG_ASSERT(offsetof(KCallbackData, FileSize) == 28);
KENG_ASSERT(offsetof(KCallbackData, MessageText) == 32);
KENG_ASSERT(sizeof(KCallbackData) == 544);
#elif defined(_WIN32)
KENG_ASSERT(sizeof(void*) == 4);
KENG_ASSERT(offsetof(KZipParams, Callback) == 12);
KENG_ASSERT(offsetof(KZipParams, PasswordText) == 20);
KENG_ASSERT(offsetof(KZipParams, EncryptMethod) == 24);
KENG_ASSERT(offsetof(KZipParams, Encrypt) == 28);
KENG_ASSERT(offsetof(KZipParams, VerboseEnabled) == 52);
KENG_ASSERT(offsetof(KZipParams, Level) == 60);
KENG_ASSERT(offsetof(KZipParams, JunkDirNames) == 72);
KENG_ASSERT(offsetof(KZipParams, DeleteEntries) == 92);
KENG_ASSERT(offsetof(KZipParams, ZipTime) == 108);
KENG_ASSERT(offsetof(KZipParams, Argc) == 120);
KENG_ASSERT(offsetof(KZipParams, ArchiveName) == 124);
KENG_ASSERT(offsetof(KZipParams, Marker) == 128);
KENG_ASSERT(offsetof(KZipParams, FileSpecs) == 132);
KENG_ASSERT(sizeof(KZipParams) == 16520);

KENG_ASSERT(offsetof(KUnzParams, Callback) == 12);
KENG_ASSERT(offsetof(KUnzParams, AskOverWrite) == 20);
KENG_ASSERT(offsetof(KUnzParams, PasswordText) == 24);
KENG_ASSERT(offsetof(KUnzParams, Test) == 28);
KENG_ASSERT(offsetof(KUnzParams, VerboseEnabled) == 44);
KENG_ASSERT(offsetof(KUnzParams, DirNames) == 56);
KENG_ASSERT(offsetof(KUnzParams, OverWrite) == 60);
KENG_ASSERT(offsetof(KUnzParams, Argc) == 64);
KENG_ASSERT(offsetof(KUnzParams, ArchiveName) == 68);
KENG_ASSERT(offsetof(KUnzParams, Marker) == 72);
KENG_ASSERT(offsetof(KUnzParams, FileSpecs) == 76);
KENG_ASSERT(sizeof(KUnzParams) == 16464);

KENG_ASSERT(offsetof(KCallbackData, Caller) == 4);
KENG_ASSERT(offsetof(KCallbackData, Reply) == 12);
KENG_ASSERT(offsetof(KCallbackData, ActionCode) == 16);
KENG_ASSERT(offsetof(KCallbackData, ErrorCode) == 20);
KENG_ASSERT(offsetof(KCallbackData, FileSize) == 24);
KENG_ASSERT(offsetof(KCallbackData, MessageText) == 28);
KENG_ASSERT(sizeof(KCallbackData) == 540);
#endif

#undef KENG_ASSERT

#endif /* KELVORA_ENGINES_H */
