#include "settings/IniFile.h"

#include "settings/SettingsCodec.h"

#include <windows.h>

namespace settings {

namespace {
// The longest value read, and the NUL.
constexpr DWORD kValueBuffer = 1024;
// Stands for "no such key": a value can never hold a NUL.
const char kMissing[] = "\x01missing\x01";
} // namespace

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    char buf[kValueBuffer] = {};
    GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, buf, kValueBuffer,
                             fileName_.c_str());
    if (std::string(buf) == kMissing) return defaultValue;
    return buf;
}

std::int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue) const {
    return ParseInteger(ReadString(section, key, "")).value_or(defaultValue);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key,
                       bool defaultValue) const {
    return ParseBoolean(ReadString(section, key, "")).value_or(defaultValue);
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str()))
        throw EIniFileException("Unable to write to " + fileName_);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, FormatInteger(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, FormatBoolean(value));
}

} // namespace settings
