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
// Why a path cannot be opened as an archive although something of that name may be there:
// empty when nothing is (a missing file keeps the empty list), else the box's text naming the
// file and the reason ("Cannot open "<path>": it is a folder.").
std::string ExistingButUnopenable(const std::string& path);
// The text for a file that exists but could not be opened, with the system's reason.
std::string CannotOpenText(const std::string& path, unsigned long error);
// The same for another action on it: "Cannot <action> "<path>": <reason>."
std::string CannotText(const std::string& action, const std::string& path, unsigned long error);
bool DirectoryExists(const std::string& path);
// Creates the folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(std::string dir);

// The full path of the running program.
std::string ProgramPath();

} // namespace kpath
