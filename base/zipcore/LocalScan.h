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
};

// Walks the local headers from `start`. A candidate signature found further on, before the
// first member, counts only when its data ends at another record (or the file's end), so the
// bytes of a self-extractor's program are not taken for members.
LocalScan ScanLocalHeaders(ByteSource& src, std::uint64_t start = 0);

} // namespace zipcore
