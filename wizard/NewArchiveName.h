// The rule for naming a new archive: it must be a zip file. A name without any full stop
// gets ".zip"; a full stop anywhere (a folder's included) means the name must end in .zip.
#pragma once

#include <string>

namespace wizard {

struct NewArchiveName {
    std::string Name;  // the archive to create, when Error is empty
    std::string Error; // the message that refuses the chosen name
};

NewArchiveName CheckNewArchiveName(const std::string& chosen);

} // namespace wizard
