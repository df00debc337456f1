#include "settings/IniFile.h"

#include "base/CodePages.h"
#include "base/Handle.h"
#include "base/LongPaths.h"
#include "base/MemberNames.h"
#include "settings/SettingsCodec.h"

#include <windows.h>

namespace settings {

namespace {
// The longest value read, and the NUL.
constexpr DWORD kValueBuffer = 1024;
// Stands for "no such key": a value can never hold a NUL.
const char kMissing[] = "\x01missing\x01";
bool IsValidUtf8(std::string_view bytes) {
    return bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

bool HasByteOrderMark(std::string_view bytes) {
    return bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") ||
           bytes.starts_with("\xFE\xFF");
}

// The profile functions make the file's full path in a buffer of MAX_PATH characters: a file
// deeper than that is named by its folders' 8.3 form. Empty when even that is too long.
std::wstring ProfileName(const std::string& fileName) {
    std::wstring wide = kname::Widen(fileName, CP_ACP);
    if (wide.size() < MAX_PATH) return wide;
    wide = kname::Widen(kname::ShortPath(fileName), CP_ACP);
    return wide.size() < MAX_PATH ? wide : std::wstring();
}

} // namespace

std::optional<std::string> LegacySettingsAsUtf8(std::string_view bytes) {
    if (!kname::ProcessCodePageIsUtf8() || HasByteOrderMark(bytes) || IsValidUtf8(bytes))
        return std::nullopt;
    return kname::Narrow(kname::Widen(bytes, kname::AnsiLegacyCodePage()), CP_UTF8);
}

void IniFile::AdoptLegacyEncoding() const {
    if (encodingChecked_) return;
    encodingChecked_ = true;
    std::string bytes;
    {
        ui::FileHandle in(CreateFileW(kname::LongPath(fileName_).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER size{};
        // Settings files are small; anything large is not one of ours to convert.
        if (!in || !GetFileSizeEx(in.Get(), &size) || size.QuadPart > (1 << 20)) return;
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() &&
            (!ReadFile(in.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
             got != bytes.size()))
            return;
    }
    const std::optional<std::string> converted = LegacySettingsAsUtf8(bytes);
    if (!converted) return;
    ui::FileHandle out(CreateFileW(kname::LongPath(fileName_).c_str(), GENERIC_WRITE, 0, nullptr,
                                   TRUNCATE_EXISTING, 0, nullptr));
    DWORD written = 0;
    // A file that cannot be rewritten is still read, its letters beyond ASCII lost.
    if (out)
        WriteFile(out.Get(), converted->data(), static_cast<DWORD>(converted->size()), &written,
                  nullptr);
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    AdoptLegacyEncoding();
    // A file no name reaches holds nothing this program could have written: writing it is
    // refused, and that is told.
    const std::wstring file = ProfileName(fileName_);
    if (file.empty()) return defaultValue;
    wchar_t buf[kValueBuffer] = {};
    const std::wstring missing = kname::Widen(kMissing, CP_ACP);
    GetPrivateProfileStringW(kname::Widen(section, CP_ACP).c_str(),
                             kname::Widen(key, CP_ACP).c_str(), missing.c_str(), buf, kValueBuffer,
                             file.c_str());
    if (buf == missing) return defaultValue;
    return kname::Narrow(buf, CP_ACP);
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
    AdoptLegacyEncoding();
    const std::wstring file = ProfileName(fileName_);
    if (file.empty() ||
        !WritePrivateProfileStringW(kname::Widen(section, CP_ACP).c_str(),
                                    kname::Widen(key, CP_ACP).c_str(),
                                    kname::Widen(value, CP_ACP).c_str(), file.c_str()))
        throw EIniFileException("Unable to write to " + fileName_);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, FormatInteger(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, FormatBoolean(value));
}

} // namespace settings
