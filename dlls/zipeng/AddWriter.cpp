#include "dlls/zipeng/AddWriter.h"

#include "dlls/zipeng/MemberCrypt.h"

#include "base/zipcore/ExtraFields.h"
#include "base/zipcore/NameText.h"
#include "base/zipcore/Wildcard.h"
#include "base/zipcore/ZipFormat.h"

#include <zlib.h>

#include <algorithm>
#include <thread>

namespace zipeng {

namespace {

// Work queued ahead of the writer: enough to keep every worker busy, little enough for a
// 32-bit address space.
constexpr size_t kMaxPiecesAhead = 512;
constexpr std::uint64_t kMaxBytesAhead = 16ull << 20;

std::uint16_t DeflateFlags(int level) {
    if (level >= 8) return 0x0002; // maximum compression
    if (level == 2) return 0x0004; // fast
    if (level == 1) return 0x0006; // super fast
    return 0;
}

// What every member the engine writes carries besides its data: the exact times (placed in
// the headers by MemberHeaders) and, for a name beyond ASCII, the language encoding flag
// that says it is UTF-8.
void DescribeSource(const SourceEntry& src, HeaderFields& h) {
    h.name = src.storedName;
    h.dosTime = src.dosTime;
    h.externalAttributes = src.attributes;
    h.extra.clear();
    h.times = src.times;
}

std::uint16_t NameFlags(const SourceEntry& src) {
    return zipcore::IsAscii(src.storedName) ? 0 : zipcore::kFlagUtf8;
}

} // namespace

bool FixedItems::Item(size_t i, bool, PlanItem& item) {
    if (i >= plan_.items.size()) return false;
    item = plan_.items[i];
    return true;
}

bool ScannedItems::Item(size_t i, bool wait, PlanItem& item) {
    while (items_.size() <= i) {
        const SourceEntry* entry = scan_.Entry(nextEntry_, wait);
        if (!entry) return false;
        const size_t index = nextEntry_++;
        if (!seen_.insert(zipcore::NormalizeMemberPath(entry->storedName)).second) {
            duplicates_.push_back(entry);
            continue;
        }
        items_.push_back({PlanItem::Kind::Add, index, false, 0});
    }
    item = items_[i];
    return true;
}

void ScannedItems::ReportProblems(Reporter& reporter) {
    for (const ScanProblem& p : scan_.TakeProblems(false))
        reporter.Message(p.code, p.text);
    for (const SourceEntry* d : std::exchange(duplicates_, {}))
        ReportDuplicate(reporter, *d);
}

void ReportDuplicate(Reporter& reporter, const SourceEntry& source) {
    reporter.Message(keng::kErrDuplicateName, Shown(source.diskPath) + " would be stored as " +
                                                  Shown(source.storedName) +
                                                  " like an earlier file; left out");
}

AddWriter::AddWriter(const Request& request, Reporter& reporter, ItemSource& items,
                     NewArchive& archive, const std::vector<zipcore::Member>& members,
                     zipcore::ByteSource* old, const std::optional<std::string>& password)
    : request_(request), reporter_(reporter), items_(items), archive_(archive), out_(archive.Out()),
      members_(members), old_(old), password_(password),
      // Files are opened, read and closed on reader threads of their own, so the workers
      // that compress never wait for the system. Under Wine every open and close is a round
      // trip to the wine server, and two of the three calls a file costs hold a lock that all
      // the process's threads share. Two readers keep the server busy; one alone leaves it
      // waiting, more only queue.
      readers_(2), pool_(std::max(1u, std::thread::hardware_concurrency())) {}

void AddWriter::Feed() {
    PlanItem item;
    while (ahead_.size() < kMaxPiecesAhead && bytesAhead_ < kMaxBytesAhead &&
           items_.Item(feedItem_, false, item)) {
        if (item.kind != PlanItem::Kind::Add || items_.Source(item.index).folder) {
            ++feedItem_;
            continue;
        }
        const SourceEntry& src = items_.Source(item.index);
        const std::uint64_t count = PieceCount(src.size);
        auto piece = std::make_shared<Piece>();
        piece->path = src.diskPath;
        piece->offset = feedPiece_ * kPieceSize;
        piece->first = feedPiece_ == 0;
        piece->last = feedPiece_ + 1 == count;
        piece->length = piece->last ? src.size - std::min(src.size, piece->offset) : kPieceSize;
        piece->level = request_.level;
        piece->buffers = &buffers_;
        piece->inputs = &inputs_;
        const std::uint64_t readTicket =
            readers_.Submit([this, piece](ReaderState&) { Read(*piece); });
        const std::uint64_t ticket =
            pool_.Submit([this, piece](WorkerState& state) { Compress(*piece, state); });
        ahead_.push_back({readTicket, ticket, piece});
        bytesAhead_ += std::max<std::uint64_t>(piece->length, 1024);
        if (++feedPiece_ == count) {
            feedPiece_ = 0;
            ++feedItem_;
        }
    }
}

void AddWriter::Read(Piece& piece) {
    // The worker waiting for this piece is let go however the read ends.
    struct HandOver {
        AddWriter& writer;
        Piece& piece;
        ~HandOver() {
            {
                std::lock_guard lock(writer.readMutex_);
                piece.ready = true;
            }
            writer.readDone_.notify_all();
        }
    } handOver{*this, piece};
    ReadPiece(piece);
}

void AddWriter::Compress(Piece& piece, WorkerState& state) {
    {
        std::unique_lock lock(readMutex_);
        readDone_.wait(lock, [&] { return piece.ready; });
    }
    CompressPiece(piece, state);
}

std::shared_ptr<Piece> AddWriter::Next() {
    Feed();
    Ahead next = ahead_.front();
    ahead_.pop_front();
    bytesAhead_ -= std::max<std::uint64_t>(next.piece->length, 1024);
    readers_.Wait(next.readTicket);
    pool_.Wait(next.ticket);
    return next.piece;
}

bool AddWriter::WriteFolder(const SourceEntry& src) {
    reporter_.NewFile(Shown(src.storedName), 0);
    HeaderFields h;
    DescribeSource(src, h);
    h.flags = NameFlags(src);
    h.localOffset = out_.Position();
    out_.Write(LocalHeader(h, false));
    archive_.AddEntry(h);
    return true;
}

void AddWriter::ReportGrowth(const SourceEntry& src) {
    reporter_.Message(keng::kErrReadFile, Shown(src.diskPath) +
                                              " grew while it was read; its first " +
                                              std::to_string(src.size) +
                                              " bytes, its size when it was found, were added");
}

bool AddWriter::WriteFile(const SourceEntry& src) {
    const std::uint64_t count = PieceCount(src.size);
    const std::uint64_t start = out_.Position();
    const Encryption encryption = !password_     ? Encryption::None
                                  : request_.aes ? Encryption::Aes256
                                                 : Encryption::Traditional;
    HeaderFields h;
    DescribeSource(src, h);
    const std::string extra = h.extra; // without the AES field, which follows the method
    h.localOffset = start;
    bool zip64 = false;
    std::uint64_t dataStart = 0, dataSize = 0;
    for (std::uint64_t k = 0; k < count; ++k) {
        std::shared_ptr<Piece> piece = Next();
        if (!piece->ok) {
            // Take back what was written of this file and drop the rest of its pieces.
            out_.Rewind(start);
            for (std::uint64_t rest = k + 1; rest < count; ++rest)
                Next();
            reporter_.Message(piece->errorCode, piece->errorText + "; not added");
            return false;
        }
        if (k == 0) {
            const bool storedFile = request_.level == 0 || piece->stored;
            h.method = storedFile ? zipcore::kMethodStored : zipcore::kMethodDeflated;
            h.flags = NameFlags(src) | (storedFile ? 0 : DeflateFlags(request_.level));
            h.versionNeeded = storedFile ? kVersionStored : kVersionDeflate;
            reporter_.NewFile(Shown(src.storedName), src.size);
            if (count == 1) {
                // Everything is known: header, encryption and data in one go.
                h.crc = piece->crc;
                h.uncompressedSize = piece->inputSize;
                MarkEncrypted(h, encryption, extra);
                const std::string sealed =
                    encryption == Encryption::None
                        ? std::string()
                        : SealInMemory(h, encryption, *password_, piece->data);
                h.compressedSize = sealed.empty() ? piece->data.size() : sealed.size();
                zip64 = NeedsZip64Local(std::max(h.uncompressedSize, h.compressedSize));
                out_.Write(LocalHeader(h, zip64));
                out_.Write(sealed.empty() ? piece->data : sealed);
                buffers_.Give(std::move(piece->data));
                reporter_.Progress(piece->inputSize);
                if (piece->grew) ReportGrowth(src);
                break;
            }
            // Sizes and CRC are patched in when the last piece is written.
            h.uncompressedSize = src.size; // no AE-2 for a file this large
            MarkEncrypted(h, encryption, extra);
            zip64 = NeedsZip64Local(src.size);
            out_.Write(LocalHeader(h, zip64));
            out_.Write(std::string(EncryptionHead(encryption), '\0'));
            dataStart = out_.Position();
            h.crc = piece->crc;
            h.uncompressedSize = 0;
        } else {
            h.crc = static_cast<std::uint32_t>(
                crc32_combine(h.crc, piece->crc, static_cast<z_off_t>(piece->inputSize)));
        }
        out_.Write(piece->data);
        h.uncompressedSize += piece->inputSize;
        dataSize += piece->data.size();
        buffers_.Give(std::move(piece->data));
        reporter_.Progress(h.uncompressedSize);
        if (piece->grew) ReportGrowth(src);
    }
    if (count > 1) {
        if (request_.level > 0 && dataSize >= h.uncompressedSize) {
            // Deflate did not shrink the file (incompressible pieces went out as stored
            // blocks): keep the bytes themselves, as a one-piece file would.
            dataSize = StoreInPlace(out_, dataStart, dataSize);
            h.method = zipcore::kMethodStored;
            h.flags = NameFlags(src);
            h.versionNeeded = kVersionStored;
            MarkEncrypted(h, encryption, extra);
        }
        h.compressedSize = dataSize + EncryptionOverhead(encryption);
        if (!zip64 && (h.compressedSize >= zipcore::kZip64Mark32 ||
                       h.uncompressedSize >= zipcore::kZip64Mark32)) {
            out_.Rewind(start);
            reporter_.Message(keng::kErrReadFile,
                              Shown(src.diskPath) + " needs more than 4 GB compressed; not added");
            return false;
        }
        const std::string header = LocalHeader(h, zip64);
        out_.PatchAt(start, header.data(), header.size());
        if (encryption != Encryption::None)
            SealInPlace(out_, h, encryption, *password_, dataStart, dataSize);
    }
    archive_.AddEntry(h);
    reporter_.Verbose("added " + Shown(src.storedName));
    return true;
}

std::vector<size_t> AddWriter::Run() {
    std::vector<size_t> written;
    PlanItem item;
    for (size_t i = 0;; ++i) {
        Feed();
        const bool more = items_.Item(i, true, item);
        items_.ReportProblems(reporter_);
        if (!more) break;
        if (item.kind == PlanItem::Kind::Copy) {
            archive_.CopyMember(*old_, members_[item.index]);
            continue;
        }
        const SourceEntry& src = items_.Source(item.index);
        if (src.folder ? WriteFolder(src) : WriteFile(src))
            written.push_back(item.index);
        else if (item.replaces)
            archive_.CopyMember(*old_, members_[item.member]); // the old copy is better than none
    }
    return written;
}

} // namespace zipeng
