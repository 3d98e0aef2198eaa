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
// Removes a tree, read-only entries included; true when nothing is left.
bool remove_tree(const std::string& path);
// Every file under `root`, as paths relative to it ("mapas\\z0\\t.png"), sorted.
std::vector<std::string> files_under(const std::string& root);
// `n` bytes that no text conversion or short copy would leave intact.
std::string test_bytes(std::size_t n, unsigned seed);

}  // namespace vorlan::ui
