#include "settings/BrowserRegistration.h"

#include "base/Handle.h"
#include "base/LongPaths.h"

namespace browsers {

namespace {

const char kNetscapeViewers[] = "Software\\Netscape\\Netscape Navigator\\Viewers";
const char kNetscapeTrusted[] =
    "Software\\Netscape\\Netscape Navigator\\User Trusted External Applications";

HKEY RootKey(const RegistryRoots& roots, Root root) {
    return root == Root::ClassesRoot ? roots.ClassesRoot : roots.CurrentUser;
}

// Opens the value's key with full access, creating it when missing; an invalid handle when
// that is refused.
ui::KeyHandle OpenKey(const RegistryRoots& roots, const RegistryValue& v) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(RootKey(roots, v.Under), v.Key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return {};
    return ui::KeyHandle(key);
}

RegistryValue StringValue(Root under, std::string key, std::string name, std::string data) {
    return {under, std::move(key), std::move(name), REG_SZ, std::move(data)};
}

void Write(const RegistryRoots& roots, const RegistryValue& v) {
    ui::KeyHandle key = OpenKey(roots, v);
    // A string is stored with its NUL.
    const DWORD size = static_cast<DWORD>(v.Data.size() + (v.Type == REG_SZ ? 1 : 0));
    if (!key ||
        RegSetValueExA(key.Get(), v.Name.c_str(), 0, v.Type,
                       reinterpret_cast<const BYTE*>(v.Data.c_str()), size) != ERROR_SUCCESS)
        throw ERegistryError("Failed to set data for '" + v.Name + "'");
}

// True when the value is there with exactly this type and data (a string's NUL aside).
bool Holds(HKEY key, const RegistryValue& v) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, v.Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != v.Type)
        return false;
    std::string data(size, '\0');
    if (RegQueryValueExA(key, v.Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    data.resize(size);
    if (type == REG_SZ && !data.empty() && data.back() == '\0') data.pop_back();
    return data == v.Data;
}

void Remove(const RegistryRoots& roots, const RegistryValue& v) {
    // Only an existing key is opened: with integration off nothing is written, not even a key.
    HKEY opened = nullptr;
    if (RegOpenKeyExA(RootKey(roots, v.Under), v.Key.c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      &opened) != ERROR_SUCCESS)
        return;
    ui::KeyHandle key(opened);
    if (Holds(key.Get(), v)) RegDeleteValueA(key.Get(), v.Name.c_str());
}

void RegisterAll(const RegistryRoots& roots, const std::vector<RegistryValue>& values) {
    for (const RegistryValue& v : values)
        Write(roots, v);
}

void RemoveAll(const RegistryRoots& roots, const std::vector<RegistryValue>& values) {
    for (const RegistryValue& v : values)
        Remove(roots, v);
}

} // namespace

std::string OpenCommand(const std::string& handlerPath) {
    return "\"" + handlerPath + "\" \"%1\"";
}

std::vector<RegistryValue> NetscapeValues(const std::string& handlerPath) {
    return {
        StringValue(Root::ClassesRoot, ".zip", "Content Type", kContentType),
        StringValue(Root::CurrentUser, kNetscapeViewers, kContentType, handlerPath),
        StringValue(Root::CurrentUser, kNetscapeTrusted, handlerPath, "Yes"),
    };
}

std::vector<RegistryValue> ExplorerValues(const std::string& handlerPath) {
    return {
        StringValue(Root::ClassesRoot, ".zip", "", kFileType),
        {Root::ClassesRoot, kFileType, "EditFlags", REG_BINARY,
         std::string(kEditFlags.begin(), kEditFlags.end())},
        StringValue(Root::ClassesRoot, std::string(kFileType) + "\\shell\\open\\command", "",
                    OpenCommand(handlerPath)),
    };
}

void RegisterNetscape(const RegistryRoots& roots, const std::string& handlerPath) {
    RegisterAll(roots, NetscapeValues(handlerPath));
}

void UnregisterNetscape(const RegistryRoots& roots, const std::string& handlerPath) {
    RemoveAll(roots, NetscapeValues(handlerPath));
}

void RegisterExplorer(const RegistryRoots& roots, const std::string& handlerPath) {
    RegisterAll(roots, ExplorerValues(handlerPath));
}

void UnregisterExplorer(const RegistryRoots& roots, const std::string& handlerPath) {
    RemoveAll(roots, ExplorerValues(handlerPath));
}

std::optional<std::string> ApplyBrowserRegistration(const RegistryRoots& roots, bool netscape,
                                                    bool ie, const std::string& handlerPath) {
    std::optional<std::string> firstError;
    auto apply = [&](void (*registration)(const RegistryRoots&, const std::string&)) {
        try {
            registration(roots, handlerPath);
        } catch (const ERegistryError& e) {
            if (!firstError) firstError = e.what();
        }
    };
    apply(netscape ? &RegisterNetscape : &UnregisterNetscape);
    apply(ie ? &RegisterExplorer : &UnregisterExplorer);
    return firstError;
}

std::string ProgramPath() {
    return kname::ProgramFilePath();
}

} // namespace browsers
