// Worker threads that run jobs in the order they were submitted, while the owner takes the
// results strictly in that order. A job nobody has started yet when the owner needs it runs
// on the owner's thread, so the owner never sits idle behind a queue. Each thread (the
// owner's too) has its own Context, so jobs can keep expensive state such as a deflate
// stream from one job to the next.
#pragma once

#include "dlls/common/FastSync.h"
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zipeng {

template <class Context> class WorkPool {
public:
    using Job = std::function<void(Context&)>;

    explicit WorkPool(unsigned workers) {
        for (unsigned i = 0; i < workers; ++i)
            threads_.emplace_back([this] { WorkerLoop(); });
    }
    ~WorkPool() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            for (Slot& s : slots_)
                if (s.state == State::Queued) s.state = State::Dropped;
        }
        workAvailable_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // Returns the ticket to wait for.
    std::uint64_t Submit(Job job) {
        std::uint64_t ticket;
        {
            std::lock_guard lock(mutex_);
            ticket = firstTicket_ + slots_.size();
            slots_.push_back(Slot{std::move(job), State::Queued, nullptr});
        }
        workAvailable_.notify_one();
        return ticket;
    }

    // Waits for the oldest job not yet waited for, which must be `ticket`, and rethrows what
    // the job threw.
    void Wait(std::uint64_t ticket) {
        std::unique_lock lock(mutex_);
        Slot& slot = slots_.at(static_cast<size_t>(ticket - firstTicket_));
        if (slot.state == State::Queued) {
            slot.state = State::Running;
            Job job = std::move(slot.job);
            lock.unlock();
            std::exception_ptr error;
            try {
                job(ownerContext_);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            slot.error = error;
            slot.state = State::Done;
        }
        jobDone_.wait(lock, [&] { return slot.state == State::Done; });
        std::exception_ptr error = slot.error;
        // Waited-for slots leave the front of the queue.
        while (!slots_.empty() && slots_.front().state == State::Done && firstTicket_ <= ticket) {
            slots_.pop_front();
            ++firstTicket_;
        }
        if (error) std::rethrow_exception(error);
    }

    unsigned Workers() const { return static_cast<unsigned>(threads_.size()); }

private:
    enum class State { Queued, Running, Done, Dropped };
    struct Slot {
        Job job;
        State state;
        std::exception_ptr error;
    };

    void WorkerLoop() {
        Context context;
        std::unique_lock lock(mutex_);
        for (;;) {
            Slot* next = nullptr;
            workAvailable_.wait(lock, [&] {
                if (stopping_) return true;
                for (Slot& s : slots_)
                    if (s.state == State::Queued) {
                        next = &s;
                        return true;
                    }
                return false;
            });
            if (stopping_) return;
            next->state = State::Running;
            Job job = std::move(next->job);
            lock.unlock();
            std::exception_ptr error;
            try {
                job(context);
            } catch (...) {
                error = std::current_exception();
            }
            job = nullptr;
            lock.lock();
            // The slot is still there: only waited-for (done) slots are removed.
            next->error = error;
            next->state = State::Done;
            jobDone_.notify_all();
        }
    }

    ksync::Mutex mutex_;
    ksync::Condition workAvailable_, jobDone_;
    std::deque<Slot> slots_;
    std::uint64_t firstTicket_ = 0;
    bool stopping_ = false;
    Context ownerContext_;
    std::vector<std::thread> threads_;
};

} // namespace zipeng
