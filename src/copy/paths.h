#pragma once
// Windows paths as the copy compares and maps them, on text alone: nothing
// here touches the file system. Paths are UTF-8 with "\" separators.

#include <string>

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

// A path as Windows compares it: collapsed, without a trailing separator,
// letters folded to lower case (ASCII and Latin-1).
std::string folded(const std::string& path);

// Whether `path` is `folder` or lies under it, compared as Windows compares
// paths: without regard to case or to doubled separators.
bool path_within(const std::string& path, const std::string& folder);

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
