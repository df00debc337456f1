// Which members the new archive will hold and in what order: the existing members in their
// order, each either copied unchanged or replaced by its file, then the new files in the
// order they were found. Decides Update and Freshen by the DOS times and leaves out the
// second of two files that would get the same stored name.
#pragma once

#include "base/zipcore/CentralDirectory.h"
#include "base/zipcore/ExtraFields.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zipeng {

// A file or folder found on disk for adding.
struct SourceEntry {
    std::string diskPath;   // UTF-8, for the file system's Unicode API
    std::string storedName; // name in the archive (ASCII or UTF-8); folders end with '/'
    std::uint64_t size = 0;
    std::uint32_t dosTime = 0;
    zipcore::FileTimes times;     // exact times, for the NTFS and extended timestamp fields
    std::uint32_t attributes = 0; // MS-DOS attributes (read-only, hidden, system, folder, archive)
    bool folder = false;
};

enum class AddMode {
    AddReplace, // add every file, replacing members of the same name
    Update,     // add new files and replace members older than their file
    Freshen,    // only replace members older than their file
};

struct PlanItem {
    enum class Kind { Copy, Add };
    Kind kind;
    size_t index;          // member index (Copy) or source index (Add)
    bool replaces = false; // an Add that takes the place of an existing member...
    size_t member = 0;     // ...this one, kept after all if the file cannot be read
};

struct AddPlan {
    std::vector<PlanItem> items;
    std::vector<size_t> duplicates; // sources left out: an earlier source has the same name
    size_t additions = 0;           // Add items
};

// Names compare as Windows compares paths: letter case ignored, '\' the same as '/'.
// `memberNames`, when not empty, are the members' names decoded to UTF-8 (one per member),
// to meet the sources' UTF-8 names; otherwise the stored names are compared.
AddPlan PlanAdd(const std::vector<zipcore::Member>& members,
                const std::vector<SourceEntry>& sources, AddMode mode,
                const std::vector<std::string>& memberNames = {});

} // namespace zipeng
