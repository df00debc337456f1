// The name a listed member stands for: decoded by the same rules the extraction engine
// uses (UTF-8 flag, Unicode Path extra field, the code page of the system that wrote it),
// so the member list shows the name extraction writes. The stored bytes stay the member's
// identity for every operation.
#pragma once

#include "engine/ZipTypes.h"

#include <string>

std::wstring EntryDisplayName(const ZipDirEntry& entry);
// The same as UTF-8.
std::string EntryDisplayNameUtf8(const ZipDirEntry& entry);
