// What a test and the probe engine share: the probe stands in for KZIPENG.DLL or
// KUNZENG.DLL, records what it is handed and replays a scripted series of callbacks.
#pragma once

#include "base/EngineRecords.h"

#include <cstddef>
#include <cstdint>

namespace probe {

constexpr int kMaxSteps = 64;
constexpr int kPathSize = 260;

enum StepKind : std::int32_t {
    kCallBack = 0, // call the callback with the step's values
    kFault = 1,    // an access violation, as a broken engine would cause
};

struct Step {
    std::int32_t kind;
    std::int32_t actionCode;
    std::int32_t errorCode;
    std::int32_t fileSize;
    void* caller; // null: the Caller of the record, as a real engine hands it back
    char text[keng::kCallbackTextSize];
};

// Everything the probe saw during its last Exec call.
struct Log {
    std::uint32_t errorModeAtLoad; // the process error mode while the library was loaded
    std::int32_t calls;            // Exec calls since the last reset
    std::int32_t versionCalls;     // calls of the version entry (the program never makes one)
    std::int32_t recordSize;
    std::uint8_t record[sizeof(keng::ZipParams)]; // the record's bytes as received
    // The texts behind the record's pointers, each read within its buffer's expected size,
    // and the size of the heap block each pointer addresses (0 when not a heap block).
    char archiveName[keng::kNameBufferSize];
    std::size_t archiveNameBlock;
    char password[keng::kPasswordBufferSize];
    std::size_t passwordBlock;
    std::int32_t argc;
    char specs[keng::kMaxFileSpecs][keng::kNameBufferSize];
    std::size_t specBlocks[keng::kMaxFileSpecs];
    char currentDir[kPathSize]; // the process's current folder during the call
    std::int32_t stepsRun;
    std::int32_t results[kMaxSteps]; // the callback's answer to each step run
};

// Extra exports of the probe (cdecl, undecorated).
using ProbeResetFn = void (*)();
// The script of the next Exec calls; result < 0 makes Exec return its Argc.
using ProbeScriptFn = void (*)(const Step* steps, std::int32_t count, std::int32_t result);
using ProbeLogFn = const Log* (*)();

} // namespace probe
