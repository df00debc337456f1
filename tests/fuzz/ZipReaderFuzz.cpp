// libFuzzer target: the directory reader (or the local-header scan of a file without one),
// member location, name checks and decoding of every member into memory, on arbitrary bytes. Built
// natively by scripts/fuzz.sh.
#include "dlls/zipcore/CentralDirectory.h"
#include "dlls/zipcore/DosTime.h"
#include "dlls/zipcore/LocalScan.h"
#include "dlls/zipcore/MemberReader.h"
#include "dlls/zipcore/NameText.h"
#include "dlls/zipcore/SafeName.h"
#include "dlls/zipcore/Wildcard.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Output allowed per input, so that highly compressed members do not slow the search.
constexpr std::uint64_t kOutputBudget = 8u << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zipcore::MemorySource source(bytes);
    zipcore::ArchiveInfo info;
    try {
        info = zipcore::ReadArchive(source);
    } catch (const zipcore::MissingDirectory&) {
        // Read by its local headers instead: members lie in the file, one after the other.
        const zipcore::LocalScan scan = zipcore::ScanLocalHeaders(source);
        std::uint64_t after = 0;
        for (const zipcore::Member& m : scan.members) {
            if (m.localHeaderOffset < after || m.extentLimit <= m.localHeaderOffset ||
                m.extentLimit > size)
                __builtin_trap();
            after = m.extentLimit;
            try {
                const zipcore::MemberDataSpan span = zipcore::LocateData(source, m);
                if (span.end > m.extentLimit) __builtin_trap();
            } catch (const zipcore::FormatError&) {
                __builtin_trap(); // the scan read this very header
            }
        }
        return 0;
    } catch (const zipcore::FormatError&) {
        return 0;
    }
    const zipcore::NameSelector selector({"*.txt", "dir/", "a/*/b?.*", "exact.bin"});
    const std::string password = "pw";
    std::uint64_t budget = kOutputBudget;
    for (const zipcore::Member& m : info.members) {
        selector.Selects(m.name);
        zipcore::MatchMask(m.name, info.comment);
        zipcore::MakeSafePath(m.name, '\\', true);
        zipcore::DecodeMemberName(m);
        if (auto t = zipcore::DecodeDosTime(m.dosTime)) {
            const auto again = zipcore::EncodeDosTime(*t);
            if (!again || *again != m.dosTime) __builtin_trap(); // even seconds round-trip
        }
        try {
            const zipcore::MemberDataSpan span = zipcore::LocateData(source, m);
            if (span.end > m.extentLimit || span.dataOffset < m.localHeaderOffset)
                __builtin_trap(); // never outside what the directory granted
        } catch (const zipcore::FormatError&) {
            continue;
        }
        if (budget == 0) continue;
        std::uint64_t produced = 0;
        zipcore::ExtractMember(source, m, &password, [&](const std::uint8_t*, std::size_t n) {
            produced += n;
            if (produced > m.uncompressedSize) __builtin_trap();
            if (n > budget) {
                budget = 0;
                return false;
            }
            budget -= n;
            return true;
        });
    }
    return 0;
}
