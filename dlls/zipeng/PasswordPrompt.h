// The one window the engine shows: asks for the password for encrypting, typed twice.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace zipeng {

// Modal, owned by `owner` (may be null). Empty when the user cancels.
std::optional<std::string> AskPassword(HWND owner);

} // namespace zipeng
