#include "wizard/NewArchiveName.h"

#include "engine/PathUtil.h"

namespace wizard {

NewArchiveName CheckNewArchiveName(const std::string& chosen) {
    const std::string ext = kpath::UpperCase(kpath::ExtractFileExt(chosen));
    if (ext == ".EXE") return {{}, "Error: you must create a .ZIP file, then convert to .EXE"};
    if (chosen.find('.') == std::string::npos) return {chosen + ".zip", {}};
    if (ext != ".ZIP") return {{}, "Error: your new archive must end in .ZIP"};
    return {chosen, {}};
}

} // namespace wizard
