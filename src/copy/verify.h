#pragma once
// Checking an installed data tree against the SHA256SUMS it carries, with
// nothing written: every listed file is read and hashed, several at a time,
// and reported in the list's order on the caller's thread; then every file
// that no line lists.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "copy/checksums.h"
#include "platform/file_system.h"

namespace vorlan {

// How a listed file stands against its line.
enum class FileState { Equal, Missing, Different, Unreadable };

struct CheckedFile {
    std::string path;  // in the tree, with "\" ("C:\vorlan\sub\b.dat")
    FileState state = FileState::Equal;
    std::string reason;  // why, for any state but Equal
};

class VerifyEvents {
public:
    virtual ~VerifyEvents() = default;
    // Each listed file, in the list's order.
    virtual void checked(const CheckedFile& file) = 0;
    // Each file of the tree that no line lists (the list itself aside), in
    // the walk's order, once the listed ones are reported.
    virtual void unlisted(const std::string& path) = 0;
    // Asked on the caller's thread once per folder walked, once per file
    // reported and at least every kPoll while a file is read: false ends the
    // check, the reads in flight cancelled.
    virtual bool go_on() = 0;
    static constexpr std::chrono::milliseconds kPoll{50};
};

enum class VerifyEnd {
    Checked,      // every listed file was looked at
    NoTree,       // the tree is not there, or a folder of it cannot be read
    NoList,       // no SHA256SUMS, or one that cannot be read or has a wrong line
    Interrupted,  // go_on() said no
};

struct VerifyReport {
    VerifyEnd end = VerifyEnd::Checked;
    std::string message;  // why, for NoTree and NoList
    std::int64_t listed = 0, equal = 0, missing = 0, different = 0, unreadable = 0, unlisted = 0;
    std::uint64_t bytes = 0;  // read and hashed

    bool all_equal() const { return end == VerifyEnd::Checked && equal == listed; }
};

// The entries of `folder`\SHA256SUMS. False, with `*err` saying why (the
// wrong line named), when it is not there, cannot be read or does not parse.
bool read_checksums(FileSystem& fs, const std::string& folder, std::vector<ChecksumEntry>* entries, std::string* err);

// Checks the tree at `tree` against its own SHA256SUMS, reading with up to
// `workers` threads. An exception on a worker is its file's failure; one
// from `events` stops the workers before it passes on.
VerifyReport verify_tree(FileSystem& fs, const std::string& tree, VerifyEvents& events, int workers = 4);

}  // namespace vorlan
