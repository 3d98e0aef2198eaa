#pragma once
// The data copy engine: counting, the tree copy with its path mapping, the
// single-file copy and the attribute pass. It reaches the world through the
// platform's file system only, tells what happens through CopyEvents and
// returns what it did as values; it knows nothing of windows or controls.
// Counts are 64-bit: a tree may hold any number of files.

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/file_system.h"

namespace vorlan {

// What a copy reports, in the order of the walk, on the caller's thread.
class CopyEvents {
public:
    virtual ~CopyEvents() = default;
    // The copy of a file (or the visit of a folder that is not followed) begins.
    virtual void file_started(const std::string& source) = 0;
    // It ended: copied whole, or failed for `reason` (the system's, in Spanish).
    virtual void file_done(const std::string& source, bool ok, const std::string& reason) = 0;
    // The per-file and the overall share done, 0 to 100.
    virtual void file_progress(double percent) = 0;
    virtual void overall_progress(double percent) = 0;
    // Lets the caller handle its pending events: once per block, per file and
    // per folder.
    virtual void yield() = 0;
};

// A folder, by its path as the file system reports it (single separators).
struct Folder {
    std::string path;
};

struct Failure {
    std::string path;    // the source file or folder
    std::string reason;
};

// The copy's two roots. The source may hold a doubled separator (a medium's
// drive root gives "D:\\vorlan"); it is compared with it collapsed.
struct Roots {
    std::string source;
    std::string dest;
};

class CopyQueue;

// One run of the tree copy: what it has done so far. Its files are copied by
// several workers at once and reported on the caller's thread in walk order.
class CopyRun {
public:
    CopyRun(FileSystem& fs, CopyEvents& events, Roots roots);
    CopyRun(const CopyRun&) = delete;
    CopyRun& operator=(const CopyRun&) = delete;

    FileSystem& fs;
    CopyEvents& events;
    const Roots roots;
    // Files copied at the same time (large files one at a time all the same):
    // many small files copy faster several at a time.
    int workers = kCopyWorkers;

    std::int64_t copied = 0;
    std::uint64_t bytes = 0;
    std::vector<Failure> failures;

    // While held (a question about ending is open), no further file starts;
    // the files already started go on.
    void hold(bool held);
    // Stops the copy at once, removing every file it was writing, whatever its
    // name, and returns when they are gone: for a process about to end in the
    // middle of a copy. Files it completed stay. Nothing more is reported.
    void abandon();
    bool abandoned() const { return abandoned_; }

    // Internal to the engine.
    static constexpr int kCopyWorkers = 4;
    CopyQueue* queue = nullptr;
    // Destination paths of this run's files, folded as Windows compares names,
    // by a 64-bit hash: two source names that differ only in case must not
    // overwrite each other. The paths themselves took a fifth of the memory
    // of a copy of 200,000 files; the chance that two different paths of such
    // a copy share a hash is about one in a billion, and it would show as one
    // failed file, never as one file overwriting another.
    std::unordered_set<std::uint64_t> destinations;

private:
    bool abandoned_ = false;
};

// Files at every depth (NestedDirs) or directly in `fld`. Yields once per folder.
bool NumFiles(FileSystem& fs, CopyEvents& events, const Folder& fld, bool NestedDirs, std::int64_t* count,
              std::string* err);

// Bytes of every file at every depth of the source, and of the files of the
// destination that a copy would replace. Yields once per folder.
bool FolderSize(FileSystem& fs, CopyEvents& events, const Folder& fld, const std::string& dest,
                std::uint64_t* size, std::uint64_t* replaced, std::string* err);

// Sets the attributes of the files directly in `fld`, and of its immediate
// subfolders (NestedDirs), to 0. Yields once.
bool AttribFiles(FileSystem& fs, CopyEvents& events, const Folder& fld, bool NestedDirs, std::string* err);

// Copies the tree under `fld` to the destination, reporting every file and
// recording the failed ones in `run`. False only when the walk itself fails
// (a folder that cannot be listed); `*err` then says which and why.
bool ListFilesCopy(CopyRun& run, const Folder& fld, bool NestedDirs, double FldSize, double& TamPgrs,
                   std::string* err);

// Maps a path under the source root to the same path under the destination.
std::string ChangePath(const Roots& roots, const std::string& SpecIn);

// Makes sure a folder exists, creating every missing folder on the way; quiet.
void MakeDirPath(FileSystem& fs, std::string path);

// Copies one file in 1024-byte blocks on the caller's thread, reporting the
// per-file share. An older file at `Dst` is replaced only by a complete copy.
// On failure `*reason` says why and nothing of the copy is left.
bool CopyOneFile(CopyRun& run, const std::string& Src, const std::string& Dst, std::string* reason);

// A path with its doubled separators collapsed, as a folder object reports it.
std::string collapse_separators(const std::string& path);

// Whether `path` is `folder` or lies under it, compared as Windows compares
// paths: without regard to case or to doubled separators.
bool path_within(const std::string& path, const std::string& folder);

// A path as Windows compares it: collapsed, without a trailing separator,
// letters folded to lower case (ASCII and Latin-1).
std::string folded(const std::string& path);

}  // namespace vorlan
