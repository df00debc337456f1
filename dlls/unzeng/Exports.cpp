// KUNZENG.DLL's entry points: extract or test the members of an archive.
#include "dlls/unzeng/Execute.h"

extern "C" std::int32_t __stdcall UnzEngExec(keng::UnzParams* params) {
    return unzeng::ExecuteRecord(params);
}

extern "C" std::int32_t __stdcall GetUnzEngVersion() {
    return keng::kRecordVersion;
}
