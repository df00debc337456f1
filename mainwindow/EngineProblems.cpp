#include "mainwindow/EngineProblems.h"

#include "base/MemberNames.h"
#include "base/EngineRecords.h"
#include "base/zipcore/ZipFormat.h"
#include "engine/ZipKeep.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <exception>
#include <set>

namespace enginemsg {

bool IsProblem(std::int32_t code) {
    return code != keng::kErrNone && code != keng::kErrCancelled;
}

std::string Summary(const std::vector<Problem>& problems, const std::string& pastVerb,
                    size_t shown) {
    if (problems.empty()) return {};
    const size_t n = problems.size();
    return Listing(problems,
                   std::to_string(n) + (n == 1 ? " file was not " : " files were not ") + pastVerb +
                       ":",
                   shown);
}

std::string Listing(const std::vector<Problem>& problems, const std::string& heading,
                    size_t shown) {
    const size_t n = problems.size();
    std::string text = heading + "\r\n";
    for (size_t i = 0; i < n && i < shown; ++i)
        text += "\r\n" + problems[i].Text;
    if (n > shown) text += "\r\n...and " + std::to_string(n - shown) + " more.";
    return text;
}

namespace {
const std::string kWrongPassword = "wrong password for ";
} // namespace

bool IsWrongPassword(const Problem& p) {
    return p.Code == keng::kErrPassword && p.Text.find(kWrongPassword) != std::string::npos;
}

std::vector<std::string> WrongPasswordMembers(
    const std::vector<Problem>& problems,
    const std::vector<std::pair<std::string, std::string>>& members) {
    // The engine names the member last, quoted as zipcore quotes names.
    std::set<std::string> quoted;
    for (const Problem& p : problems)
        if (IsWrongPassword(p)) quoted.insert(p.Text.substr(p.Text.find(kWrongPassword) + kWrongPassword.size()));
    std::vector<std::string> stored;
    if (quoted.empty()) return stored;
    for (const auto& [name, shown] : members)
        if (quoted.count(zipcore::QuoteName(shown))) stored.push_back(name);
    return stored;
}

void RunOrTell(const std::function<void()>& operation, const std::string& failureText) {
    try {
        operation();
    } catch (const std::exception&) {
        ui::SetAppCursor(ui::AppCursor::Default);
        ui::ShowMessage(failureText);
    }
}

Collector::Collector(TZipKeeper& zip) : zip_(zip), previous_(zip.OnMessage) {
    zip_.OnMessage = [this](TZipKeeper& sender, std::int32_t code, const std::string& text) {
        if (IsProblem(code)) problems_.push_back({code, text});
        if (previous_) previous_(sender, code, text);
    };
}

Collector::~Collector() {
    zip_.OnMessage = previous_;
}

std::string MessageUtf8(const std::string& text) {
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                            static_cast<int>(text.size()), nullptr, 0) > 0 ||
        text.empty())
        return text;
    return kname::Narrow(kname::Widen(text, kname::AnsiLegacyCodePage()), CP_UTF8);
}

std::vector<Problem> Collector::ProblemsUtf8() const {
    std::vector<Problem> utf8 = problems_;
    for (Problem& p : utf8)
        p.Text = MessageUtf8(p.Text);
    return utf8;
}

void Report(HWND owner, std::vector<Problem> problems, const std::string& pastVerb) {
    for (Problem& p : problems)
        p.Text = MessageUtf8(p.Text);
    const std::string text = Summary(problems, pastVerb);
    if (!text.empty()) ui::Dialogs().InfoUtf8(owner, text);
}

void Collector::Report(HWND owner, const std::string& pastVerb) const {
    enginemsg::Report(owner, problems_, pastVerb);
}

} // namespace enginemsg
