#pragma once
// The walks over a folder tree around the copy: counting its files before,
// measuring it before, and clearing attributes after; with the rules that
// every walk, the copy's too, follows. Counts are 64-bit: a tree may hold any
// number of files.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vorlan {

// What a walk tells its caller while it runs.
class WalkEvents {
public:
    virtual ~WalkEvents() = default;
    // Lets the caller handle its pending events: at least once per folder,
    // and in the copy once per file. The caller's handlers run inside it, and
    // may hold or abandon a running copy ("Cancelar", the end of the
    // session), end the process, or throw. An exception passes through the
    // walk, which lets nothing of its own go on behind it: a copy stops its
    // workers and removes the files they were writing before it goes on.
    virtual void yield() = 0;
};

// The entries of a folder; on failure `*err` says which folder and why.
bool list_folder(FileSystem& fs, const std::string& folder, std::vector<Entry>* entries, std::string* err);

// A subfolder that the walks follow: a junction, a symbolic link or a mount
// point could lead anywhere, back into the tree too.
inline bool followed(const Entry& e) { return e.is_folder && !(e.attributes & ATTR_REPARSE_POINT); }

// What a walk does in each folder it reaches.
class FolderVisitor {
public:
    virtual ~FolderVisitor() = default;
    // `folder`, `depth` steps below the walk's root, has these entries. False
    // ends the walk, with `*err` saying why.
    virtual bool visit(const std::string& folder, int depth, const std::vector<Entry>& entries, std::string* err) = 0;
    // A subfolder that the walk does not follow, in its turn.
    virtual void not_followed(const std::string& folder, int depth) = 0;
};

// Visits `root` and every folder under it that the walks follow, in the order
// every walk keeps: a folder, then each of its subfolders in the order they
// were listed, each with everything under it before the next. The walk keeps
// its place on the heap, not on the stack: a tree may go as deep as a path
// can be long. False when a folder cannot be listed or the visitor says so.
bool walk_tree(FileSystem& fs, const std::string& root, FolderVisitor& visitor, std::string* err);
// A file that the copy copies. A file that is a link is not followed either:
// it could lead to anyone's file, anywhere, which the copy would put where
// every user may read it. It is counted with the files, reported as not
// copied, and takes no room.
inline bool copied(const Entry& e) { return !e.is_folder && !(e.attributes & ATTR_REPARSE_POINT); }

// The files at every depth under `folder`. Yields once per folder.
bool count_files(FileSystem& fs, WalkEvents& events, const std::string& folder, std::int64_t* count, std::string* err);

// The room a copy of a tree takes.
struct TreeSize {
    std::uint64_t bytes = 0;             // every file at every depth, as listed
    std::uint64_t room = 0;              // the same, each file rounded up to whole clusters
    std::uint64_t freed = 0;             // files under the destination that the copy replaces, rounded up
    std::uint64_t largest_replaced = 0;  // the largest of those, rounded up
    std::string too_large;               // the first file of more than the limit's bytes, empty when none
};

// Measures the tree under `folder` for a copy to `dest` (empty: nothing is
// there to replace), on a volume of `cluster`-byte clusters that holds files
// of at most `largest_file` bytes. Yields once per folder.
bool measure_tree(FileSystem& fs, WalkEvents& events, const std::string& folder, const std::string& dest,
                  std::uint64_t cluster, std::uint64_t largest_file, TreeSize* size, std::string* err);

// Sets the attributes of the files directly in `folder`, and of its immediate
// subfolders, to 0. Yields once.
bool clear_attributes(FileSystem& fs, WalkEvents& events, const std::string& folder, std::string* err);

}  // namespace vorlan
