#pragma once
// Helpers shared by the walks over folder trees.

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

// CopyOneFile, told whether a file may stand at `Dst`: not in a folder that
// the walk has just made, where looking for one is a wasted call per file.
bool copy_one(CopyRun& run, const std::string& Src, const std::string& Dst, bool dst_may_exist,
              std::string* reason);

}  // namespace vorlan
