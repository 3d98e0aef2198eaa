#pragma once
// Files through the plain Win32 API, so that what is under test never checks
// itself. Paths in UTF-8, full, of any length.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace vorlan::ui {

bool write_file(const std::string& path, const std::string& bytes);
std::optional<std::string> read_file(const std::string& path);
DWORD attributes(const std::string& path);  // INVALID_FILE_ATTRIBUTES when nothing is there
bool exists(const std::string& path);
bool make_folders(const std::string& path);
bool copy_file(const std::string& from, const std::string& to);
// Removes a tree, read-only entries included, never going through a link;
// true when nothing is left.
bool remove_tree(const std::string& path);
// Every file under `root`, as paths relative to it ("mapas\\z0\\t.png"), sorted.
std::vector<std::string> files_under(const std::string& root);
// `n` bytes that no text conversion or short copy would leave intact.
std::string test_bytes(std::size_t n, unsigned seed);

// The rights that the entry's access list allows all users (the group
// S-1-1-0); 0 when none, or when the list cannot be read.
DWORD everyone_rights(const std::string& path);
// A Unix symbolic link at `link` to the folder `target` (both Windows
// paths), made by the system's own ln: only under Wine, which shows such a
// link as a reparse point in its folder's listing, and which can neither
// make nor remove one itself (remove_tree removes it as a link). False
// where it cannot.
bool make_unix_link(const std::string& link, const std::string& target);
bool remove_unix_link(const std::string& link);

}  // namespace vorlan::ui
