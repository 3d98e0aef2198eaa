#pragma once
// The grant that ends an installation: full control of the destination tree
// for all users, as the data's users on a shared computer need it, and on
// nothing else whatever was planted in or around the tree.

#include <cstdint>
#include <string>
#include <vector>

#include "copy/tree_copy.h"
#include "copy/tree_walks.h"
#include "platform/file_system.h"

namespace vorlan {

struct GrantResult {
    std::int64_t granted = 0;          // entries that now give all users full control
    std::vector<Failure> not_granted;  // and those that do not, each with why
};

// Gives all users full control of the folder `root` and of every folder and
// file in it at any depth, those a copy wrote and those it found there. It
// never passes through a junction, a symbolic link or a mount point, at any
// depth (it names each and leaves it as it is), nor grants a file with more
// than one name (its other names may lie anywhere, and share its access
// list). Each entry is held as itself, looked at and changed through that
// one hold; the folders from the volume's root down to the entry stay held
// meanwhile, so that nothing can be swapped in on the way. It goes on past
// entries it cannot change. Yields once per folder, and every few entries.
// False when it cannot start: `root`, or a folder above it, cannot be held,
// is no folder or is a link; `*err` then says which and why.
bool grant_all_users(FileSystem& fs, WalkEvents& events, const std::string& root, GrantResult* result,
                     std::string* err);

}  // namespace vorlan
