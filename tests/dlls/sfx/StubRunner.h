// Runs a self-extracting program the way a user's script would: unattended, with its output
// captured and its exit code returned.
#pragma once

#include <string>

namespace sfx_test {

struct StubRun {
    unsigned long exitCode = 0;
    std::string output;
};

// The stub as built, beside the test program.
std::string StubPath();
std::string StubBytes();

// Starts `program` with the arguments (appended to its quoted path) and waits for it, at most
// `limitMs`; one still running then is ended, with exit code 99.
StubRun RunProgram(const std::string& program, const std::string& arguments,
                   unsigned long limitMs = 120000);

} // namespace sfx_test
