// Turns a member name into a relative path that is safe to create below the target folder,
// or says why it is not.
#pragma once

#include <string>
#include <string_view>

namespace zipcore {

struct SafePath {
    bool ok = false;
    std::string path;       // relative, components joined with the separator; no trailing one
    std::string reason;     // why the name was refused, for the message (empty when ok)
    bool directory = false; // the name ends with '/' or '\': a folder entry
};

// Checks every component of the name ('/' and '\' both separate) and refuses: an empty name,
// absolute paths, drive letters, UNC and device prefixes, ".." components, device names (see
// IsDeviceName),
// control characters and < > : " | ? *, and components ending in a dot or a space. "."
// components and doubled separators are dropped. With keepFolders false only the last
// component is returned, but the whole name must still pass. A folder entry of "." parts
// only ("./", as bsdtar writes for the folder it archived) names the target folder itself:
// it passes with an empty path.
SafePath MakeSafePath(std::string_view memberName, char separator, bool keepFolders);

// Whether Windows takes the component (UTF-8) for a device: CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, COM and LPT with a superscript 1-3, CONIN$, CONOUT$, with any extension or
// trailing spaces ("nul.txt", "AUX .c"), in any letter case.
bool IsDeviceName(std::string_view component);

// The check for a single component; empty when it is fine, else the reason.
std::string CheckComponent(std::string_view component);

} // namespace zipcore
