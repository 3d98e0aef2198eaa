#pragma once
// An in-memory file system with the Windows rules the core depends on, and
// faults injected per path. Paths are "X:\a\b"; every drive exists; doubled
// separators count as one; names compare as Windows compares them (see
// fold_like_windows; on drive U: exactly); a folder lists its entries in the
// order of their names in upper case. With `short_names`, files and folders
// on drive C: get short 8.3 names as a system volume gives them, which reach
// them as their own names do. A file being written by the copy is provisional until
// kept, as Windows leaves it: `provisional()` says which would go if the
// process ended now.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vorlan::test {

using Lock = std::lock_guard<std::recursive_mutex>;

// Faults of one path, which need not exist when they are set.
struct Faults {
    int read_fails_at = 0, write_fails_at = 0;  // the n-th call (1-based) on each stream fails
    int stalls_at = 0;  // the n-th read waits kStall first, as a slow device would; making a folder, any n
    bool held = false;  // open elsewhere without sharing: no open, delete or create
    bool close_fails = false, list_fails = false;
    bool read_blocks = false;    // a medium that does not answer: every read waits until cancelled (or 5 s)
    bool create_stalls = false;  // create_new waits kStall first, as a slow device would
    bool open_throws = false;    // opening it for reading throws std::bad_alloc
    // lookup answers with the name asked rather than the one stored: a file
    // system that does not say which file a name reached
    bool lookup_echoes = false;
    std::optional<std::uint64_t> shrinks_to;  // opened at its size, then only this many bytes can be read
    std::uint64_t grows_by = 0;               // opened at its size, then this many more can be read
    bool grant_fails = false;                 // its access list cannot be changed
    bool grant_slow = false;                  // its grant waits kSlowGrant first, as the system's requests do
    // What its handle says when it says otherwise than its attributes: a
    // folder swapped for a link after its folder was listed (true), or a link
    // that only its folder's listing shows, as under Wine (false).
    std::optional<bool> link_to_handle;
};

class MemoryFileSystem : public FileSystem {
public:
    ~MemoryFileSystem() override;  // a stream still open fails the test

