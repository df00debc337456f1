// The program's command line, read in Unicode and handed to the main window in the process
// code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace startup {

struct CommandLineArguments {
    // Every argument in the code page: as it is, or by its 8.3 form; an argument neither can
    // carry comes best-fit mapped and is never opened.
    std::vector<std::string> Names;
    // When the first argument (the archive to open) could not be carried, what to tell the
    // user in its place, in UTF-8; empty otherwise.
    std::string FirstProblem;
};

// The arguments after the program's name, for a process whose code page is codePage.
CommandLineArguments ReadCommandLine(const std::vector<std::wstring>& arguments, UINT codePage);

} // namespace startup
