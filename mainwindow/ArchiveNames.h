// Name rules of the archive commands, apart from any window.
#pragma once

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

// Adding to and deleting from a self-extracting archive is refused: its name ends in ".exe"
// in either case.
bool IsSelfExtracting(const std::string& archive);

} // namespace archivenames
