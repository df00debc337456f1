#include "mainwindow/ArchiveNames.h"

#include "engine/PathUtil.h"

namespace archivenames {

NewName CheckNewName(const std::string& chosen) {
    const std::string ext = kpath::UpperCase(kpath::ExtractFileExt(chosen));
    if (ext == ".EXE") return {{}, "Error: you must create a .ZIP file, then convert to .EXE"};
    if (chosen.find('.') == std::string::npos) return {chosen + ".zip", {}};
    if (ext != ".ZIP") return {{}, "Error: your new archive must end in .ZIP"};
    return {chosen, {}};
}

std::string FreeNewArchiveName(const std::string& folder,
                               const std::function<bool(const std::string&)>& exists) {
    std::string name = folder + "New Archive.zip";
    for (int n = 2; exists(name) && n < 10000; ++n)
        name = folder + "New Archive (" + std::to_string(n) + ").zip";
    return name;
}

bool IsSelfExtracting(const std::string& archive) {
    return archive.size() >= 4 && kpath::LowerCase(archive.substr(archive.size() - 4)) == ".exe";
}

} // namespace archivenames
