#pragma once
// An in-memory file system with the Windows rules the core depends on, and
// faults injected per path. Paths are "X:\a\b" or "\\server\share\a"; every
// drive and share exists. Names are compared without regard to case and kept
// as given; a folder lists its entries in the order they were added.
//
// Large files store no bytes: a file added with add_large_file reads as a
// fixed function of the offset, and a file written past `keep_limit` keeps its
// first bytes and a digest of the rest, so that a copy of several GiB can
// still be checked byte for byte with same_contents().

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

namespace vorlan::test {

// Faults of one path. The path need not exist when they are set.
struct Faults {
    int read_fails_at = 0;   // the n-th read (1-based) of each stream opened here fails
    int write_fails_at = 0;  // the n-th write of each stream created here fails
    bool held = false;       // held by another program without read sharing: no open, delete or create
    std::optional<std::uint64_t> shrinks_to;  // opened at its size, then only this many bytes can be read
    std::uint64_t grows_by = 0;               // opened at its size, then this many more bytes can be read
    bool close_fails = false;
    bool list_fails = false;             // a folder whose entries cannot be listed
    bool make_folder_refused = false;    // make_folders cannot create this folder
    bool set_attributes_fails = false;
};

class MemoryFileSystem : public FileSystem {
public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;
    MemoryFileSystem(const MemoryFileSystem&) = delete;
    MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

    bool list(const std::string& folder, std::vector<Entry>* out, std::string* err) override;
    bool attributes(const std::string& path, std::uint32_t* attrs) override;
    bool set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) override;
    bool remove_file(const std::string& path, std::string* err) override;
    std::unique_ptr<InputFile> open_read(const std::string& path, std::string* err) override;
    std::unique_ptr<OutputFile> create(const std::string& path, std::string* err) override;
    bool make_folders(const std::string& path, std::string* err) override;
    bool read_ansi_text(const std::string& path, std::string* utf8, std::string* err) override;

    // Setting up. Missing parents are created; an existing file is replaced.
    void add_folder(const std::string& path, std::uint32_t attrs = 0);
    void add_file(const std::string& path, const std::string& bytes, std::uint32_t attrs = ATTR_ARCHIVE);
    void add_large_file(const std::string& path, std::uint64_t size, std::uint32_t attrs = ATTR_ARCHIVE);

    // Looking.
    bool exists(const std::string& path) const;
    bool is_folder(const std::string& path) const;
    // The bytes of a file (only the first `keep_limit` of a larger written
    // file, none of a large added one).
    std::string contents(const std::string& path) const;
    std::uint64_t size_of(const std::string& path) const;
    // The attribute bits set on a file or folder, ATTR_DIRECTORY left out: 0 when none.
    std::uint32_t attrs_of(const std::string& path) const;
    // Whether two files hold the same bytes, whatever their size.
    bool same_contents(const std::string& a, const std::string& b) const;
    // Streams open now, for reading or writing.
    int open_count() const { return open_streams_; }
    // The whole tree with sizes, attributes, open streams and faults.
    std::string describe() const;

    Faults& faults(const std::string& path);
    void fail_listing(const std::string& folder) { faults(folder).list_fails = true; }
    // Bytes that can still be written; unset means unlimited. Removing or
    // truncating a file gives its bytes back.
    std::optional<std::uint64_t> free_space;

    // Every open, create, remove, make_folders and set_attributes, in order,
    // as "open C:\a", "create ...", "remove ...", "make_folders ...", "set_attributes ...".
    std::vector<std::string> operations;
    std::uint64_t read_calls = 0;
    std::uint64_t write_calls = 0;
    std::size_t keep_limit = 16u << 20;

    struct Node;
    struct Normal;

private:
    friend class MemoryInput;
    friend class MemoryOutput;

    using Index = std::unordered_map<std::string, Node*>;
    Node* lookup(const Normal& n) const;
    Node* find(const std::string& path) const;
    Node* parent_of(const std::string& path, std::string* name, std::string* err) const;
    Node* ensure_folders(const std::string& path);
    Node* put_file(const std::string& path, std::uint32_t attrs);
    Faults* faults_of(const std::string& path);
    void give_back(std::uint64_t bytes);

    // Drives and shares spring into being when first named, even by a lookup.
    mutable std::unique_ptr<Node> roots_;
    mutable Index index_;  // every node by its folded full path
    std::map<std::string, Faults> faults_;
    int open_streams_ = 0;
};

}  // namespace vorlan::test
