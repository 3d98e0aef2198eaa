#pragma once
// The copy of a folder tree: every file under the source root to the same
// place under the destination root. Several files are copied at once on
// worker threads; the caller's thread reports them one after another, in the
// order of the walk, exactly as a copy of one file at a time would.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "copy/paths.h"
#include "copy/tree_walks.h"
#include "platform/file_system.h"

namespace vorlan {

enum class FileNote {
    Unchecked,  // copied, with nothing to check it against: SHA256SUMS does not list it
    Unchanged,  // an update found it at the destination as it is on the medium, and left it
};

// What the tree copy reports, in the order of the walk, on the caller's
// thread. Its yield (see WalkEvents) comes at least once per file.
class CopyEvents : public WalkEvents {
public:
    // The copy of a file (or the visit of a folder that is not followed) begins.
    virtual void file_started(const std::string& source) = 0;
    // It ended: copied whole, or failed for `reason` (the system's, in Spanish).
    virtual void file_done(const std::string& source, bool ok, const std::string& reason) = 0;
    // The share written of the file being reported, and the share done of
    // the whole tree, 0 to 100.
    virtual void file_progress(double percent) = 0;
    virtual void overall_progress(double percent) = 0;
    // A file reported copied is not at the destination as copied after all
    // (another file took its name): it has failed, for `reason`. Comes once
    // every file of its folder is reported, before the files of the next.
    virtual void file_missing(const std::string& source, const std::string& reason) = 0;
    // Right before file_done of a file that is there as it should be without
    // a plain copy, or copied without a check: `note` says which.
    virtual void file_noted(const std::string& /*source*/, FileNote /*note*/) {}
    // A file of the destination that the medium does not have (an update
    // lists them, and deletes nothing), once the copy is done.
    virtual void not_on_medium(const std::string& /*dest*/) {}
};

struct Failure {
    std::string path;  // the source file or folder
    std::string reason;
};

// What a run has done so far.
struct CopyResults {
    std::int64_t copied = 0;     // unchanged ones included: they are installed
    std::int64_t unchanged = 0;  // of those
    std::uint64_t bytes = 0;
    std::vector<Failure> failures;
};

class CopyQueue;
struct ListedDigests;

// How a run copies.
struct CopyOptions {
    // The source tree's SHA256SUMS: each listed file is checked as it is
    // read; a listed file the medium lacks fails. Null: no list.
    const ListedDigests* listed = nullptr;
    // Files already at the destination as they are on the medium stay (see
    // CopyCheck::update), and files of the destination that the medium lacks
    // are told.
    bool update = false;
};

// One copy of one tree.
class CopyRun {
public:
    CopyRun(FileSystem& fs, CopyEvents& events, Roots roots, CopyOptions options = {});
    ~CopyRun();
    CopyRun(const CopyRun&) = delete;
    CopyRun& operator=(const CopyRun&) = delete;

    // Copies the tree, `size` bytes as measure_tree gave them (for the
    // overall bar), reporting every file and recording the failed ones.
    // False when the walk itself fails (a folder that cannot be listed) or
    // the run is abandoned; `*err` then says why. When an exception leaves
    // it, no worker is left running and no partial file is left.
    bool copy_tree(std::uint64_t size, std::string* err);

    // While held (a question about ending is open), no further file starts;
    // the files already started go on. For the caller's handlers, inside a yield.
    void hold(bool held);
    // Stops the copy at once, removing every file it was writing, whatever its
    // name, and returns when they are gone: for a process about to end in the
    // middle of a copy. Files it completed stay. Nothing more is reported.
    // Reads that a medium holds are cancelled; should the system not end one,
    // it returns within two seconds all the same, and the files still being
    // written go when the process does (see NewFile).
    // For the caller's handlers, inside a yield.
    void abandon();
    bool abandoned() const { return abandoned_; }

    const CopyResults& results() const { return results_; }

private:
    class Walk;
    class Leftovers;

    FileSystem& fs_;
    CopyEvents& events_;
    const Roots roots_;
    const CopyOptions options_;
    CopyResults results_;
    bool abandoned_ = false;
    // Destination paths of this run's files, folded as the destination
    // compares names, by a 64-bit hash: two source names that differ only in
    // case must not overwrite each other. The paths themselves took a fifth of
    // the memory of a copy of 200,000 files; the chance that two different
    // paths of such a copy share a hash is about one in a billion, and it
    // would show as one failed file, never as one file overwriting another.
    std::unordered_set<std::uint64_t> destinations_;
    std::unique_ptr<CopyQueue> queue_;  // while copy_tree runs
};

}  // namespace vorlan
