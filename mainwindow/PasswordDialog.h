// TPasswordDialog: asks again for the password of an encrypted archive after the one given
// did not open its members; OK with the password typed, or Cancel (Esc, the close box).
#pragma once

#include "ui/Dialog.h"

#include <string>

struct PasswordRequest {
    std::string ArchiveName; // the file's name, as the window's caption shows it
    bool Wrong = true;       // the password given before did not fit
};

// The prompt as the dialog shows it.
std::string PasswordPrompt(const PasswordRequest& request);

class TPasswordDialog : public ui::Dialog<PasswordRequest, std::string> {
public:
    static constexpr const char* kDialogName = "Password";
    const char* DialogName() const override { return kDialogName; }

protected:
    CreateParams GetCreateParams() override;
    void OnCreate() override;
    void Load(const PasswordRequest& request) override;
    std::optional<std::string> Collect() override;
};
