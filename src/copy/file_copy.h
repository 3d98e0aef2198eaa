#pragma once
// The copy of one file, as the tree copy's workers run it. Private to the
// engine: the wizard copies trees, through CopyRun.

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace vorlan {

// The reason of a file whose copy was stopped by CopyRun::abandon.
inline constexpr const char* kAbandoned = "La copia se ha abandonado.";

// How far the copy of one file has got, told to whoever runs it.
class CopyProgress {
public:
    virtual ~CopyProgress() = default;
    // `written` of the file's `size` bytes are in the copy, after each chunk
    // (once, with 0 of 0, for an empty file). False ends the copy as failed:
    // the run is being abandoned. Called on the copying thread.
    virtual bool advanced(std::uint64_t written, std::uint64_t size) = 0;
};

// Copies the file `source` to `dest` on the calling thread, in chunks of
// whole 1024-byte blocks. An older file at `dest` is replaced only by a
// complete copy; `dest_may_exist` false says that none can be there (the walk
// has just made its folder), which saves a call per file. On failure
// `*reason` says why and nothing of the copy is left. `*bytes` is what was
// copied.
bool copy_file(FileSystem& fs, CopyProgress& progress, const std::string& source, const std::string& dest,
               bool dest_may_exist, std::uint64_t* bytes, std::string* reason);

}  // namespace vorlan
