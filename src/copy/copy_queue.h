#pragma once
// The files of a tree copy between the walk and the report. The walk hands
// them over in its order; workers copy several at a time; the caller's thread
// reports each in that same order, once it is done, exactly as a copy of one
// file at a time would: the file's line, its bar while it is the one being
// reported, its outcome, the overall bar, a yield.
//
// Memory stays bounded whatever the tree: at most kAhead files are handed
// over and not yet reported, and only the workers' files are open, each with
// one chunk's buffer.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "copy/engine.h"

namespace vorlan {

class CopyQueue {
public:
    CopyQueue(CopyRun& run, double FldSize, double& TamPgrs);
    ~CopyQueue();  // abandons whatever has not been reported
    CopyQueue(const CopyQueue&) = delete;
    CopyQueue& operator=(const CopyQueue&) = delete;

    // A file to copy from `source` to `dest`, of `size` bytes by the listing.
    void copy(const std::string& source, const std::string& dest, bool dest_may_exist, std::uint64_t size);
    // A file (or, with `is_file` false, a folder) that is not copied, for `reason`.
    void refuse(const std::string& source, const std::string& reason, std::uint64_t size, bool is_file);
    // Reports everything handed over; false when the run was abandoned.
    bool finish();

    void hold(bool held);
    void abandon();

private:
    static constexpr std::uint64_t kLarge = 4 << 20;
    // Enough that a file slower than the rest holds up the report, not the
    // workers behind it.
    static constexpr std::size_t kAhead = 1024;

    struct Item {
        std::string source, dest;
        std::uint64_t size = 0;  // by the listing, for the overall bar
        bool is_file = true, copy = false, dest_may_exist = false;
        // Written by the worker; what follows `finished` before it is set.
        std::atomic<std::uint64_t> written{0}, total{0};
        std::atomic<bool> finished{false};
        bool ok = false;
        std::uint64_t bytes = 0;
        std::string reason;
    };
    class WorkerProgress;

    std::deque<Item*>::iterator startable();
    void hand_over(std::unique_ptr<Item> item);
    void report_front();
    void work();
    void stop_workers();

    CopyRun& run_;
    const double FldSize_;
    double& TamPgrs_;

    std::deque<std::unique_ptr<Item>> ahead_;  // handed over, not yet reported, in walk order
    std::mutex mutex_;
    std::condition_variable work_to_do_;
    std::deque<Item*> waiting_;  // copies not yet started, oldest first
    bool held_ = false, stopping_ = false, large_in_flight_ = false;
    std::atomic<bool> abandoned_{false};
    std::vector<std::thread> workers_;
};

}  // namespace vorlan
