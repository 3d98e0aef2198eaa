#include "copy/grant.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "copy/paths.h"

namespace vorlan {

namespace {

// A yield per folder alone would leave the window unanswered for the whole
// grant of a folder of thousands of files.
constexpr int kEntriesPerYield = 64;
// Threads that grant at once, the walking thread among them: as many as the
// copy's workers.
constexpr int kGrantThreads = 4;

const char* const kLink =
    "Es una unión, un vínculo simbólico o un punto de montaje: no se dan permisos a través de él.";
const char* const kChanged = "Ha cambiado mientras se daban los permisos: no se le dan.";

std::string other_names(std::uint32_t names) {
    return "El archivo tiene " + std::to_string(names) +
           " nombres (vínculos físicos), y sus permisos son los de todos ellos: no se le dan.";
}

bool listed_as_link(const Entry& e) { return (e.attributes & ATTR_REPARSE_POINT) != 0; }

// What the grant of one file of a folder came to.
struct Outcome {
    bool granted = false;
    std::string why;  // why not, when it was not
};

// A folder of the walk, held while what is in it is walked, with what the
// grant of each of its files came to (by the entry's place in `entries`).
struct Level {
    std::unique_ptr<HeldEntry> folder;
    std::string path;
    std::vector<Entry> entries;
    std::vector<Outcome> outcomes;
    std::size_t next = 0;
};

// The folder at `path`, and every folder above it from the volume's root
// down, each held and checked; the last is `path`'s. False, with why, when
// one cannot be held, is no folder or is a link. Under Wine a link shows in
// the folder's attributes and not through its handle; on Windows in both.
bool hold_down_to(FileSystem& fs, const std::string& path, std::vector<std::unique_ptr<HeldEntry>>* held,
                  std::string* err) {
    std::vector<std::string> chain;
    const std::size_t volume = root_length(path);
    if (volume != 0 && volume < path.size()) {
        chain.push_back(path.substr(0, volume));
        for (std::size_t at = path.find('\\', volume); at != std::string::npos; at = path.find('\\', at + 1))
            chain.push_back(path.substr(0, at));
    }
    chain.push_back(path);
    for (const std::string& folder : chain) {
        std::string reason;
        std::unique_ptr<HeldEntry> entry = fs.hold(folder, folder == path ? Hold::Folder : Hold::Above, &reason);
        std::uint32_t attrs = 0;
        if (!entry) {
            *err = "No se puede abrir la carpeta " + folder + ": " + reason;
        } else if (entry->facts().is_link || (fs.attributes(folder, &attrs) && (attrs & ATTR_REPARSE_POINT))) {
            *err = "La carpeta " + folder +
                   " es una unión, un vínculo simbólico o un punto de montaje: no se dan permisos a través de ella.";
        } else if (!entry->facts().is_folder) {
            *err = folder + " no es una carpeta.";
        } else {
            held->push_back(std::move(entry));
            continue;
        }
        return false;
    }
    return true;
}

// Grants the entry `e` at `path` if it may be, saying why not in `*why`;
// gives back the held folder when it is one to walk (granted or not, as
// one whose change is refused may hold entries that can be changed).
std::unique_ptr<HeldEntry> grant_entry(FileSystem& fs, const Entry& e, const std::string& path, bool* granted,
                                       std::string* why) {
    if (listed_as_link(e)) {
        *why = kLink;
        return nullptr;
    }
    std::unique_ptr<HeldEntry> held = fs.hold(path, e.is_folder ? Hold::Folder : Hold::File, why);
    if (!held) return nullptr;
    const HeldFacts& facts = held->facts();
    if (facts.is_link) {
        *why = kLink;
        return nullptr;
    }
    if (facts.is_folder != e.is_folder) {
        *why = kChanged;
        return nullptr;
    }
    if (!facts.is_folder && facts.names > 1) {
        *why = other_names(facts.names);
    } else {
        *granted = held->grant_all_users(why);
    }
    return facts.is_folder ? std::move(held) : nullptr;
}

// Threads that grant the files of one folder at a time beside the walking
// thread. Each grant is a handful of requests that wait on the system (under
// Wine, round trips through its server, which answers one at a time but
// overlaps the waits of several threads); one thread alone waited them out
// one after another for every file of the tree. Folders stay with the
// walking thread, which holds the folders above while their files are
// granted and reports every outcome in the order of the listing.
class FileGranters {
public:
    // As many helpers as the system gives, up to `helpers`: with none, the
    // walking thread grants every file itself.
    FileGranters(FileSystem& fs, int helpers) : fs_(fs) {
        try {
            for (int i = 0; i < helpers; ++i) threads_.emplace_back([this] { help(); });
        } catch (const std::exception&) {
            // A thread that cannot start (out of memory or of threads).
        }
    }
    ~FileGranters() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_) t.join();
    }
    FileGranters(const FileGranters&) = delete;
    FileGranters& operator=(const FileGranters&) = delete;

