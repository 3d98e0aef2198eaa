#pragma once
// Helpers shared by the walks over folder trees.

#include <cstdint>
#include <string>
#include <vector>

#include "copy/engine.h"

namespace vorlan {

// `folder` + "\" + `name`, with one separator whether or not `folder` ends
// with one (a drive root such as "D:\").
std::string child_path(const std::string& folder, const std::string& name);

// The entries of a folder; on failure `*err` says which folder and why.
bool list_folder(FileSystem& fs, const std::string& folder, std::vector<Entry>* entries, std::string* err);

// A subfolder that the walks follow: a junction, a symbolic link or a mount
// point could lead anywhere, back into the tree too.
inline bool followed(const Entry& e) { return e.is_folder && !(e.attributes & ATTR_REPARSE_POINT); }

// The reason of a file whose copy was stopped by CopyRun::abandon.
inline constexpr const char* kAbandoned = "La copia se ha abandonado.";

// How far the copy of one file has got, told to whoever runs it.
class CopyProgress {
public:
    virtual ~CopyProgress() = default;
    // `written` of the file's `size` bytes are in the copy, after each chunk
    // (once, with 0 of 0, for an empty file). False ends the copy as failed:
    // the run is being abandoned.
    virtual bool advanced(std::uint64_t written, std::uint64_t size) = 0;
};

// CopyOneFile on any thread, told whether a file may stand at `Dst`: not in a
// folder that the walk has just made, where looking for one is a wasted call
// per file. `*bytes` is what was copied.
bool copy_file(FileSystem& fs, CopyProgress& progress, const std::string& Src, const std::string& Dst,
               bool dst_may_exist, std::uint64_t* bytes, std::string* reason);

}  // namespace vorlan
