#include "dlls/unzeng/Reporter.h"

#include "base/zipcore/NameText.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace unzeng {

Reporter::Reporter(keng::EngineCallbackFn callback, void* caller)
    : callback_(callback), caller_(caller) {}

bool Reporter::Send(std::int32_t action, std::int32_t error, std::int32_t size,
                    std::string_view text, std::int32_t* reply) {
    if (!callback_) return stop_;
    keng::CallbackData data{};
    data.Caller = caller_;
    data.ActionCode = action;
    data.ErrorCode = error;
    data.FileSize = size;
    const std::size_t len = std::min<std::size_t>(text.size(), keng::kCallbackTextSize - 1);
    std::memcpy(data.MessageText, text.data(), len);
    data.MessageText[len] = '\0';
    data.Reply = keng::kReplyKeep;
    if (callback_(&data) != 0) stop_ = true;
    if (reply) *reply = data.Reply;
    return stop_;
}

namespace {

std::int32_t Clamped(std::uint64_t size) {
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(size, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

bool Reporter::NewFile(std::string_view name, std::uint64_t size) {
    return Send(keng::kActionNewFile, 0, Clamped(size), name);
}

Reporter::Answer Reporter::AskOverwrite(std::string_view existingPath, std::string_view storedName,
                                        std::uint64_t size) {
    std::string text(existingPath);
    text += '\n';
    text += storedName;
    std::int32_t reply = keng::kReplyKeep;
    if (Send(keng::kActionAskOverwrite, keng::kErrExists, Clamped(size), text, &reply))
        return Answer::Stop;
    return reply == keng::kReplyReplace ? Answer::Replace : Answer::Keep;
}

bool Reporter::Progress() {
    return Send(keng::kActionProgress, 0, 0, " ");
}

bool Reporter::Message(keng::ErrorCode code, std::string_view text) {
    if (text.size() < keng::kCallbackTextSize) return Send(keng::kActionMessage, code, 0, text);
    // Long paths must not crowd out the reason at the end.
    return Send(keng::kActionMessage, code, 0, zipcore::FitText(text, keng::kCallbackTextSize - 1));
}

void Reporter::EndOfBatch() {
    Send(keng::kActionEndOfBatch, 0, 0, " ");
}

} // namespace unzeng
