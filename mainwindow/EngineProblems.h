// The one path by which the engines' problems reach the user: a command listens to the
// component's messages while it runs, then shows one box that says how many files were left
// out and why. Without it a skipped or refused member looks like success.
#pragma once

#include "engine/ZipTypes.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class TZipKeeper;

namespace enginemsg {

struct Problem {
    std::int32_t Code = 0;
    std::string Text; // the engine's own words
};

// True for a message that means something was not done; notes and the user's own cancel
// are not problems.
bool IsProblem(std::int32_t code);

// The box text: "1 file was not extracted:" or "3 files were not extracted:", then the first
// `shown` engine texts, one a line, and "...and N more." for the rest. Empty without problems.
std::string Summary(const std::vector<Problem>& problems, const std::string& pastVerb,
                    size_t shown = 8);
// The same list under a heading of the caller's own.
std::string Listing(const std::vector<Problem>& problems, const std::string& heading,
                    size_t shown = 8);

// True for the extraction engine's report that a member did not open with the password.
bool IsWrongPassword(const Problem& problem);
// The stored names of the members whose wrong password the problems report. members pairs each
// stored name with the name the engine gives it (decoded, UTF-8).
std::vector<std::string> WrongPasswordMembers(
    const std::vector<Problem>& problems,
    const std::vector<std::pair<std::string, std::string>>& members);

// An engine message as UTF-8: the extraction engine writes UTF-8; a text that is not valid
// UTF-8 is taken in the ANSI code page.
std::string MessageUtf8(const std::string& text);

// Shows the summary of the problems (the engines' texts, made UTF-8 here) in one information
// box through the dialog seam, in Unicode; nothing when there are none.
void Report(HWND owner, std::vector<Problem> problems, const std::string& pastVerb);

// Runs an engine operation; when it fails with an exception, the cursor goes back to the
// arrow's default and failureText is told, and the command goes on.
void RunOrTell(const std::function<void()>& operation, const std::string& failureText);

// Listens to a component's messages for the length of one command, passing each on to the
// handler that was there before, and restores that handler at the end.
class Collector {
public:
    explicit Collector(TZipKeeper& zip);
    ~Collector();
    Collector(const Collector&) = delete;
    Collector& operator=(const Collector&) = delete;

    const std::vector<Problem>& Problems() const { return problems_; }
    // Shows the summary in one information box through the dialog seam, in Unicode; nothing
    // when all went well. pastVerb: "extracted", "added", "deleted".
    void Report(HWND owner, const std::string& pastVerb) const;
    // The engine texts as UTF-8 (MessageUtf8), for a box of the caller's own.
    std::vector<Problem> ProblemsUtf8() const;

private:
    TZipKeeper& zip_;
    TMessageEvent previous_;
    std::vector<Problem> problems_;
};

} // namespace enginemsg
