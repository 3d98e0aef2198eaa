#include "fakes/memory_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace vorlan::test {

using namespace memory;

MemoryStream::MemoryStream(MemoryFileSystem& fs, Node& node, const Faults& faults, bool provisional, bool reading)
    : fs_(fs), node_(&node), faults_(faults), provisional_(provisional), reading_(reading) {
    limit_ = std::min(node.size(), faults.shrinks_to.value_or(node.size())) + faults.grows_by;
    node.provisional = provisional;
    ++fs_.open_;
    ++node.open;
    if (reading_) fs_.most_reads_ = std::max(fs_.most_reads_, ++fs_.reads_);
}

MemoryStream::~MemoryStream() {
    close(nullptr);
    // Not kept: gone, as the system removes a file marked for deletion.
    const Lock lock(fs_.mutex_);
    if (provisional_) fs_.erase(MemoryFileSystem::key(node_->path));
}

std::uint64_t MemoryStream::size() const { return node_->size(); }

std::uint64_t MemoryStream::last_write() const {
    const Lock lock(fs_.mutex_);
    return node_->last_write;
}

bool MemoryStream::read(void* buf, std::size_t n, std::size_t* got, std::string* err) {
    *got = 0;
    if (calls_ + 1 == faults_.stalls_at) {
        ++fs_.stalled;
        std::this_thread::sleep_for(MemoryFileSystem::kStall);
        --fs_.stalled;
    }
    if (faults_.read_blocks) {
        // As a drive gives up in the end; long enough that only a cancel ends it in a test.
        std::unique_lock<std::mutex> lock(cancel_mutex_);
        ++fs_.stalled;
        const bool ended =
            cancelled_signal_.wait_for(lock, std::chrono::seconds(5), [this] { return cancelled_.load(); });
        --fs_.stalled;
        if (!ended) return fail(err, kDeviceError);
    }
    if (cancelled_) return fail(err, kCancelled);
    const Lock lock(fs_.mutex_);
    if (++calls_ == faults_.read_fails_at) return fail(err, "Error de datos (comprobación de redundancia cíclica).");
    *got = static_cast<std::size_t>(std::min<std::uint64_t>(n, limit_ - pos_));
    node_->read_at(static_cast<char*>(buf), pos_, *got);
    pos_ += *got;
    return true;
}

void MemoryStream::cancel() {
    {
        const std::lock_guard<std::mutex> lock(cancel_mutex_);
        cancelled_ = true;
    }
    cancelled_signal_.notify_all();
}

bool MemoryStream::write(const void* buf, std::size_t n, std::string* err) {
    const Lock lock(fs_.mutex_);
    EXPECT_TRUE(open_) << "write after close";
    if (!open_ || ++calls_ == faults_.write_fails_at) return fail(err, kDeviceError);
    const std::size_t fits = fs_.space ? static_cast<std::size_t>(std::min<std::uint64_t>(n, *fs_.space)) : n;
    node_->append(static_cast<const char*>(buf), fits);  // a full disk takes what fits, then refuses
    node_->last_write = ++fs_.clock_;
    if (fs_.space) *fs_.space -= fits;
    flushed_ = false;
    return fits == n || fail(err, "No hay espacio suficiente en el disco.");
}

bool MemoryStream::close(std::string* err) {
    const Lock lock(fs_.mutex_);
    if (!std::exchange(open_, false)) return true;
    --fs_.open_;
    --node_->open;
    if (reading_) --fs_.reads_;
    return !faults_.close_fails || fail(err, kDeviceError);
}

bool MemoryStream::flush(std::string*) {
    flushed_ = true;
    return true;
}

bool MemoryStream::set_last_write(std::uint64_t time, std::string*) {
    const Lock lock(fs_.mutex_);
    node_->last_write = time;
    return true;
}

bool MemoryStream::keep(std::string* err) {
    const Lock lock(fs_.mutex_);
    if (!close(err)) return false;
    node_->provisional = provisional_ = false;
    return true;
}

// As a rename onto the older file: refused for a read-only or open one; a
// name that reaches another file by its short name replaces that file.
bool MemoryStream::keep_as(const std::string& older, std::string* err) {
    const Lock lock(fs_.mutex_);
    if (const char* why = fs_.refusal(older, ATTR_READONLY, true); why && why != kNotFound) return fail(err, why);
    if (!close(err)) return false;
    if (!flushed_) ++fs_.unflushed_replaces;
    if (const Node* old = fs_.find(older); old && fs_.space) *fs_.space += old->size();
    if (const Node* old = fs_.find(older)) fs_.erase(MemoryFileSystem::key(old->path));
    Node moved = std::move(fs_.nodes_.at(MemoryFileSystem::key(node_->path)));
    fs_.erase(MemoryFileSystem::key(node_->path));
    moved.path = normal_path(older);
    moved.provisional = provisional_ = false;
    moved.short_name.clear();
    node_ = &(fs_.nodes_[MemoryFileSystem::key(older)] = std::move(moved));
    fs_.name_briefly(*node_);
    return true;
}

}  // namespace vorlan::test
