// EngineCallback: the function both engines call while they work. It turns each call into
// an OnProgress or OnMessage event of the component named by Caller and answers with that
// component's Cancel flag.
#pragma once

#include "base/EngineRecords.h"

#include <string>

// Actions 1, 2 and 3 raise OnProgress (NewFile, ProgressUpdate, EndOfBatch), actions of 4
// and above OnMessage; returns true (-1) when the component's Cancel is set. An exception
// from an event handler never goes back into the engine: it is recorded in the engine
// call in progress and the engine is asked to stop.
keng::EBool KENG_STDCALL EngineCallback(keng::CallbackData* data);

// Removes at most two trailing carriage returns or line feeds.
std::string TrimMessageLineEnd(std::string text);

// Marks one engine call in progress. Calls nest when an event handler starts another
// operation; the callback always belongs to the innermost one.
class EngineCallScope {
public:
    EngineCallScope();
    ~EngineCallScope();
    EngineCallScope(const EngineCallScope&) = delete;
    EngineCallScope& operator=(const EngineCallScope&) = delete;

    // True once an event handler raised an exception during this call.
    bool Failed() const { return failed_; }
    void MarkFailed() { failed_ = true; }

    static EngineCallScope* Current();

private:
    EngineCallScope* outer_;
    bool failed_ = false;
};
