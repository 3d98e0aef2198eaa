#include "copy/copy_queue.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "copy/file_copy.h"

namespace vorlan {

namespace {

// While the file being reported is still being copied, the caller's thread
// looks at its progress and yields this often. It sleeps rather than waits to
// be woken: under Wine a wake-up is a round trip through the Wine server,
// which the workers' file calls keep busy. Not less than a millisecond:
// the thread library turns a shorter sleep into Sleep(0), and the window's
// thread then spun, taking the processor the workers need.
constexpr std::chrono::milliseconds kPoll{1};

// How often an abandoned run cancels the reads still in flight: a cancel
// that comes just before a read begins does not end it.
constexpr std::chrono::milliseconds kCancelAgain{50};

// Reasons for an exception that left the copy of a file: the file fails, the
// run goes on. Fixed texts, which take no memory when there is none.
const char* const kNoMemory = "No hay memoria suficiente para copiar el archivo.";
const char* const kUnexpected = "Error inesperado al copiar el archivo.";

std::string last_step(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

}  // namespace

std::optional<double> share_written(std::uint64_t written, std::uint64_t size) {
    written = std::min(written, size);
    if (written == 0) return std::nullopt;
    // From what remains, as the bar of a copy of one block at a time was
    // computed: its values are the ones users know.
    return 100.0 - std::floor(static_cast<double>(size - written) * 100.0 / static_cast<double>(size));
}

class CopyQueue::WorkerProgress : public CopyProgress {
public:
    WorkerProgress(CopyQueue& queue, Item& item) : queue_(queue), item_(item) {}
    bool advanced(std::uint64_t written, std::uint64_t size) override {
        item_.total.store(size, std::memory_order_relaxed);
        item_.written.store(written, std::memory_order_relaxed);
        return !queue_.abandoned_.load(std::memory_order_relaxed);
    }
    void reading(InputFile* source) override {
        const std::lock_guard<std::mutex> lock(queue_.mutex_);
        item_.reading = source;
        // Abandoned before the source was open: its first read fails at once.
        if (source && queue_.abandoned_) source->cancel();
    }

private:
    CopyQueue& queue_;
    Item& item_;
};

CopyQueue::CopyQueue(FileSystem& fs, CopyEvents& events, CopyResults& results, std::uint64_t total_size, int workers,
                     bool update, bool listed)
    : fs_(fs),
      events_(events),
      results_(results),
      total_size_(total_size),
      most_workers_(workers),
      update_(update),
      listed_(listed) {}

CopyQueue::~CopyQueue() {
    if (!workers_.empty()) abandon();
}

void CopyQueue::copy(const std::string& source, const std::string& dest, bool dest_may_exist, std::uint64_t size,
                     const Sha256Digest* expected) {
    auto item = std::make_unique<Item>();
    item->expected = expected;
    item->source = source;
    item->dest = dest;
    item->size = size;
    item->dest_may_exist = dest_may_exist;
    hand_over(std::move(item));
}

void CopyQueue::refuse(const std::string& source, const std::string& reason, std::uint64_t size, bool is_file) {
    auto item = std::make_unique<Item>();
    item->kind = Item::Kind::Refusal;
    item->source = source;
    item->size = size;
    item->is_file = is_file;
    item->finished = true;
    item->reason = reason;
    hand_over(std::move(item));
}

void CopyQueue::folder_done(const std::string& folder) {
    auto item = std::make_unique<Item>();
    item->kind = Item::Kind::FolderCheck;
    item->dest = folder;
    item->finished = true;
    hand_over(std::move(item));
}

void CopyQueue::hand_over(std::unique_ptr<Item> item) {
    while (ahead_.size() >= kAhead && !abandoned_) report_front();
    if (abandoned_) return;
    Item* waiting = item->kind == Item::Kind::Copy ? item.get() : nullptr;
    ahead_.push_back(std::move(item));
    if (!waiting) return;
    if (workers_.empty() && !start_workers()) return;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(waiting);
    }
    work_to_do_.notify_one();
    // Handing over the first thousand files of a tree is a walk of its own.
    events_.yield();
}

// As many workers as the system gives, up to most_workers_; with none, the run
// stops before any file is written.
bool CopyQueue::start_workers() {
    try {
        for (int i = 0; i < most_workers_; ++i) workers_.emplace_back([this] { work(); });
    } catch (const std::exception&) {
        // A thread that cannot start (out of memory or of threads).
    }
    if (!workers_.empty()) return true;
    why_stopped_ = "No se ha podido empezar la copia: el sistema no deja crear los hilos que copian los archivos.";
    abandon();
    return false;
}

bool CopyQueue::finish() {
    while (!ahead_.empty() && !abandoned_) report_front();
    if (!abandoned_) stop_workers();
    return !abandoned_;
}

void CopyQueue::report_front() {
    // The item stays in the queue until it is reported: should a yield end in
    // an exception while a worker still copies it, the destructor abandons
    // the copy before the item goes.
    Item* const item = ahead_.front().get();
    if (item->kind == Item::Kind::FolderCheck) {
        check_written(item->dest);
        ahead_.pop_front();
        return;
    }
    const bool copied = item->kind == Item::Kind::Copy;
    CopyEvents& events = events_;
    events.file_started(item->source);
    if (copied) {
        // The bar shows the share of this file written so far, as a copy of
        // one file at a time would at its last block.
        double shown = -1;
        while (!item->finished.load(std::memory_order_acquire)) {
            const std::optional<double> share = share_written(item->written.load(std::memory_order_relaxed),
                                                              item->total.load(std::memory_order_relaxed));
            if (share && *share != shown) events.file_progress(shown = *share);
            events.yield();
            std::this_thread::sleep_for(kPoll);
        }
    }
    if (abandoned_) return;
    if (copied) events.file_progress(0);
    const std::string& reason = item->fixed_reason ? std::string(item->fixed_reason) : item->reason;
    if (item->ok) {
        ++results_.copied;
        if (item->unchanged) ++results_.unchanged;
        else results_.bytes += item->bytes;
        if (item->unchanged) events.file_noted(item->source, FileNote::Unchanged);
        else if (copied && listed_ && !item->expected) events.file_noted(item->source, FileNote::Unchecked);
    } else {
        results_.failures.push_back({item->source, reason});
    }
    if (copied) written_.push_back({last_step(item->dest), item->source, item->bytes, item->ok, item->unchanged, {}});
    events.file_done(item->source, item->ok, reason);
    if (item->is_file) {
        // Every file empty leaves nothing to measure progress by.
        if (total_size_ > 0) done_share_ += static_cast<double>(item->size) * 100.0 / static_cast<double>(total_size_);
        // The shares of all files add up to 100 only up to rounding, which must
        // not leave the bar at 99; files that grew after the tree was measured
        // would carry the total past the bar's end.
        events.overall_progress(std::clamp(std::floor(done_share_ + 1e-6), 0.0, 100.0));
    }
    ahead_.pop_front();
    events.yield();
}

// Every file of the folder has been reported: what the folder holds now is
// what the run leaves there.
void CopyQueue::check_written(const std::string& folder) {
    check_folder(fs_, folder, &written_);
    for (const WrittenFile& f : written_) {
        if (f.missing.empty()) continue;
        --results_.copied;
        if (f.unchanged) --results_.unchanged;
        else results_.bytes -= f.bytes;
        results_.failures.push_back({f.source, f.missing});
        events_.file_missing(f.source, f.missing);
    }
    written_.clear();
    events_.yield();
}

// The oldest file waiting that may start now: a large file only when no other
// is being copied. Large files gain little from being copied side by side,
// and the window pays for it: in the benchmark's tree of rasters and tiles,
// the window's longest wait under Wine went from a third of a second with
// several at once to a tenth with one at a time.
std::deque<CopyQueue::Item*>::iterator CopyQueue::startable() {
    if (held_) return waiting_.end();
    return std::find_if(waiting_.begin(), waiting_.end(),
                        [this](const Item* item) { return item->size < kLarge || !large_in_flight_; });
}

void CopyQueue::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_to_do_.wait(lock, [this] { return stopping_ || startable() != waiting_.end(); });
        if (stopping_) return;
        const auto next = startable();
        Item* item = *next;
        waiting_.erase(next);
        const bool large = item->size >= kLarge;
        if (large) large_in_flight_ = true;
        ++busy_;
        lock.unlock();
        copy_one(*item);
        lock.lock();
        --busy_;
        worker_done_.notify_all();
        if (large) {
            large_in_flight_ = false;
            work_to_do_.notify_all();
        }
    }
}

