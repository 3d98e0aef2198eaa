#pragma once
// Whether the destination's volume can take a copy, found before anything is
// written: a copy that must fail for want of room fails at once, not minutes
// later.

#include <cstdint>
#include <string>

#include "copy/tree_walks.h"
#include "platform/file_system.h"

namespace vorlan {

// Measures the tree under `source` for a copy to `dest` and checks its
// volume. Each file takes whole clusters; an older file and its new copy
// stand side by side until the replace, so the largest older file must fit
// whole besides; a FAT volume holds no file of 4 GiB or more. `*bytes` is the
// tree's size, for the copy's overall bar. False when the source cannot be
// measured (`*err` says why); `*refusal` is then why the copy cannot start,
// for the user, or empty when it can (or the volume cannot be asked: the copy
// then finds out file by file).
bool check_room(FileSystem& fs, WalkEvents& events, const std::string& source, const std::string& dest,
                bool dest_exists, std::uint64_t* bytes, std::string* refusal, std::string* err);

}  // namespace vorlan
