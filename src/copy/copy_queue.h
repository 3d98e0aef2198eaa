#pragma once
// The files of a tree copy between the walk and the report. Private to the
// engine. The walk hands them over in its order; workers copy several at a
// time; the caller's thread reports each in that same order, once it is done,
// exactly as a copy of one file at a time would: the file's line, its bar
// while it is the one being reported, its outcome, the overall bar, a yield.
// Once the files of a folder are reported, the folder is looked at (see
// check_folder) and a file that is not there after all is reported missing.
//
// Memory stays bounded whatever the tree: at most kAhead files are handed
// over and not yet reported, and only the workers' files are open, each with
// one chunk's buffer.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "copy/folder_check.h"
#include "copy/sha256.h"
#include "copy/tree_copy.h"

namespace vorlan {

// The per-file bar of a file of `size` bytes with `written` of them copied:
// the share written, rounded up to a whole percent (a file with less than 1 %
// left shows 100). Nothing before its first bytes, so an empty file never moves it.
std::optional<double> share_written(std::uint64_t written, std::uint64_t size);

class CopyQueue {
public:
    // Reports through `events` and into `results`; the files add up to
    // `total_size` bytes for the overall bar; up to `workers` files are
    // copied at the same time (large files one at a time all the same).
    // With `update`, see CopyCheck::update; with `listed`, a file handed
    // over without a digest is noted as not checked.
    CopyQueue(FileSystem& fs, CopyEvents& events, CopyResults& results, std::uint64_t total_size, int workers,
              bool update = false, bool listed = false);
    // Abandons whatever has not been reported. Never while stuck().
    ~CopyQueue();
    CopyQueue(const CopyQueue&) = delete;
    CopyQueue& operator=(const CopyQueue&) = delete;

    // A file to copy from `source` to `dest`, of `size` bytes by the listing.
    // Handing a file over is no mere hand-off: while kAhead files wait to be
    // reported, the oldest are reported first, with all their events, and
    // then it yields once, so the window is pumped inside, and whatever a
    // yield may do (see WalkEvents) may happen here.
    // `expected`, when not null, lives as long as the queue.
    void copy(const std::string& source, const std::string& dest, bool dest_may_exist, std::uint64_t size,
              const Sha256Digest* expected = nullptr);
    // A file (or, with `is_file` false, a folder) that is not copied, for
    // `reason`. Like copy(), it may report files handed over before.
    void refuse(const std::string& source, const std::string& reason, std::uint64_t size, bool is_file);
    // Every file of the destination folder `folder` has been handed over.
    void folder_done(const std::string& folder);
    // Reports everything handed over; false when the run was abandoned, or
    // could not go on (`why_stopped()`).
    bool finish();
    // Empty, or why the queue stopped of itself.
    const std::string& why_stopped() const { return why_stopped_; }

    void hold(bool held);
    // Sets the run's flag, cancels the reads in flight and returns once every
    // worker has stopped and removed what it was writing; or, should a read
    // stay held by a medium that ends no read, after kGiveUp all the same.
    // The queue is then stuck(): its workers still use it, so it must be left
    // alive, and the process is expected to end (the system removes what the
    // workers were writing).
    void abandon();
    bool abandoned() const { return abandoned_; }
    bool stuck() const { return stuck_; }

private:
    static constexpr std::uint64_t kLarge = 4 << 20;
    // Enough that a file slower than the rest holds up the report, not the
    // workers behind it.
    static constexpr std::size_t kAhead = 1024;
    // The program ends within two seconds of "Cancelar" whatever the medium does.
    static constexpr std::chrono::milliseconds kGiveUp{1500};

    struct Item {
        enum class Kind { Copy, Refusal, FolderCheck } kind = Kind::Copy;
        std::string source, dest;  // a folder check: `dest` is the folder
        std::uint64_t size = 0;    // by the listing, for the overall bar
        bool is_file = true, dest_may_exist = false;
        const Sha256Digest* expected = nullptr;
        // Written by the worker; what follows `finished` before it is set.
        std::atomic<std::uint64_t> written{0}, total{0};
        std::atomic<bool> finished{false};
        bool ok = false, unchanged = false;
        std::uint64_t bytes = 0;
        std::string reason;
        const char* fixed_reason = nullptr;  // a reason that needed no memory (there was none)
        InputFile* reading = nullptr;        // the source while it is open; guarded by mutex_
    };
    class WorkerProgress;

    std::deque<Item*>::iterator startable();
    void hand_over(std::unique_ptr<Item> item);
    bool start_workers();
    void report_front();
    void check_written(const std::string& folder);
    void work();
    void copy_one(Item& item) noexcept;
    void stop_workers();

    FileSystem& fs_;
    CopyEvents& events_;
    CopyResults& results_;
    const std::uint64_t total_size_;
    const int most_workers_;
    const bool update_, listed_;
    double done_share_ = 0;  // of the overall bar, before rounding
    // Read by the workers at every chunk.
    std::atomic<bool> abandoned_{false};
    bool stuck_ = false;
    std::string why_stopped_;

    std::deque<std::unique_ptr<Item>> ahead_;  // handed over, not yet reported, in walk order
    std::vector<WrittenFile> written_;         // reported, of the folder being reported
    std::mutex mutex_;
    std::condition_variable work_to_do_, worker_done_;
    std::deque<Item*> waiting_;  // copies not yet started, oldest first
    int busy_ = 0;               // workers in the middle of a file
    bool held_ = false, stopping_ = false, large_in_flight_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace vorlan
