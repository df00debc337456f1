// Name rules of the archive commands, apart from any window.
#pragma once

#include <functional>
#include <string>

namespace archivenames {

// The name a new archive gets from the name the user typed, or why it is refused.
struct NewName {
    std::string Name;
    std::string Refusal; // not empty: refused, with this message
};
// ".exe" is refused (convert afterwards); a name without any dot, folders included, gets
// ".zip"; any other extension but ".zip" (either case) is refused.
NewName CheckNewName(const std::string& chosen);

// The name offered for a new archive in folder (empty, or ending in a backslash): "New
// Archive.zip", or the first of "New Archive (2).zip", "(3)"... for which exists is false.
std::string FreeNewArchiveName(const std::string& folder,
                               const std::function<bool(const std::string&)>& exists);

// Adding to and deleting from a self-extracting archive is refused: its name ends in ".exe"
// in either case.
bool IsSelfExtracting(const std::string& archive);

} // namespace archivenames