    // Grants the files of `level` (whose folder the caller holds), the
    // caller's thread taking its share and yielding every few entries.
    void grant_files(Level& level, WalkEvents& events) {
        level.outcomes.assign(level.entries.size(), {});
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            level_ = &level;
            next_ = 0;
            ++batch_;
        }
        if (level.entries.size() > 1) wake_.notify_all();
        try {
            // Every few entries taken by any thread: the window waits as long
            // between two yields as it did when one thread granted them all.
            std::size_t yielded_at = 0;
            while (take_one()) {
                const std::size_t taken = next_.load();
                if (taken - yielded_at >= kEntriesPerYield) {
                    events.yield();
                    yielded_at = taken;
                }
            }
        } catch (...) {
            next_ = level.entries.size();  // the helpers stop after the file each has in hand
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!thrown_) thrown_ = std::current_exception();
        }
        std::exception_ptr thrown;
        {
            // No helper enters the batch once it is closed, so none touches
            // the level after this returns.
            std::unique_lock<std::mutex> lock(mutex_);
            done_.wait(lock, [this] { return busy_ == 0; });
            level_ = nullptr;
            thrown = std::exchange(thrown_, nullptr);
        }
        if (thrown) std::rethrow_exception(thrown);
    }

private:
    // Grants the next file of the batch not yet taken; false when none is left.
    bool take_one() {
        const std::size_t i = next_.fetch_add(1);
        if (i >= level_->entries.size()) return false;
        const Entry& e = level_->entries[i];
        if (!e.is_folder) {
            Outcome& out = level_->outcomes[i];
            grant_entry(fs_, e, child_path(level_->path, e.name), &out.granted, &out.why);
        }
        return true;
    }

    void help() {
        std::uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || (level_ && batch_ != seen); });
            if (stopping_) return;
            seen = batch_;
            ++busy_;
            lock.unlock();
            try {
                while (take_one()) {
                }
            } catch (...) {
                const std::lock_guard<std::mutex> held(mutex_);
                if (!thrown_) thrown_ = std::current_exception();
            }
            lock.lock();
            if (--busy_ == 0) done_.notify_all();
        }
    }

    FileSystem& fs_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    Level* level_ = nullptr;  // the batch; none between batches
    std::atomic<std::size_t> next_{0};
    std::uint64_t batch_ = 0;
    int busy_ = 0;  // helpers in the batch
    bool stopping_ = false;
    std::exception_ptr thrown_;
    std::vector<std::thread> threads_;
};

// Lists a folder into a new level of the walk and grants its files; a folder
// whose entries cannot be read leaves them without the grant, which is said.
Level opened(std::unique_ptr<HeldEntry> folder, const std::string& path, FileGranters& granters, WalkEvents& events,
             GrantResult* result) {
    Level level{std::move(folder), path, {}, {}, 0};
    std::string reason;
    if (!level.folder->list(&level.entries, &reason))
        result->not_granted.push_back({path, "No se pueden leer sus entradas para darles permisos: " + reason});
    granters.grant_files(level, events);
    return level;
}

}  // namespace

bool grant_all_users(FileSystem& fs, WalkEvents& events, const std::string& root, GrantResult* result,
                     std::string* err) {
    *result = {};
    std::string path = collapse_separators(root);
    while (path.size() > 1 && path.back() == '\\' && root_length(path) < path.size()) path.pop_back();
    std::vector<std::unique_ptr<HeldEntry>> above;
    if (!hold_down_to(fs, path, &above, err)) return false;
    std::unique_ptr<HeldEntry> top = std::move(above.back());
    above.pop_back();

    std::string reason;
    if (top->grant_all_users(&reason)) {
        ++result->granted;
    } else {
        result->not_granted.push_back({path, reason});
    }
    FileGranters granters(fs, kGrantThreads - 1);
    // Folders held from the root down to the one being walked; no recursion:
    // a tree may be thousands of folders deep.
    std::vector<Level> levels;
    levels.push_back(opened(std::move(top), path, granters, events, result));
    events.yield();
    int since_yield = 0;
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.entries.size()) {
            levels.pop_back();
            continue;
        }
        const std::size_t i = level.next++;
        const Entry& e = level.entries[i];
        const std::string entry_path = child_path(level.path, e.name);
        if (!e.is_folder) {
            Outcome& out = level.outcomes[i];
            if (out.granted) ++result->granted;
            if (!out.why.empty()) result->not_granted.push_back({entry_path, std::move(out.why)});
            continue;
        }
        bool granted = false;
        std::string why;
        std::unique_ptr<HeldEntry> folder = grant_entry(fs, e, entry_path, &granted, &why);
        if (granted) ++result->granted;
        if (!why.empty()) result->not_granted.push_back({entry_path, why});
        if (folder) {
            levels.push_back(opened(std::move(folder), entry_path, granters, events, result));
            events.yield();
            since_yield = 0;
        } else if (++since_yield == kEntriesPerYield) {
            events.yield();
            since_yield = 0;
        }
    }
    return true;
}

}  // namespace vorlan
