#pragma once
// The files of a tree copy between the walk and the report. Private to the
// engine. The walk hands them over in its order; workers copy several at a
// time; the caller's thread reports each in that same order, once it is done,
// exactly as a copy of one file at a time would: the file's line, its bar
// while it is the one being reported, its outcome, the overall bar, a yield.
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
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "copy/tree_copy.h"

namespace vorlan {

// The per-file bar of a file of `size` bytes with `written` of them copied:
// the share written, rounded up to a whole percent (a file with less than 1 %
// left shows 100). Nothing before its first bytes, so an empty file never moves it.
std::optional<double> share_written(std::uint64_t written, std::uint64_t size);

class CopyQueue {
public:
    // Reports through `events` and into `results`; the files add up to
    // `total_size` bytes for the overall bar. `abandoned` is the run's flag,
    // which the workers read and abandon() sets.
    CopyQueue(FileSystem& fs, CopyEvents& events, CopyResults& results, std::atomic<bool>& abandoned,
              std::uint64_t total_size);
    ~CopyQueue();  // abandons whatever has not been reported
    CopyQueue(const CopyQueue&) = delete;
    CopyQueue& operator=(const CopyQueue&) = delete;

    // A file to copy from `source` to `dest`, of `size` bytes by the listing.
    // Handing a file over is no mere hand-off: while kAhead files wait to be
    // reported, the oldest are reported first, with all their events, and
    // then it yields once, so the window is pumped inside, and whatever a
    // yield may do (see WalkEvents) may happen here.
    void copy(const std::string& source, const std::string& dest, bool dest_may_exist, std::uint64_t size);
    // A file (or, with `is_file` false, a folder) that is not copied, for
    // `reason`. Like copy(), it may report files handed over before.
    void refuse(const std::string& source, const std::string& reason, std::uint64_t size, bool is_file);
    // Reports everything handed over; false when the run was abandoned.
    bool finish();

    void hold(bool held);
    // Sets the run's flag and returns once every worker has stopped and
    // removed what it was writing.
    void abandon();

private:
    static constexpr std::uint64_t kLarge = 4 << 20;
    // Enough that a file slower than the rest holds up the report, not the
    // workers behind it.
    static constexpr std::size_t kAhead = 1024;
    // Files copied at the same time (large files one at a time all the same):
    // many small files copy faster several at a time.
    static constexpr int kWorkers = 4;

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

    FileSystem& fs_;
    CopyEvents& events_;
    CopyResults& results_;
    std::atomic<bool>& abandoned_;
    const std::uint64_t total_size_;
    double done_share_ = 0;  // of the overall bar, before rounding

    std::deque<std::unique_ptr<Item>> ahead_;  // handed over, not yet reported, in walk order
    std::mutex mutex_;
    std::condition_variable work_to_do_;
    std::deque<Item*> waiting_;  // copies not yet started, oldest first
    bool held_ = false, stopping_ = false, large_in_flight_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace vorlan
