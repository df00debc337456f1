// Writes the members of the new archive in order: kept members copied, files compressed on
// worker threads. The calling thread reads no file itself: it copies, writes what the
// workers finished strictly in archive order, and makes every callback.
#pragma once

#include "base/zipcore/CentralDirectory.h"
#include "dlls/zipeng/AddPlan.h"
#include "dlls/zipeng/MemberPieces.h"
#include "dlls/zipeng/NewArchive.h"
#include "dlls/zipeng/Reporter.h"
#include "dlls/zipeng/Request.h"
#include "dlls/zipeng/SourceScan.h"
#include "dlls/zipeng/WorkPool.h"

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace zipeng {

// Where the writer takes its items from, in archive order.
class ItemSource {
public:
    virtual ~ItemSource() = default;
    // Item i. With `wait`, blocks until it is known and is false only when there is none;
    // without, false also when it is not known yet.
    virtual bool Item(size_t i, bool wait, PlanItem& item) = 0;
    virtual const SourceEntry& Source(size_t index) = 0;
    // Problems found since the last call (reported by the writer, on the calling thread).
    virtual void ReportProblems(Reporter&) {}
};

// A plan made in advance: adding to an archive that has members.
class FixedItems : public ItemSource {
public:
    FixedItems(const AddPlan& plan, const std::vector<SourceEntry>& sources)
        : plan_(plan), sources_(sources) {}
    bool Item(size_t i, bool, PlanItem& item) override;
    const SourceEntry& Source(size_t index) override { return sources_[index]; }

private:
    const AddPlan& plan_;
    const std::vector<SourceEntry>& sources_;
};

// Files as the scan finds them: a new (or empty) archive, where every file that is not a
// duplicate is added in the order found.
class ScannedItems : public ItemSource {
public:
    explicit ScannedItems(BackgroundScan& scan) : scan_(scan) {}
    bool Item(size_t i, bool wait, PlanItem& item) override;
    const SourceEntry& Source(size_t index) override { return *scan_.Entry(index, false); }
    void ReportProblems(Reporter& reporter) override;

private:
    BackgroundScan& scan_;
    std::vector<PlanItem> items_;
    size_t nextEntry_ = 0;
    std::unordered_set<std::string> seen_;
    std::vector<const SourceEntry*> duplicates_;
};

void ReportDuplicate(Reporter& reporter, const SourceEntry& source);

class AddWriter {
public:
    AddWriter(const Request& request, Reporter& reporter, ItemSource& items, NewArchive& archive,
              const std::vector<zipcore::Member>& members, zipcore::ByteSource* old,
              const std::optional<std::string>& password);

    // Writes every item; returns the sources written (for Move).
    std::vector<size_t> Run();

private:
    struct Ahead {
        std::uint64_t readTicket;
        std::uint64_t ticket;
        std::shared_ptr<Piece> piece;
    };
    struct ReaderState {};

    void Feed();
    void Read(Piece& piece);                         // on a reader thread
    void Compress(Piece& piece, WorkerState& state); // on a worker, once the piece is read
    std::shared_ptr<Piece> Next();
    bool WriteFolder(const SourceEntry& src);
    bool WriteFile(const SourceEntry& src);
    void ReportGrowth(const SourceEntry& src);

    const Request& request_;
    Reporter& reporter_;
    ItemSource& items_;
    NewArchive& archive_;
    OutputFile& out_;
    const std::vector<zipcore::Member>& members_;
    zipcore::ByteSource* old_;
    const std::optional<std::string>& password_;

    BufferPool buffers_;
    InputPool inputs_;
    std::deque<Ahead> ahead_;
    std::uint64_t bytesAhead_ = 0;
    size_t feedItem_ = 0;
    std::uint64_t feedPiece_ = 0;
    // A worker whose piece is not read yet waits here for a reader.
    ksync::Mutex readMutex_;
    ksync::Condition readDone_;
    // Last, readers before workers: destructors stop the workers first (one may be waiting
    // for a read), then the readers, before anything they use goes away.
    WorkPool<ReaderState> readers_;
    WorkPool<WorkerState> pool_;
};

} // namespace zipeng
