// The one window the engine shows: asks for the password of an encrypted archive.
#pragma once

#include <optional>
#include <string>

namespace unzeng {

// Modal, owned by `owner` (may be null). Empty when the user cancels or enters nothing.
std::optional<std::string> AskPassword(void* owner, const std::string& archiveName);

} // namespace unzeng
