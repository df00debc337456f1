#include "engine/ZipKeep.h"

#include "dlls/common/MemberNames.h"
#include "dlls/zipcore/ExtraFields.h"
#include "engine/ArchiveReader.h"
#include "engine/PathUtil.h"
#include "ui/Dialogs.h"
#include "ui/WarmMemory.h"

#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

constexpr std::uint32_t kLocalHeaderSig = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSig = 0x02014B50;
constexpr std::uint32_t kEndOfCentralDirSig = 0x06054B50;
// Self-extracting stubs are at least this long; their archive is searched for from here.
constexpr std::int64_t kSfxSearchStart = 14000;
constexpr int kSearchLimit = 60000;
constexpr size_t kNameBufferLength = 256;
constexpr std::int64_t kEndRecordSize = 22;
// Lists shorter than this are quick as they are; longer ones get warm memory of this much
// per entry: the entry, its row key and its row, and the sort's scratch lists.
constexpr size_t kWarmFrom = 8192;
constexpr size_t kWarmBytesPerEntry = 400;

const char kNoEntries[] = "No valid zip entries found";

constexpr size_t kCentralHeaderRest = 42; // after the signature, before the name

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// How much of a stored name the entries keep: up to the first NUL, at most 256 bytes.
size_t EntryNameLength(std::string_view raw) {
    return std::min({raw.size(), kNameBufferLength, kname::FindByte(raw, '\0')});
}

// The central directory follows the last local header; the walk stops at its first header
// (signature read). Its headers tell which system wrote each member, which decides how a
// name without the UTF-8 flag is decoded. Matched by name; a damaged directory only leaves
// the remaining entries with the defaults.
void ReadCentralHosts(ArchiveReader& in, std::vector<ZipDirEntry>& entries) {
    // Writers keep both lists in one order, so each header is first tried against the entry
    // at its own place; the lookup by name is built only for an archive that differs.
    std::unordered_map<std::string, size_t> byName;
    bool byNameBuilt = false;
    std::vector<bool> matched(entries.size(), false);
    std::string name, extra;
    for (size_t seen = 0; seen < entries.size(); ++seen) {
        std::uint8_t h[kCentralHeaderRest];
        if (in.Read(h, sizeof h) != sizeof h) return;
        const size_t nameLength = U16(h + 24), extraLength = U16(h + 26);
        if (in.ReadString(name, nameLength) != nameLength ||
            in.ReadString(extra, extraLength) != extraLength)
            return;
        if (const std::uint16_t comment = U16(h + 28)) in.Seek(in.Position() + comment);
        const std::string_view stored = std::string_view(name).substr(0, EntryNameLength(name));
        ZipDirEntry* entry = nullptr;
        if (!matched[seen] && entries[seen].FileName == stored) {
            entry = &entries[seen];
            matched[seen] = true;
        } else {
            if (!byNameBuilt) {
                for (size_t i = 0; i < entries.size(); ++i)
                    if (!matched[i]) byName.emplace(entries[i].FileName, i);
                byNameBuilt = true;
            }
            if (auto found = byName.find(std::string(stored)); found != byName.end()) {
                if (!matched[found->second]) {
                    entry = &entries[found->second];
                    matched[found->second] = true;
                }
                byName.erase(found);
            }
        }
        if (entry) {
            entry->HostSystem = h[1];
            entry->CentralExtraField = extra;
        }
        std::uint8_t sig[4];
        if (in.Read(sig, 4) != 4 || sig[0] != 0x50 || sig[1] != 0x4B || sig[2] != 0x01 ||
            sig[3] != 0x02)
            return;
    }
}

// How many entries the end record at the very end of the file announces (through the
// ZIP64 end record when it says 0xFFFF), or 0 when the file does not end with one (a
// comment follows it). Only a hint, for reserving room: a list of 100,000 entries grown step
// by step is copied seventeen times.
size_t AnnouncedEntries(ArchiveReader& in) {
    constexpr std::int64_t kLocatorSize = 20, kZip64EndSize = 56;
    auto signature = [](const std::uint8_t* p, std::uint8_t third, std::uint8_t fourth) {
        return p[0] == 0x50 && p[1] == 0x4B && p[2] == third && p[3] == fourth;
    };
    auto u64 = [](const std::uint8_t* p) {
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | p[i];
        return v;
    };
    std::uint64_t total = 0;
    std::uint8_t end[kEndRecordSize], locator[kLocatorSize], zip64[kZip64EndSize];
    if (in.Size() >= kEndRecordSize) {
        in.Seek(in.Size() - kEndRecordSize);
        if (in.Read(end, sizeof end) == sizeof end && signature(end, 0x05, 0x06) &&
            U16(end + 20) == 0)
            total = U16(end + 10);
    }
    if (total == 0xFFFF && in.Size() >= kEndRecordSize + kLocatorSize) {
        total = 0;
        in.Seek(in.Size() - kEndRecordSize - kLocatorSize);
        if (in.Read(locator, sizeof locator) == sizeof locator && signature(locator, 0x06, 0x07)) {
            const std::uint64_t at = u64(locator + 8);
            if (at < static_cast<std::uint64_t>(in.Size())) {
                in.Seek(static_cast<std::int64_t>(at));
                if (in.Read(zip64, sizeof zip64) == sizeof zip64 && signature(zip64, 0x06, 0x06))
                    total = u64(zip64 + 32);
            }
        }
    }
    in.Seek(0);
    // Every entry takes at least a local and a central header: a count the file cannot
    // hold is not believed.
    const auto most = static_cast<std::uint64_t>(in.Size()) / (30 + 46);
    return total > most ? 0 : static_cast<size_t>(total);
}

} // namespace

TZipKeeper::TZipKeeper(HWND ownerHandle) : Handle(ownerHandle) {}

