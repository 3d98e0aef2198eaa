#pragma once
// An in-memory file system with the Windows rules the core depends on, and
// faults injected per path. Paths are "X:\a\b"; every drive exists; doubled
// separators count as one. Names compare without regard to case (ASCII and
// Latin-1 letters; on drive U: with regard to it) and keep their spelling; a folder lists its entries in the
// order they were added.
//
// Large files hold no bytes: a file added with add_large_file reads as a fixed
// pattern, and a written file stays a pattern for as long as what is written
// matches it, so that a copy of several GiB is still checked byte for byte.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vorlan::test {

struct ParsedPath;

// Faults of one path. The path need not exist when they are set.
struct Faults {
    int read_fails_at = 0;   // the n-th read (1-based) of each stream opened here fails
    int write_fails_at = 0;  // the n-th write of each stream created here fails
    bool held = false;       // held by another program without read sharing: no open, delete or create
    std::optional<std::uint64_t> shrinks_to;  // opened at its size, then only this many bytes can be read
    std::uint64_t grows_by = 0;               // opened at its size, then this many more bytes can be read
    bool close_fails = false;
    bool list_fails = false;
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
    bool replace(const std::string& from, const std::string& to, std::string* err) override;
    bool free_space(const std::string& path, std::uint64_t* bytes, std::string* err) override;
    bool make_folders(const std::string& path, std::string* err) override;
    // Decodes Latin-1, which is Windows-1252 for every letter the tests use.
    bool read_ansi_text(const std::string& path, std::size_t most, std::string* utf8, bool* cut,
                        std::string* err) override;

    // Setting up. Missing parents are created; an existing file is replaced.
    void add_folder(const std::string& path, std::uint32_t attrs = 0);
    void add_file(const std::string& path, const std::string& bytes, std::uint32_t attrs = ATTR_ARCHIVE);
    void add_large_file(const std::string& path, std::uint64_t size);

    // Looking. Asking after a file that is not there fails the test and shows the tree.
    bool exists(const std::string& path) const { return find(path) != nullptr; }
    bool is_folder(const std::string& path) const { return exists(path) && find(path)->folder; }
    std::string contents(const std::string& path) const;
    std::uint32_t attrs_of(const std::string& path) const;  // ATTR_DIRECTORY left out
    bool same_contents(const std::string& a, const std::string& b) const;
    int open_count() const { return open_streams_; }
    std::string describe() const;

    Faults& faults(const std::string& path);
    // Bytes that can still be written; unset means unlimited. Removing or
    // truncating a file gives its bytes back.
    std::optional<std::uint64_t> space;
    int removes = 0;  // remove_file calls, refused ones too

    struct Node {
        std::string path;  // as given
        bool folder = false;
        std::uint32_t attrs = 0;  // without ATTR_DIRECTORY
        std::uint64_t serial = 0, size = 0;
        bool pattern = true;  // the bytes are the pattern's; else `bytes` holds them
        std::string bytes{};
        int readers = 0, writers = 0;
        void read_at(char* out, std::uint64_t offset, std::size_t n) const;
        void append(const char* data, std::size_t n);
    };

private:
    friend class MemoryStream;

    Node* find(const std::string& path) const;
    Node* readable(const std::string& path, std::string* err);
    const Node& file(const std::string& path) const;
    std::optional<ParsedPath> file_path(const std::string& path, std::string* err) const;
    Node& add(const ParsedPath& p, std::size_t n, bool folder);
    bool make_folders_to(const ParsedPath& p, std::size_t n, std::string* err);
    const Faults& faults_of(const std::string& path) const;

    mutable Node root_{"", true};  // every drive
    mutable std::map<std::string, Node> nodes_;  // by folded path
    std::map<std::string, Faults> faults_;
    std::uint64_t serial_ = 0;
    int open_streams_ = 0;
};

}  // namespace vorlan::test
