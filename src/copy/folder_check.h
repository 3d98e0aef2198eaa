#pragma once
// The look at a destination folder once all its files are copied. Private to
// the engine. A file "Ok" for the copy may still not be there: the system
// may have taken its name for another file's (a short 8.3 name, a name a
// file system changes) and written or replaced that one instead; nothing but
// the folder itself can tell.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vorlan {

// A file of the folder as the copy reported it.
struct WrittenFile {
    std::string name;  // at the destination
    std::string source;
    std::uint64_t bytes = 0;  // copied
    bool ok = false;
    bool unchanged = false;  // left as it was: `bytes` is its size, none were copied
    std::string missing;     // set by check_folder: why it is not there after all
};

// Lists `folder` once. Each file of `written` reported copied must be there,
// under its name as the file system compares names, with the bytes copied;
// one that is not gets its `missing` reason. Temporaries that earlier runs
// left in the folder go (a name none of `written` has).
void check_folder(FileSystem& fs, const std::string& folder, std::vector<WrittenFile>* written);

}  // namespace vorlan
