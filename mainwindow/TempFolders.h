// Where unpacked members go, and which archives count as fresh browser downloads that are
// moved out of a temporary folder when opened.
#pragma once

#include <string>

namespace startup {

// The folder for viewing, running and installing: the Windows folder's "Temp" as setup
// recorded it, else the user's temporary folder; never with a trailing backslash.
std::string DetermineTempDir();

// The user's temporary folder as the system gives it, without a trailing backslash.
std::string SystemTempDir();

// True when the archive lies in the system's temporary folder or in tempDir (at any depth),
// or directly in a folder named "temp" or "tmp". Compared as full paths ignoring case, so a
// folder that merely contains the letters ("C:\Templates") does not count.
bool IsDownloadLocation(const std::string& archive, const std::string& systemTemp,
                        const std::string& tempDir);

} // namespace startup
