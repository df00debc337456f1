// Browser integration: the registry values that make Netscape Navigator 4 and Internet
// Explorer (through the ".zip" file type) hand downloaded zip files to this program.
// Each browser's values are one table; registering writes it, unregistering removes only
// the values that still hold exactly what registering wrote, so another program's zip
// association survives.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace browsers {

inline constexpr char kContentType[] = "application/x-kelvora";
inline constexpr char kFileType[] = "Kelvora";

// The file type's EditFlags: FTA_OpenIsSafe (0x00010000) as four little-endian bytes, so a
// browser opens a downloaded archive without asking first.
inline constexpr DWORD kOpenIsSafe = 0x00010000;
inline constexpr std::array<BYTE, 4> kEditFlags{0x00, 0x00, 0x01, 0x00};
static_assert(kEditFlags[0] == (kOpenIsSafe & 0xFF) &&
                  kEditFlags[1] == ((kOpenIsSafe >> 8) & 0xFF) &&
                  kEditFlags[2] == ((kOpenIsSafe >> 16) & 0xFF) &&
                  kEditFlags[3] == (kOpenIsSafe >> 24),
              "EditFlags must hold FTA_OpenIsSafe in little-endian order");

// A registry value that could not be written; the text names the value.
class ERegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The two roots the values live under; a test points them at keys of its own.
struct RegistryRoots {
    HKEY ClassesRoot = HKEY_CLASSES_ROOT;
    HKEY CurrentUser = HKEY_CURRENT_USER;
};

enum class Root { ClassesRoot, CurrentUser };

// One value as this program writes it. An empty Name is the key's default value.
struct RegistryValue {
    Root Under;
    std::string Key;
    std::string Name;
    DWORD Type;
    std::string Data; // the bytes as stored, without the NUL of a string
};

// The open command: the handler's path in quotes (a path with blanks must not be cut at the
// first one), a blank, and "%1" in quotes.
std::string OpenCommand(const std::string& handlerPath);

// What each browser's registration writes, in order.
std::vector<RegistryValue> NetscapeValues(const std::string& handlerPath);
std::vector<RegistryValue> ExplorerValues(const std::string& handlerPath);

// Each key is created if missing. Registering throws ERegistryError ("Failed to set data
// for '%s'") at the first value it cannot write; unregistering ignores what it cannot do.
void RegisterNetscape(const RegistryRoots& roots, const std::string& handlerPath);
void UnregisterNetscape(const RegistryRoots& roots, const std::string& handlerPath);
void RegisterExplorer(const RegistryRoots& roots, const std::string& handlerPath);
void UnregisterExplorer(const RegistryRoots& roots, const std::string& handlerPath);

// Registers or unregisters each browser by its flag. A failure ends that browser's
// registration but not the other's; the first failure's text is returned for the caller to
// report once.
std::optional<std::string> ApplyBrowserRegistration(const RegistryRoots& roots, bool netscape,
                                                    bool ie, const std::string& handlerPath);

// The running program's full path, as Windows reports it: the handler path.
std::string ProgramPath();

} // namespace browsers
