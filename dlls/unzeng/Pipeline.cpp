#include "dlls/unzeng/Pipeline.h"

#include "dlls/common/SystemAes.h"

#include "dlls/common/FastSync.h"
#include "dlls/unzeng/MemberWork.h"
#include "dlls/unzeng/Win32Source.h"
#include "base/zipcore/ZipFormat.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace unzeng {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;
// How many members past the one being reported a worker may start. Extraction keeps this
// short, so that a stop leaves few files beyond the last one reported; testing writes
// nothing, and a long look-ahead keeps the other worker busy while one member is large.
constexpr std::size_t kExtractLookAhead = 8;
constexpr std::size_t kTestLookAhead = 4096;
constexpr std::size_t kNobody = static_cast<std::size_t>(-1);
// Members too small for a progress unit are reported in batches of up to this many: the
// reporting thread sleeps until the last of them is done, not once per member (each sleep
// and wake is a lock, a signal and two thread switches).
constexpr std::size_t kReportBatch = 4;

// A member reported without progress units: the report waits for its end, not its start.
bool Small(const Job& job) {
    return job.kind != Job::Kind::File || job.member->uncompressedSize < keng::kProgressUnit;
}

// One job as its worker reports it. `succeeded` and `notices` belong to the worker until it
// sets `finished`, and to the reporting thread afterwards.
struct JobState {
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    std::atomic<std::uint64_t> bytes{0};
    bool succeeded = false;
    std::vector<Notice> notices;
};

// Job states change through atomics; the mutex and condition variables serve only to sleep.
// Each side announces what it sleeps on before checking its condition, and the other side
// signals only when someone sleeps on what it changed: under Wine every signal and every
// contended lock is a round trip to the server, which would otherwise cost more than decoding
// a small member.
class Runner {
public:
    Runner(const Plan& plan, const Request& request, zipcore::Passwords passwords)
        : plan_(plan), request_(request), passwords_(passwords), states_(plan.jobs.size()),
          lookAhead_(request.test ? kTestLookAhead : kExtractLookAhead) {
        for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
            if (plan.jobs[i].kind != Job::Kind::Notice) continue;
            states_[i].notices.push_back(plan.jobs[i].notice);
            states_[i].finished = true;
        }
    }

    PipelineResult Run(const std::wstring& archivePath, Reporter& reporter);

private:
    class Sink : public JobSink {
    public:
        Sink(Runner& r, std::size_t index)
            : r_(r), index_(index), s_(r.states_[index]), small_(Small(r.plan_.jobs[index])) {}
        void Start() override {
            s_.started = true;
            if (!small_) r_.WakeReporter(index_); // a small member's report waits for its end
        }
        bool Progress(std::uint64_t bytes) override {
            const std::uint64_t before = s_.bytes.exchange(bytes);
            if (before / keng::kProgressUnit != bytes / keng::kProgressUnit)
                r_.WakeReporter(index_);
            return !r_.cancel_;
        }
        void Note(keng::ErrorCode code, std::string text) override {
            s_.notices.push_back({code, std::move(text)});
        }
        void Succeeded() override { s_.succeeded = true; }

    private:
        Runner& r_;
        std::size_t index_;
        JobState& s_;
        bool small_;
    };

    void WakeReporter(std::size_t index) {
        if (reporterWaitsFor_ != index) return;
        { std::lock_guard lock(mutex_); }
        reporterCv_.notify_one();
    }
    void WakeWorkers() {
        if (workersWaiting_ == 0) return;
        { std::lock_guard lock(mutex_); }
        workerCv_.notify_all();
    }
    // Both waits check first without the lock: usually the job is already done.
    template <class P> void ReporterWait(std::size_t index, P ready) {
        if (ready()) return;
        std::unique_lock lock(mutex_);
        reporterWaitsFor_ = index;
        reporterCv_.wait(lock, ready);
        reporterWaitsFor_ = kNobody;
    }
    template <class P> void WorkerWait(P ready) {
        if (ready()) return;
        std::unique_lock lock(mutex_);
        ++workersWaiting_;
        workerCv_.wait(lock, ready);
        --workersWaiting_;
    }

    void AwaitSmallBatch(std::size_t index);
    void Work(zipcore::ByteSource& source);
    void ReportJob(std::size_t index, Reporter& reporter, PipelineResult& result);
    void StopWorkers();

    const Plan& plan_;
    const Request& request_;
    zipcore::Passwords passwords_;
    FolderMaker folders_;
    std::vector<JobState> states_;
    const std::size_t lookAhead_;
    std::size_t batchEnd_ = 0; // the reporting thread's: jobs before it are all finished

    ksync::Mutex mutex_;
    ksync::Condition reporterCv_;
    ksync::Condition workerCv_;
    std::atomic<std::size_t> reporterWaitsFor_{kNobody};
    std::atomic<int> workersWaiting_{0};
    std::atomic<std::size_t> next_{0};     // next job a worker takes
    std::atomic<std::size_t> reported_{0}; // jobs fully reported
    std::atomic<bool> cancel_{false};
    std::vector<std::thread> workers_;
};

