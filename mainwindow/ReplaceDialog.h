// TReplaceDialog: the question an extraction asks before it replaces a file that exists: the
// existing file and the member, each with its size and date; Yes, No, Yes to All, No to All,
// or Cancel (also Esc and the close box), which stops the extraction.
#pragma once

#include "ui/Dialog.h"

#include <windows.h>

#include <cstdint>
#include <string>

struct ReplaceRequest {
    std::wstring ExistingPath;
    std::uint64_t ExistingSize = 0;
    FILETIME ExistingTime{}; // UTC, as the file system keeps it
    std::wstring MemberName; // as the member list shows it
    std::uint64_t MemberSize = 0;
    std::int32_t MemberDosTime = 0;
};

enum class ReplaceChoice { Yes, No, YesToAll, NoToAll };

// The question as the dialog shows it.
std::wstring ReplaceQuestion(const ReplaceRequest& request);

class TReplaceDialog : public ui::Dialog<ReplaceRequest, ReplaceChoice> {
public:
    static constexpr const char* kDialogName = "ReplaceFile";
    const char* DialogName() const override { return kDialogName; }

protected:
    CreateParams GetCreateParams() override;
    void OnCreate() override;
    void Load(const ReplaceRequest& request) override;
    std::optional<ReplaceChoice> Collect() override { return choice_; }
    void OnCommand(int id, int code, HWND control) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    std::wstring text_; // drawn in Unicode: member names come in every script
    ReplaceChoice choice_ = ReplaceChoice::No;
};
