// Member names for the stub: decoded to UTF-16 and checked component by component with the
// same rules as the engines' zip core (tests hold the two to the same verdicts).
#pragma once

#include "dlls/sfx/SfxArchive.h"

namespace sfx {

// The raw name as UTF-16: UTF-8 when flagged (or valid UTF-8 from a Unix host), else the
// code page its host implies. Returns the length written (0 when it does not fit).
int DecodeName(const Entry& e, wchar_t* out, int capacity);

// Turns a member name into a relative path with '\' separators below the target folder.
// Returns nullptr when it is safe, else why it was refused. `directory` tells whether the
// name ends with a separator.
const wchar_t* SafeRelativePath(const wchar_t* name, int length, wchar_t* out, int capacity,
                                bool* directory);

} // namespace sfx
