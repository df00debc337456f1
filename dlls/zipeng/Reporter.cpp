#include "dlls/zipeng/Reporter.h"

#include "base/zipcore/NameText.h"

#include <algorithm>
#include <cstring>

namespace zipeng {

void Reporter::Send(std::int32_t action, std::int32_t code, std::int32_t size,
                    std::string_view text) {
    if (!callback_) return;
    keng::CallbackData data{};
    data.Caller = caller_;
    data.ActionCode = action;
    data.ErrorCode = code;
    data.FileSize = size;
    const size_t n = std::min(text.size(), size_t{keng::kCallbackTextSize - 1});
    std::memcpy(data.MessageText, text.data(), n);
    data.MessageText[n] = '\0';
    if (callback_(&data) != keng::kFalse && action != keng::kActionEndOfBatch) {
        stop_ = true;
        throw Cancelled();
    }
}

void Reporter::NewFile(std::string_view name, std::uint64_t size) {
    unitsSent_ = 0;
    const auto size32 = static_cast<std::int32_t>(std::min<std::uint64_t>(size, 0x7FFFFFFF));
    Send(keng::kActionNewFile, 0, size32, name);
}

void Reporter::Progress(std::uint64_t done) {
    const std::uint64_t units = done / keng::kProgressUnit;
    while (unitsSent_ < units) {
        ++unitsSent_;
        Send(keng::kActionProgress, 0, 0, " ");
    }
}

void Reporter::EndOfBatch() {
    Send(keng::kActionEndOfBatch, 0, 0, " ");
}

void Reporter::Message(keng::ErrorCode code, std::string_view text) {
    if (text.size() < keng::kCallbackTextSize) return Send(keng::kActionMessage, code, 0, text);
    // Long paths must not crowd out the reason at the end.
    Send(keng::kActionMessage, code, 0, zipcore::FitText(text, keng::kCallbackTextSize - 1));
}

void Reporter::Verbose(std::string_view text) {
    if (verbose_) Send(keng::kActionMessage, keng::kErrNone, 0, text);
}

} // namespace zipeng
