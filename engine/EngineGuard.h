// Runs code that calls into an engine library so that a processor fault or a system
// exception raised inside it ends the call instead of the program.
#pragma once

// Runs body(context). Returns false when a system exception of error severity (an access
// violation, a division by zero, ...) ended it early; the engine's own state is then
// whatever it was, and nothing between the fault and this frame is unwound.
bool RunGuarded(void (*body)(void*), void* context);
