// Calls the program's callback with CallbackData, on the thread that called the engine.
#pragma once

#include "base/EngineRecords.h"

#include <cstdint>
#include <string_view>

namespace unzeng {

class Reporter {
public:
    Reporter(keng::EngineCallbackFn callback, void* caller);

    // Each returns true when the program asked to stop (now or earlier).
    bool NewFile(std::string_view name, std::uint64_t size);
    bool Progress();
    bool Message(keng::ErrorCode code, std::string_view text);
    // Asks whether the existing file may be replaced by the member (kActionAskOverwrite).
    enum class Answer { Keep, Replace, Stop };
    Answer AskOverwrite(std::string_view existingPath, std::string_view storedName,
                        std::uint64_t size);
    void EndOfBatch();

    bool StopRequested() const { return stop_; }

private:
    bool Send(std::int32_t action, std::int32_t error, std::int32_t size, std::string_view text,
              std::int32_t* reply = nullptr);

    keng::EngineCallbackFn callback_;
    void* caller_;
    bool stop_ = false;
};

} // namespace unzeng
