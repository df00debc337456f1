// A test's own corner of the registry of the test prefix: two keys standing in for
// HKEY_CLASSES_ROOT and HKEY_CURRENT_USER, removed with everything below them.
#pragma once

#include "settings/BrowserRegistration.h"
#include "base/Handle.h"

#include <windows.h>
#include <sddl.h>
#include <shlwapi.h>

#include <optional>
#include <string>
#include <vector>

namespace testing_support {

class RegistrySandbox {
public:
    RegistrySandbox() {
        static int serial = 0;
        path_ = "Software\\Kelvora98 Tests\\" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++serial);
        classes_ = Create(HKEY_CURRENT_USER, path_ + "\\classes");
        user_ = Create(HKEY_CURRENT_USER, path_ + "\\user");
    }
    ~RegistrySandbox() {
        for (const std::string& key : locked_)
            Unlock(key);
        classes_.Reset();
        user_.Reset();
        SHDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Kelvora98 Tests"); // only when empty
    }
    RegistrySandbox(const RegistrySandbox&) = delete;
    RegistrySandbox& operator=(const RegistrySandbox&) = delete;

    browsers::RegistryRoots Roots() const { return {classes_.Get(), user_.Get()}; }
    HKEY RootOf(browsers::Root root) const {
        return root == browsers::Root::ClassesRoot ? classes_.Get() : user_.Get();
    }

    // The value's type and bytes (a string without its NUL), or nothing when it is absent.
    struct Value {
        DWORD Type;
        std::string Data;
        bool operator==(const Value&) const = default;
    };
    std::optional<Value> Read(browsers::Root root, const std::string& key,
                              const std::string& name) const {
        HKEY k = nullptr;
        if (RegOpenKeyExA(RootOf(root), key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return std::nullopt;
        ui::KeyHandle owned(k);
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(k, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        std::string data(size, '\0');
        RegQueryValueExA(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size);
        data.resize(size);
        if (type == REG_SZ && !data.empty() && data.back() == '\0') data.pop_back();
        return Value{type, data};
    }
    bool KeyExists(browsers::Root root, const std::string& key) const {
        HKEY k = nullptr;
        if (RegOpenKeyExA(RootOf(root), key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
            return false;
        RegCloseKey(k);
        return true;
    }
    void Write(browsers::Root root, const std::string& key, const std::string& name, DWORD type,
               const std::string& data) {
        ui::KeyHandle k = Create(RootOf(root), key);
        const DWORD size = static_cast<DWORD>(data.size() + (type == REG_SZ ? 1 : 0));
        RegSetValueExA(k.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                       size);
    }
    // Lets everyone only read the key (Wine's server honours it): opening it with full
    // access is refused from now on.
    void Lock(browsers::Root root, const std::string& key) {
        const std::string full =
            path_ + (root == browsers::Root::ClassesRoot ? "\\classes\\" : "\\user\\") + key;
        SetDacl(Create(HKEY_CURRENT_USER, full).Get(), "D:P(A;;KR;;;WD)");
        locked_.push_back(full);
    }

private:
    static ui::KeyHandle Create(HKEY root, const std::string& key) {
        HKEY k = nullptr;
        RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
        return ui::KeyHandle(k);
    }
    static void SetDacl(HKEY key, const char* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd,
                                                                  nullptr))
            return;
        RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
        LocalFree(sd);
    }
    // The owner may always change the access list back.
    static void Unlock(const std::string& key) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, &k) != ERROR_SUCCESS)
            return;
        ui::KeyHandle owned(k);
        SetDacl(k, "D:P(A;;KA;;;WD)");
    }

    std::string path_;
    ui::KeyHandle classes_, user_;
    std::vector<std::string> locked_;
};

} // namespace testing_support
