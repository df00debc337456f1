#include "engine/ZipKeep.h"

#include "engine/ArchiveReader.h"
#include "engine/PathUtil.h"
#include "ui/Dialogs.h"

#include <cstring>

namespace {

constexpr std::uint32_t kLocalHeaderSig = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSig = 0x02014B50;
constexpr std::uint32_t kEndOfCentralDirSig = 0x06054B50;
// Self-extracting stubs are at least this long; their archive is searched for from here.
constexpr std::int64_t kSfxSearchStart = 14000;
constexpr int kSearchLimit = 60000;
constexpr size_t kNameBufferLength = 256;
constexpr std::int64_t kEndRecordSize = 22;

const char kNoEntries[] = "No valid zip entries found";

} // namespace

TZipKeeper::TZipKeeper(HWND ownerHandle) : Handle(ownerHandle) {}

TZipKeeper::~TZipKeeper() { ClearContents(); }

int TZipKeeper::Count() const {
    return zipFilename_.empty() ? 0 : static_cast<int>(contents_.size());
}

void TZipKeeper::SetZipFilename(const std::string& name) {
    zipFilename_ = name;
    List();
}

void TZipKeeper::ClearContents() {
    while (!contents_.empty()) contents_.pop_back();
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

            if (signature == kCentralHeaderSig || signature == kEndOfCentralDirSig) break;
            if (signature != kLocalHeaderSig) continue;

            auto entry = std::make_unique<ZipDirEntry>();
            ZipDirEntryFixed& fixed = *entry;
            bool complete = in.Read(&fixed, sizeof fixed) == sizeof fixed;
            std::string name;
            if (complete) {
                name.resize(fixed.FileNameLength);
                complete = in.Read(name.data(), name.size()) == name.size();
            }
            if (!complete) {
                if (!contents_.empty()) throw EZipStreamError("Error 2 reading Zip file");
                synchronised = false;
                continue;
            }
            size_t nameLen = std::min({name.size(), kNameBufferLength, std::strlen(name.c_str())});
            entry->FileName.assign(name.data(), nameLen);

            // Sizes are unsigned and summed in 64 bits, so a header with a huge size can
            // never move the walk backwards: it simply fails the bound test.
            const std::int64_t p = in.Position();
            if (p + std::int64_t(fixed.ExtraFieldLength) + std::int64_t(fixed.CompressedSize) >
                in.Size() - kEndRecordSize) {
                if (!contents_.empty()) throw EZipStreamError("Error 3 reading Zip file");
                synchronised = false;
                continue;
            }
            if (fixed.ExtraFieldLength > 0) {
                in.Seek(p + fixed.ExtraFieldLength);
                if (in.Position() != p + fixed.ExtraFieldLength)
                    throw EZipStreamError("Error 4 reading Zip file");
            }
            const std::int64_t dataStart = in.Position();
            in.Seek(dataStart + fixed.CompressedSize);
            if (in.Position() != dataStart + std::int64_t(fixed.CompressedSize))
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
