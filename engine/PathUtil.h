// File name helpers with the program's rules (extension from the last dot of the last
// path component, backslash or slash as separators) and file-system existence tests.
#pragma once

#include <string>

namespace kpath {

// ".zip" for "C:\a\b.zip"; empty when the last component has no dot.
std::string ExtractFileExt(const std::string& path);
// "b.zip" for "C:\a\b.zip".
std::string ExtractFileName(const std::string& path);
// "C:\a\" for "C:\a\b.zip".
std::string ExtractFilePath(const std::string& path);
// Replaces (or appends) the extension.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
std::string UpperCase(std::string s);
std::string LowerCase(std::string s);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(std::string dir);

// The full path of the running program.
std::string ProgramPath();

} // namespace kpath
