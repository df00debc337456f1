#include "engine/ZipCallback.h"

#include "engine/ZipKeep.h"

#include <cstring>

namespace {

// Only the user-interface thread drives engines, so one innermost call is enough.
EngineCallScope* currentCall = nullptr;

std::string InlineText(const keng::CallbackData& data) {
    // The text is held inline; never read past the record even when the NUL is missing.
    return std::string(data.MessageText, strnlen(data.MessageText, sizeof data.MessageText));
}

// The engine asks before replacing a file; no handler keeps it. Cancel stops the engine
// through the component's Cancel flag, which the callback answers with.
void AnswerOverwrite(TZipKeeper& zip, keng::CallbackData& data) {
    const std::string text = InlineText(data);
    const size_t cut = text.find('\n');
    OverwriteQuestion q;
    q.ExistingPath = text.substr(0, cut);
    if (cut != std::string::npos) q.StoredName = text.substr(cut + 1);
    q.Size = data.FileSize;
    const OverwriteAnswer a = zip.OnOverwrite ? zip.OnOverwrite(zip, q) : OverwriteAnswer::Keep;
    data.Reply = a == OverwriteAnswer::Replace ? keng::kReplyReplace : keng::kReplyKeep;
    if (a == OverwriteAnswer::Cancel) zip.Cancel = true;
}

void RaiseEvent(TZipKeeper& zip, keng::CallbackData& data) {
    switch (data.ActionCode) {
    case keng::kActionNewFile:
        if (zip.OnProgress)
            zip.OnProgress(zip, ProgressType::NewFile, InlineText(data), data.FileSize);
        return;
    case keng::kActionProgress:
        if (zip.OnProgress) zip.OnProgress(zip, ProgressType::ProgressUpdate, " ", 0);
        return;
    case keng::kActionEndOfBatch:
        if (zip.OnProgress) zip.OnProgress(zip, ProgressType::EndOfBatch, " ", 0);
        return;
    case keng::kActionAskOverwrite:
        AnswerOverwrite(zip, data);
        return;
    default:
        if (data.ActionCode >= keng::kActionMessage && zip.OnMessage)
            zip.OnMessage(zip, data.ErrorCode, TrimMessageLineEnd(InlineText(data)));
        return;
    }
}

} // namespace

EngineCallScope::EngineCallScope() : outer_(currentCall) {
    currentCall = this;
}

EngineCallScope::~EngineCallScope() {
    currentCall = outer_;
}

EngineCallScope* EngineCallScope::Current() {
    return currentCall;
}

std::string TrimMessageLineEnd(std::string text) {
    for (int i = 0; i < 2 && !text.empty() && (text.back() == '\r' || text.back() == '\n'); ++i)
        text.pop_back();
    return text;
}

keng::EBool KENG_STDCALL EngineCallback(keng::CallbackData* data) {
    EngineCallScope* call = EngineCallScope::Current();
    // After a handler failed, the engine only hears "stop" until it returns.
    if (call && call->Failed()) return keng::kTrue;
    if (!data || !data->Caller) return keng::kFalse;
    TZipKeeper& zip = *static_cast<TZipKeeper*>(data->Caller);
    try {
        RaiseEvent(zip, *data);
    } catch (...) {
        // Unwinding through the engine's frames is not possible; the operation around the
        // call reports the failure once the engine has returned.
        if (call) call->MarkFailed();
        return keng::kTrue;
    }
    return zip.Cancel ? keng::kTrue : keng::kFalse;
}
