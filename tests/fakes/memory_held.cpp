// The in-memory file system's entries held as themselves, their grants and
// their identities.

#include <gtest/gtest.h>

#include <cctype>
#include <thread>
#include <utility>

#include "fakes/memory_file_system.h"
#include "fakes/memory_stream.h"

namespace vorlan::test {

using namespace memory;

using Node = MemoryFileSystem::Node;

// An entry held: it looks at the node of its path at each call, which no
// test swaps while it is held.
class MemoryHeld : public HeldEntry {
public:
    MemoryHeld(MemoryFileSystem& fs, std::string path, Hold as, HeldFacts facts)
        : fs_(fs), path_(std::move(path)), as_(as), facts_(facts) {}
    const HeldFacts& facts() const override { return facts_; }
    bool list(std::vector<Entry>* out, std::string* err) override { return fs_.list(path_, out, err); }
    bool grant_all_users(std::string* err) override {
        bool slow = false;
        {
            const Lock lock(fs_.mutex_);
            slow = fs_.faults_[MemoryFileSystem::key(path_)].grant_slow;
        }
        if (slow) {
            const int now = ++fs_.slow_grants;
            for (int most = fs_.most_slow_grants;
                 most < now && !fs_.most_slow_grants.compare_exchange_weak(most, now);) {
            }
            std::this_thread::sleep_for(MemoryFileSystem::kSlowGrant);  // unlocked: others go on meanwhile
            --fs_.slow_grants;
        }
        const Lock lock(fs_.mutex_);
        Node* node = fs_.find(path_);
        if (!node) return fail(err, kNotFound);
        if (fs_.faults_[MemoryFileSystem::key(path_)].grant_fails) return fail(err, kAccessDenied);
        // Counted all the same, so that the test sees where the grant went.
        if (as_ == Hold::Above) ADD_FAILURE() << "granted through a hold for looking only: " << path_;
        ++node->grants;
        return true;
    }

private:
    MemoryFileSystem& fs_;
    std::string path_;
    Hold as_;
    HeldFacts facts_;
};

std::unique_ptr<HeldEntry> MemoryFileSystem::hold(const std::string& path, Hold as, std::string* err) {
    const Lock lock(mutex_);
    const Node* node = find(path);
    if (!node) return fail(err, kNotFound), nullptr;
    const Faults& f = faults_[key(path)];
    if (f.held) return fail(err, kSharing), nullptr;
    const bool link = f.link_to_handle.value_or((node->attrs & ATTR_REPARSE_POINT) != 0);
    return std::make_unique<MemoryHeld>(*this, path, as, HeldFacts{node->folder, link, node->names});
}

bool MemoryFileSystem::identify(const std::string& path, FileId* id) {
    const Lock lock(mutex_);
    std::string k = key(path);
    for (const auto& [alias, target] : aliases_)
        if (k == alias || k.starts_with(alias + "\\")) k = target + k.substr(alias.size());
    const Node* node = find(k);
    if (!node || k.empty()) return false;
    *id = {static_cast<std::uint64_t>(std::tolower(static_cast<unsigned char>(k[0]))), 0, node->id};
    return true;
}

void MemoryFileSystem::set_names(const std::string& path, std::uint32_t names) {
    const Lock lock(mutex_);
    if (Node* node = find(path)) node->names = names;
    else ADD_FAILURE() << "nothing at " << path;
}

int MemoryFileSystem::grants(const std::string& path) const {
    const Lock lock(mutex_);
    const Node* node = find(path);
    return node ? node->grants : 0;
}

}  // namespace vorlan::test