// No exception leaves a worker, where it would end the process with files
// half written: it fails the file it came from, and the run goes on.
void CopyQueue::copy_one(Item& item) noexcept {
    WorkerProgress progress(*this, item);
    try {
        std::uint64_t bytes = 0;
        std::string reason;
        bool unchanged = false;
        item.ok = copy_file(fs_, progress, item.source, item.dest, item.dest_may_exist, &bytes, &reason,
                            {item.expected, update_}, &unchanged);
        item.unchanged = unchanged;
        item.bytes = bytes;
        item.reason = std::move(reason);
    } catch (const std::bad_alloc&) {
        item.ok = false;
        item.fixed_reason = kNoMemory;
    } catch (...) {
        item.ok = false;
        item.fixed_reason = kUnexpected;
    }
    item.finished.store(true, std::memory_order_release);
}

void CopyQueue::hold(bool held) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        held_ = held;
    }
    work_to_do_.notify_all();
}

void CopyQueue::abandon() {
    if (stuck_) return;
    std::unique_lock<std::mutex> lock(mutex_);
    abandoned_ = true;
    for (Item* item : waiting_) {
        item->reason = kAbandoned;
        item->finished = true;
    }
    waiting_.clear();
    stopping_ = true;
    work_to_do_.notify_all();
    // A worker in the middle of a file stops at its next chunk and removes
    // what it wrote; one held in a read that the medium does not end has the
    // read cancelled. The wait ends when every one has stopped.
    const auto give_up = std::chrono::steady_clock::now() + kGiveUp;
    while (busy_ > 0 && std::chrono::steady_clock::now() < give_up) {
        for (const std::unique_ptr<Item>& item : ahead_)
            if (item->reading) item->reading->cancel();
        worker_done_.wait_for(lock, kCancelAgain);
    }
    if (busy_ > 0) {
        // Reads the system does not end: the workers are left to it, and so
        // is this queue, which they use.
        stuck_ = true;
        for (std::thread& worker : workers_) worker.detach();
        workers_.clear();
        return;
    }
    lock.unlock();
    stop_workers();
}

void CopyQueue::stop_workers() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    work_to_do_.notify_all();
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
    workers_.clear();
}

}  // namespace vorlan