void Runner::Work(zipcore::ByteSource& source) {
    std::vector<std::uint8_t> buffer(kBufferSize);
    zipcore::DecoderScratch scratch(kaes::SystemAes());
    WorkContext ctx{source, scratch, buffer, folders_, request_, passwords_};
    for (;;) {
        const std::size_t index = next_++;
        if (index >= states_.size() || cancel_) return;
        JobState& s = states_[index];
        if (s.finished) continue; // a notice, reported as it is
        if (index >= reported_ + lookAhead_)
            WorkerWait([&] { return cancel_ || index < reported_ + lookAhead_; });
        const Job& job = plan_.jobs[index];
        if (cancel_) {
            s.finished = true; // nobody may wait for a job that never runs
            WakeReporter(index);
            return;
        }

        Sink sink(*this, index);
        try {
            if (job.kind == Job::Kind::Folder)
                MakeFolder(ctx, job, sink);
            else if (request_.test)
                TestFile(ctx, job, sink);
            else
                ExtractFile(ctx, job, sink);
        } catch (const std::exception& e) {
            sink.Note(keng::kErrInternal,
                      "Stopped on " + QuotedMemberName(*job.member) + ": " + e.what());
        } catch (...) {
            // Anything else would end the whole process from this thread.
            sink.Note(keng::kErrInternal,
                      "Stopped on " + QuotedMemberName(*job.member) + ": unexpected failure");
        }
        s.finished = true;
        WakeReporter(index);
    }
}

// Waits until the small member at `index` and the small ones right after it (those workers
// may already run) are finished, the last first: the others are then mostly done too.
void Runner::AwaitSmallBatch(std::size_t index) {
    if (index < batchEnd_) return; // finished with the batch it came in
    const std::size_t limit = std::min(
        {states_.size(), index + kReportBatch, index + std::max<std::size_t>(lookAhead_ / 2, 1)});
    std::size_t last = index;
    while (last + 1 < limit && Small(plan_.jobs[last + 1]))
        ++last;
    for (std::size_t k = last + 1; k-- > index;)
        ReporterWait(k, [&] { return states_[k].finished.load(); });
    batchEnd_ = last + 1;
}

void Runner::ReportJob(std::size_t index, Reporter& reporter, PipelineResult& result) {
    const Job& job = plan_.jobs[index];
    JobState& s = states_[index];
    if (Small(job))
        AwaitSmallBatch(index);
    else
        ReporterWait(index, [&] { return s.started || s.finished; });
    if (s.started) {
        reporter.NewFile(job.member->name, job.member->uncompressedSize);
        std::uint64_t unitsSent = 0;
        while (!reporter.StopRequested()) {
            // `finished` first: once it is set, `bytes` holds the member's final count.
            const bool finished = s.finished;
            const std::uint64_t units = s.bytes / keng::kProgressUnit;
            while (unitsSent < units && !reporter.Progress())
                ++unitsSent;
            if (reporter.StopRequested() || (finished && unitsSent >= units)) break;
            if (unitsSent >= units)
                ReporterWait(index, [&] {
                    return s.finished || s.bytes / keng::kProgressUnit != unitsSent;
                });
        }
        if (reporter.StopRequested()) {
            cancel_ = true;
            WakeWorkers();
            ReporterWait(index, [&] { return s.finished.load(); });
        }
    }
    for (const Notice& n : s.notices)
        reporter.Message(n.code, n.text);
    if (s.succeeded) ++result.processed;
}

void Runner::StopWorkers() {
    cancel_ = true;
    { std::lock_guard lock(mutex_); }
    workerCv_.notify_all();
    for (std::thread& t : workers_)
        if (t.joinable()) t.join();
    workers_.clear();
}

PipelineResult Runner::Run(const std::wstring& archivePath, Reporter& reporter) {
    PipelineResult result;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t fileJobs = static_cast<std::size_t>(
        std::count_if(plan_.jobs.begin(), plan_.jobs.end(),
                      [](const Job& j) { return j.kind != Job::Kind::Notice; }));
    const std::size_t count = std::clamp<std::size_t>(std::min<std::size_t>(cores, 4), 1,
                                                      std::max<std::size_t>(fileJobs, 1));
    std::vector<std::unique_ptr<Win32Source>> sources;
    for (std::size_t i = 0; i < count; ++i)
        sources.push_back(std::make_unique<Win32Source>(archivePath));

    // Whatever happens on this thread (a callback may throw), the workers are stopped.
    struct Joiner {
        Runner& r;
        ~Joiner() { r.StopWorkers(); }
    } joiner{*this};
    for (auto& source : sources)
        workers_.emplace_back([this, &source] { Work(*source); });

    for (std::size_t i = 0; i < plan_.jobs.size(); ++i) {
        ReportJob(i, reporter, result);
        reported_ = i + 1;
        WakeWorkers();
        if (reporter.StopRequested()) {
            result.stopped = true;
            break;
        }
    }
    StopWorkers();
    // Files a worker extracted beyond the point of the stop are on disk; count them.
    if (result.stopped && !request_.test)
        for (std::size_t i = reported_; i < states_.size(); ++i)
            if (states_[i].finished && states_[i].succeeded) ++result.processed;
    return result;
}

} // namespace

PipelineResult RunPipeline(const Plan& plan, const Request& request,
                           const std::wstring& archivePath, zipcore::Passwords passwords,
                           Reporter& reporter) {
    Runner runner(plan, request, passwords);
    return runner.Run(archivePath, reporter);
}

} // namespace unzeng
