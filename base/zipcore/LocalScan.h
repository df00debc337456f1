// Reading an archive whose directory cannot be read (a download cut off before its end):
// the members are found by walking their local headers from the front. Both the member list
// and the extraction engine use this one scan, so what the list shows is what extraction saves.
#pragma once

#include "base/zipcore/CentralDirectory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zipcore {

struct LocalScan {
    // The complete members in file order, as Member records built from their local headers
    // (the local extra field in `extra`; CRC and sizes from the data descriptor where the
    // header leaves them to it; `extentLimit` is the member's end, descriptor included).
    std::vector<Member> members;
    std::uint64_t firstHeader = 0; // where the first member's header is
    bool cut = false;              // the file ends inside a member or its header
    std::string cutName;           // that member's name as far as it was read (up to a NUL)
    // Members whose headers were found among the members but are damaged, by the names they
    // give; the scan went on at the next header behind them.
    std::vector<std::string> skipped;
    // Bytes after the first member that belong to no member found (junk, damaged headers).
    std::uint64_t junkBytes = 0;
};

// Walks the local headers from `start`. Where no header follows a member (junk, a header
// without a name) the walk searches on for the next one; a header there whose data runs past
// the file's end is the member the file ends in. A candidate signature found by searching
// counts only when its data ends at another record (or the file's end), so the bytes of a
// self-extractor's program, or of junk, are not taken for members.
LocalScan ScanLocalHeaders(ByteSource& src, std::uint64_t start = 0);

} // namespace zipcore
