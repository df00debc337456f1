#include "engine/EntryName.h"

#include "base/MemberNames.h"

namespace {

zipcore::DecodedName Decode(const ZipDirEntry& e) {
    // The local extra field first; a Unicode Path field only in the central header counts too.
    return zipcore::DecodeName(e.FileName, e.Flag, e.HostSystem,
                               e.ExtraField + e.CentralExtraField);
}

} // namespace

std::wstring EntryDisplayName(const ZipDirEntry& entry) {
    return kname::WideName(Decode(entry));
}

std::string EntryDisplayNameUtf8(const ZipDirEntry& entry) {
    return kname::Utf8Name(Decode(entry));
}
