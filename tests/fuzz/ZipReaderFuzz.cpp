// libFuzzer target: the directory reader (or the local-header scan of a file without one),
// member location, name checks and decoding of every member into memory, on arbitrary bytes;
// and our inflater on the same bytes as a raw stream, as Deflate64 and as deflate, where
// whatever zlib inflates it must inflate alike. Built natively by scripts/fuzz.sh.
#include "base/zipcore/CentralDirectory.h"
#include "base/zipcore/DosTime.h"
#include "base/zipcore/Inflater.h"
#include "base/zipcore/LocalScan.h"
#include "base/zipcore/MemberReader.h"
#include "base/zipcore/NameText.h"
#include "base/zipcore/SafeName.h"
#include "base/zipcore/Wildcard.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

// Output allowed per input, so that highly compressed members do not slow the search.
constexpr std::uint64_t kOutputBudget = 8u << 20;

constexpr std::size_t kRawOutput = 1 << 20;

struct WholeInput final : zipcore::InflateInput {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t More(const std::uint8_t** out) override {
        *out = data;
        const std::size_t n = size;
        size = 0;
        return n;
    }
};

// Inflates with our inflater in pieces of odd sizes; true when the stream ended in budget.
bool OurInflate(const std::uint8_t* data, std::size_t size, bool deflate64, std::string& out) {
    static auto inflater = std::make_unique<zipcore::Inflater>();
    inflater->Reset(deflate64);
    WholeInput in;
    in.data = data;
    in.size = size;
    std::uint8_t buffer[4093];
    while (out.size() < kRawOutput) {
        std::size_t n = 0;
        const auto status = inflater->Read(in, buffer, sizeof buffer, &n);
        if (n > sizeof buffer) __builtin_trap();
        out.append(reinterpret_cast<const char*>(buffer), n);
        if (status != zipcore::Inflater::Status::More)
            return status == zipcore::Inflater::Status::End;
    }
    return false;
}

bool ZlibInflate(const std::uint8_t* data, std::size_t size, std::string& out) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    out.resize(kRawOutput);
    z.next_in = const_cast<std::uint8_t*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return rc == Z_STREAM_END;
}

void CompareInflaters(const std::uint8_t* data, std::size_t size) {
    std::string ours64;
    OurInflate(data, size, true, ours64);
    std::string ours, theirs;
    const bool oursEnded = OurInflate(data, size, false, ours);
    // zlib refuses some streams ours takes (more than 30 distance codes), never the other way
    // round.
    if (ZlibInflate(data, size, theirs) && (!oursEnded || ours != theirs)) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CompareInflaters(data, size);
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