TZipKeeper::~TZipKeeper() {
    ClearContents();
}

int TZipKeeper::Count() const {
    return zipFilename_.empty() ? 0 : static_cast<int>(contents_.size());
}

void TZipKeeper::SetZipFilename(const std::string& name) {
    zipFilename_ = name;
    List();
}

void TZipKeeper::ClearContents() {
    contents_.clear();
    contents_.shrink_to_fit();
}

void TZipKeeper::FireDirUpdate() {
    if (OnDirUpdate) OnDirUpdate(*this);
}

void TZipKeeper::List() {
    ClearContents();
    if (!kpath::FileExists(zipFilename_)) {
        FireDirUpdate();
        return;
    }
    SFXOffset = 0;
    bool synchronised = false;
    int searched = 0;

    ArchiveReader in(zipFilename_); // an open failure propagates without OnDirUpdate
    const size_t announced = AnnouncedEntries(in);
    // A long list and what the view builds from it (row keys, their sort, the rows) take
    // tens of megabytes: made ready meanwhile on another processor (ui/WarmMemory.h).
    ui::WarmMemory warm(announced >= kWarmFrom ? announced * kWarmBytesPerEntry : 0);
    contents_.reserve(announced);

    if (kpath::UpperCase(kpath::ExtractFileExt(zipFilename_)) == ".EXE") in.Seek(kSfxSearchStart);

    std::uint32_t signature = 0;
    try {
        for (;;) {
            if (!synchronised) {
                std::uint8_t b = 0;
                if (!in.ReadByte(b)) {
                    ui::ShowMessage(kNoEntries);
                    break;
                }
                if (++searched > kSearchLimit) {
                    ui::ShowMessage(kNoEntries);
                    break;
                }
                if (b != 0x50) continue;
                static const std::uint8_t rest[3] = {0x4B, 0x03, 0x04};
                bool matched = true, shortRead = false;
                for (std::uint8_t want : rest) {
                    if (!in.ReadByte(b)) {
                        shortRead = true;
                        break;
                    }
                    if (b != want) {
                        matched = false;
                        break;
                    }
                }
                if (shortRead) {
                    ui::ShowMessage(kNoEntries);
                    break;
                }
                if (!matched) continue;
                synchronised = true;
                signature = kLocalHeaderSig;
                SFXOffset = static_cast<std::int32_t>(in.Position() - 4);
            } else {
                std::uint8_t sig[4];
                if (in.Read(sig, 4) < 4) throw EZipStreamError("Error reading Zip File");
                signature = std::uint32_t(sig[0]) | std::uint32_t(sig[1]) << 8 |
                            std::uint32_t(sig[2]) << 16 | std::uint32_t(sig[3]) << 24;
            }

            if (signature == kCentralHeaderSig) {
                ReadCentralHosts(in, contents_);
                break;
            }
            if (signature == kEndOfCentralDirSig) break;
            if (signature != kLocalHeaderSig) continue;

            ZipDirEntry entry;
            ZipDirEntryFixed& fixed = entry;
            bool complete = in.Read(&fixed, sizeof fixed) == sizeof fixed;
            std::string& name = entry.FileName;
            if (complete)
                complete = in.ReadString(name, fixed.FileNameLength) == fixed.FileNameLength;
            if (!complete) {
                if (!contents_.empty()) throw EZipStreamError("Error 2 reading Zip file");
                synchronised = false;
                continue;
            }
            if (const size_t kept = EntryNameLength(name); kept < name.size()) {
                name.resize(kept);
                name.shrink_to_fit(); // a long stored name keeps no memory beyond its part
            }

            // Sizes are unsigned and summed in 64 bits, so a header with a huge size can
            // never move the walk backwards: it simply fails the bound test. A member of
            // 4 GiB or more keeps its sizes in the ZIP64 block of the extra field, which
            // is therefore read (it lies within the bound when the member does).
            const std::int64_t p = in.Position();
            const std::int64_t limit = in.Size() - kEndRecordSize;
            auto outOfBounds = [&](std::uint64_t compressed) {
                return p + std::int64_t(fixed.ExtraFieldLength) +
                           static_cast<std::int64_t>(
                               std::min<std::uint64_t>(compressed, INT64_MAX / 2)) >
                       limit;
            };
            if (outOfBounds(0)) {
                if (!contents_.empty()) throw EZipStreamError("Error 3 reading Zip file");
                synchronised = false;
                continue;
            }
            if (in.ReadString(entry.ExtraField, fixed.ExtraFieldLength) != fixed.ExtraFieldLength)
                throw EZipStreamError("Error 4 reading Zip file");
            const zipcore::LocalSizes sizes = zipcore::LocalHeaderSizes(
                fixed.CompressedSize, fixed.UncompressedSize, entry.ExtraField);
            entry.CompressedSize64 = sizes.compressed;
            entry.UncompressedSize64 = sizes.uncompressed;
            if (outOfBounds(sizes.compressed)) {
                if (!contents_.empty()) throw EZipStreamError("Error 3 reading Zip file");
                synchronised = false;
                in.Seek(p); // searching goes on behind the name, as before
                continue;
            }
            const std::int64_t dataStart = in.Position();
            const auto dataSize = static_cast<std::int64_t>(sizes.compressed);
            in.Seek(dataStart + dataSize);
            if (in.Position() != dataStart + dataSize)
                throw EZipStreamError("Error 5 reading Zip file");
            contents_.push_back(std::move(entry));
        }
    } catch (...) {
        // The read error reaches the caller; the view is still told what was listed.
        in.Close();
        try {
            FireDirUpdate();
        } catch (...) {
        }
        throw;
    }
    in.Close();
    FireDirUpdate();
}
