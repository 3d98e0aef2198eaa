#pragma once
// Windows paths as the copy compares and maps them, on text alone: nothing
// here touches the disk (the file system only says how it folds names).
// Paths are UTF-8 with "\" separators.

#include <string>

#include "platform/file_system.h"

namespace vorlan {

// The copy's two roots. The source may hold a doubled separator (a medium's
// drive root gives "D:\\vorlan"); it is compared with it collapsed.
struct Roots {
    std::string source;
    std::string dest;
};

// A path with its doubled separators collapsed, as a folder object reports it.
// A leading "\\" names a network share and stays.
std::string collapse_separators(const std::string& path);

// A path as `fs` compares it: collapsed, without a trailing separator, and
// folded as the file system folds names (its one use of `fs`).
std::string path_key(FileSystem& fs, const std::string& path);

// Whether `path` is `folder` or lies under it, compared as `fs` compares
// paths: without regard to case or to doubled separators.
bool path_within(FileSystem& fs, const std::string& path, const std::string& folder);
// The same, for two paths already made keys.
bool key_within(const std::string& path_key, const std::string& folder_key);

// The length of the part of `path` that names its volume and can never be
// made, renamed or removed: 3 for "C:\x" ("C:\"), all of "\\srv\share\"
// and of "\\?\UNC\srv\share\", "\\?\C:\", "\\?\Volume{...}\"; the
// whole of a path that names a volume and nothing below it ("C:\", "C:",
// "\\srv\share"); 0 for a relative path. Separators must be collapsed.
std::size_t root_length(const std::string& path);

// `folder` + "\" + `name`, with one separator whether or not `folder` ends
// with one (a drive root such as "D:\").
std::string child_path(const std::string& folder, const std::string& name);

// The same path under the destination root, for a path under the source
// root; any other path comes back as it is.
std::string destination_path(const Roots& roots, const std::string& path);

}  // namespace vorlan
