// Folders a user may keep archives and programs in: named in other scripts, and deeper than
// MAX_PATH. Paths are below a test's own folder, in the process code page (UTF-8).
#pragma once

#include <string>

namespace testing_support {

// Ten parts of thirty characters: deeper than MAX_PATH below any temporary folder.
inline std::string DeepFolder() {
    std::string folder = "deep";
    for (int i = 0; i < 10; ++i)
        folder += "\\part " + std::to_string(i) + " of a folder thirty chars";
    return folder;
}

struct Place {
    const char* what;
    std::string folder; // below the test's folder
    std::string archive;
    std::string member; // a file of that folder, named in its script
};

inline const Place kPlaces[] = {
    {"Polish", "Łódź", "Łódź.zip", "żółw.txt"},
    {"Japanese", "日本語", "日本語.zip", "文書.txt"},
    {"Russian", "Привет", "Привет.zip", "Мир.txt"},
    {"deep", DeepFolder(), "deep.zip", "added.txt"},
};

} // namespace testing_support
