// The engine's side of the callback: file starts, 32768-byte progress units, the end of the
// batch and messages, always on the thread that called the engine. Remembers a request to
// stop so every caller can check it.
#pragma once

#include "base/EngineRecords.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace zipeng {

// Thrown once the callback has asked the engine to stop.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

class Reporter {
public:
    Reporter(keng::EngineCallbackFn callback, void* caller, bool verbose)
        : callback_(callback), caller_(caller), verbose_(verbose) {}

    // Action 1. Sizes above the record's 32-bit field are reported as its largest value.
    void NewFile(std::string_view name, std::uint64_t size);
    // The current file has now had `done` bytes processed in all: action 2 once for every
    // multiple of 32768 crossed since the last call.
    void Progress(std::uint64_t done);
    // Action 3 (its answer is not looked at: the batch is over).
    void EndOfBatch();
    // A message (action 4) with its code.
    void Message(keng::ErrorCode code, std::string_view text);
    // A note sent only when the caller asked for verbose output.
    void Verbose(std::string_view text);

    // Each of the above throws Cancelled when the callback answers true; later calls still
    // reach the callback (the end of the batch must be reported).
    bool StopRequested() const { return stop_; }

private:
    void Send(std::int32_t action, std::int32_t code, std::int32_t size, std::string_view text);

    keng::EngineCallbackFn callback_;
    void* caller_;
    bool verbose_;
    bool stop_ = false;
    std::uint64_t unitsSent_ = 0;
};

} // namespace zipeng
