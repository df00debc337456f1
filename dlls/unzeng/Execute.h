// One extraction or test as the record asks for it: the body of UnzEngExec, apart from the
// export so tests can run it in their own process.
#pragma once

#include "base/EngineRecords.h"

#include <cstdint>

namespace unzeng {

// The number of files extracted or tested correctly. Whatever fails, also a callback that
// throws, ends as a message and the result: nothing unwinds into the caller, and the batch
// always ends with action 3.
std::int32_t ExecuteRecord(keng::UnzParams* params);

} // namespace unzeng
