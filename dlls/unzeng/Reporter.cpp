#include "dlls/unzeng/Reporter.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace unzeng {

Reporter::Reporter(keng::EngineCallbackFn callback, void* caller)
    : callback_(callback), caller_(caller) {}

bool Reporter::Send(std::int32_t action, std::int32_t error, std::int32_t size,
                    std::string_view text) {
    if (!callback_) return stop_;
    keng::CallbackData data{};
    data.Caller = caller_;
    data.ActionCode = action;
    data.ErrorCode = error;
    data.FileSize = size;
    const std::size_t len = std::min<std::size_t>(text.size(), keng::kCallbackTextSize - 1);
    std::memcpy(data.MessageText, text.data(), len);
    data.MessageText[len] = '\0';
    if (callback_(&data) != 0) stop_ = true;
    return stop_;
}

bool Reporter::NewFile(std::string_view name, std::uint64_t size) {
    const auto clamped = static_cast<std::int32_t>(
        std::min<std::uint64_t>(size, std::numeric_limits<std::int32_t>::max()));
    return Send(keng::kActionNewFile, 0, clamped, name);
}

bool Reporter::Progress() {
    return Send(keng::kActionProgress, 0, 0, " ");
}

bool Reporter::Message(keng::ErrorCode code, std::string_view text) {
    return Send(keng::kActionMessage, code, 0, text);
}

void Reporter::EndOfBatch() {
    Send(keng::kActionEndOfBatch, 0, 0, " ");
}

} // namespace unzeng
