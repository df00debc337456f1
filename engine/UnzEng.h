// The decompression engine KUNZENG.DLL (extracting and testing members). One handle for the
// whole process, shared by every archive component.
#pragma once

#include "base/EngineRecords.h"

#include <windows.h>

// Loads KUNZENG.DLL by bare name and binds UnzEngExec and GetUnzEngVersion; a missing
// library or Exec entry is reported in a message box, and with trace a successful load is
// announced. A missing version entry is not worth a message.
void LoadUnzEng(bool trace);
void UnloadUnzEng();
bool UnzEngLoaded();
HMODULE UnzEngHandle();
// Null while the library is not loaded or lacks the entry.
keng::UnzEngExecFn UnzEngExecEntry();
keng::EngVersionFn GetUnzEngVersionEntry();
