// The settings file: a Windows INI file read and written key by key through the system's
// profile functions. Nothing is cached here, so every read sees the file as it is now.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace settings {

// A write the system refused; the text names the file.
class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A settings file's bytes as UTF-8 when they need converting: under a UTF-8 process code page
// the profile functions read a file without a byte-order mark as UTF-8, so a file written
// before in the ANSI code page (bytes that are not valid UTF-8) is converted from the page of
// the user's locale. Nothing (nullopt) for a file they already read right.
std::optional<std::string> LegacySettingsAsUtf8(std::string_view bytes);

class IniFile {
public:
    // The full path of the file; it need not exist yet.
    explicit IniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }

    // A missing file, section or key gives the default; values longer than 1023
    // characters are cut there.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // A value that does not parse also gives the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

    // Creates the file, section and key as needed; throws EIniFileException when the
    // system refuses.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

private:
    // Once, before the first read or write: converts a file written in the ANSI code page.
    void AdoptLegacyEncoding() const;

    std::string fileName_;
    mutable bool encodingChecked_ = false;
};

} // namespace settings