    bool list(const std::string& folder, std::vector<Entry>* out, std::string* err) override;
    bool attributes(const std::string& path, std::uint32_t* attrs) override;
    bool set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) override;
    bool remove_file(const std::string& path, std::string* err) override;
    std::unique_ptr<InputFile> open_read(const std::string& path, std::string* err) override;
    std::unique_ptr<OutputFile> create(const std::string& path, std::string* err) override;
    bool make_folders(const std::string& path, std::string* err) override;
    bool read_ansi_text(const std::string& path, std::size_t most, std::string* utf8, bool* cut,
                        std::string* err) override;
    bool lookup(const std::string& path, Entry* entry) override;
    std::unique_ptr<NewFile> create_new(const std::string& path, bool* exists, std::string* err) override;
    std::string fold_case(const std::string& text) override;
    bool volume(const std::string& path, Volume* out, std::string* err) override;
    Device device(const std::string&) override { return device_kind; }
    std::unique_ptr<HeldEntry> hold(const std::string& path, Hold as, std::string* err) override;
    bool identify(const std::string& path, FileId* id) override;

    // Missing parents are made; an existing file is replaced.
    void add_folder(const std::string& path, std::uint32_t attrs = 0);
    void add_file(const std::string& path, const std::string& bytes, std::uint32_t attrs = ATTR_ARCHIVE);
    void add_large_file(const std::string& path, std::uint64_t size);  // of zeros

    bool exists(const std::string& path) const {
        const Lock lock(mutex_);
        return find(path) != nullptr;
    }
    bool is_folder(const std::string& path) const {
        const Lock lock(mutex_);
        return find(path) && find(path)->folder;
    }
    bool provisional(const std::string& path) const {
        const Lock lock(mutex_);
        return find(path) && find(path)->provisional;
    }
    std::string short_name_of(const std::string& path) const;  // "" when it has none
    std::string contents(const std::string& path) const;       // of a file that is not there: fails the test
    std::uint32_t attrs_of(const std::string& path) const;     // ATTR_DIRECTORY left out
    bool same_contents(const std::string& a, const std::string& b) const;
    int open_count() const { return open_; }
    int most_open_reads() const { return most_reads_; }  // files open for reading at once, at most
    // When the file was last written: a new file, and every write, take the
    // next tick of a clock of the fake's own, so that no two writes share one.
    std::uint64_t last_write_of(const std::string& path) const { return file(path).last_write; }
    void set_last_write(const std::string& path, std::uint64_t time) {
        const Lock lock(mutex_);
        find(path)->last_write = time;
    }
    std::string describe() const;

    // A file with `names` hard links in all (which the fake does not make).
    void set_names(const std::string& path, std::uint32_t names);
    // A second name that identify() takes for `target`, as a short 8.3 name is.
    void add_alias(const std::string& alias, const std::string& target) { aliases_[key(alias)] = key(target); }
    // How many times all users were given full control of the entry.
    int grants(const std::string& path) const;

    Faults& faults(const std::string& path) { return faults_[key(path)]; }
    std::optional<std::uint64_t> space;  // bytes that can still be written; unset: unlimited, and unknown
    std::uint32_t cluster = 0;           // of the volume, as volume() tells it
    std::string file_system = "NTFS";
    Device device_kind = Device::Unknown;
    bool short_names = false;
    // Files that took an older file's place without being flushed first.
    std::atomic<int> unflushed_replaces{0};
    static constexpr std::chrono::milliseconds kStall{300};
    static constexpr std::chrono::milliseconds kSlowGrant{1};
    std::atomic<int> stalled{0};  // reads waiting in a stall now
    // Slow grants under way now, and the most there were at once.
    std::atomic<int> slow_grants{0}, most_slow_grants{0};

    struct Node {
        std::string path;
        bool folder = false;
        std::uint32_t attrs = 0;  // without ATTR_DIRECTORY
        std::uint64_t zeros = 0;  // the file is `zeros` zero bytes, then `bytes`
        int open = 0;             // streams
        bool provisional = false;
        std::string short_name{};  // with short_names, for a name that is not one
        std::string bytes{};
        std::uint64_t id = 0;     // its FileId's, 0 for a drive
        std::uint32_t names = 1;  // hard links
        int grants = 0;
        std::uint64_t last_write = 0;
        std::uint64_t size() const { return zeros + bytes.size(); }
        void read_at(char* out, std::uint64_t offset, std::size_t n) const;
        void append(const char* data, std::size_t n);
    };

private:
    friend class MemoryStream;
    friend class MemoryHeld;
    static std::string key(const std::string& path);
    std::string resolved(const std::string& key) const;  // short names replaced by the long ones
    Node* find(const std::string& path) const;
    void name_briefly(Node& node);  // gives it a short name, when it needs one
    void erase(const std::string& key);
    const char* refusal(const std::string& path, std::uint32_t attrs, bool deleting);
    Node* readable(const std::string& path, std::string* err);
    Node* place(const std::string& path, bool folder, std::string* err);  // makes missing parents
    const Node& file(const std::string& path) const;

    mutable std::recursive_mutex mutex_;
    mutable std::map<std::string, Node> nodes_;      // by key
    std::map<std::string, std::string> short_keys_;  // the key by a short name, to the key by the long one
    mutable Node drive_{"", true};
    std::map<std::string, Faults> faults_;
    std::map<std::string, std::string> aliases_;  // by key, to the target's key
    std::uint64_t last_id_ = 0;
    std::uint64_t clock_ = 1'000'000;  // see last_write_of
    int open_ = 0;
    int reads_ = 0, most_reads_ = 0;
};

}  // namespace vorlan::test
