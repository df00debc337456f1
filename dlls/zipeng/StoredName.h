// How a file on disk is named inside the archive: the path without drive, share or leading
// backslash, with forward slashes, optionally only the file name, optionally in 8.3 form.
#pragma once

#include <string>
#include <string_view>

namespace zipeng {

struct NameOptions {
    bool junkDirNames = false; // keep only the last component
    bool forceDos = false;     // every component as an upper-case 8.3 name
};

// The stored name for a path as the user gave it (either slash). Drive letters, "\\?\",
// UNC server and share, empty and "." components are dropped; ".." removes the component
// before it and is dropped where there is none, so a stored name never climbs out of the
// folder it is extracted to. Empty when nothing is left.
std::string StoredNameFromPath(std::string_view path, const NameOptions& options);

// One name component in MS-DOS 8.3 form: upper case, at most eight characters, a dot and
// at most three; characters FAT does not allow and letters outside ASCII become '_',
// spaces are dropped. `component` is UTF-8.
std::string DosName(std::string_view component);

} // namespace zipeng
