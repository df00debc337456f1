// The compression engine KZIPENG.DLL (adding and deleting members). One handle for the
// whole process, shared by every archive component.
#pragma once

#include "base/EngineRecords.h"

#include <windows.h>

// Loads KZIPENG.DLL by bare name and binds ZipEngExec and GetZipEngVersion; every problem
// is reported in a message box, and with trace a successful load is announced.
void LoadZipEng(bool trace);
void UnloadZipEng();
bool ZipEngLoaded();
HMODULE ZipEngHandle();
// Null while the library is not loaded or lacks the entry.
keng::ZipEngExecFn ZipEngExecEntry();
keng::EngVersionFn GetZipEngVersionEntry();
