#include "mainwindow/CommandLine.h"

#include "base/LongPaths.h"

namespace startup {

CommandLineArguments ReadCommandLine(const std::vector<std::wstring>& arguments, UINT codePage) {
    CommandLineArguments read;
    for (const std::wstring& argument : arguments) {
        if (std::optional<std::string> name = kname::CodePagePath(argument, codePage)) {
            read.Names.push_back(std::move(*name));
            continue;
        }
        // Opening the mapped name would show an empty list, or another archive, in silence.
        if (read.Names.empty())
            read.FirstProblem = "Cannot open \"" + kname::Narrow(argument, CP_UTF8) +
                                "\": the name cannot be represented in this system's code page.";
        read.Names.push_back(kname::Narrow(argument, codePage));
    }
    return read;
}

} // namespace startup
