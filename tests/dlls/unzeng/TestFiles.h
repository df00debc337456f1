// Small file helpers for the engine tests.
#pragma once

#include "tests/dlls/zipcore/ArchiveBytes.h"
#include "tests/engine/ZipBuilder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace unzeng_test {

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Names in a folder (files and folders, without "." and "..").
std::vector<std::string> ListFolder(const std::string& folder);
// The last write time of a file as a DOS time (local time), 0 when it cannot be read.
std::uint32_t FileDosTime(const std::string& path);
void SetFileDosTime(const std::string& path, std::uint32_t dosTime);
bool IsReadOnly(const std::string& path);
// A UTF-8 name in the ANSI code page, for the file functions the tests use.
std::string AnsiFromUtf8(const std::string& utf8);

// Writes the archive into the folder and returns its path.
std::string WriteArchive(const testing_support::TempFolder& folder, const std::string& name,
                         const std::vector<zipcore_test::TestMember>& members,
                         const zipcore_test::ArchiveOptions& options = {});

// DOS time from its fields.
std::uint32_t Dos(int year, int month, int day, int hour, int minute, int second);

} // namespace unzeng_test
