#pragma once
// Paths in the form the wide-character API takes them: "\\?\", so that names
// of any script and trees deeper than 260 characters work, and so that the
// system takes each name as it is spelled.

#include <string>

namespace vorlan::win32 {

// The "\\?\" form of a path: forward slashes turned into backslashes, doubled
// separators collapsed (a UNC path keeps its leading pair); a relative path is
// made absolute with "." and ".." resolved, an absolute one is kept name for
// name. "\\srv\share\x" becomes "\\?\UNC\srv\share\x"; a path already in
// "\\?\" or "\\.\" form is only cleaned of doubled separators.
std::wstring long_path(const std::string& path);

// Forward slashes turned into backslashes and doubled separators collapsed, a
// UNC path keeping its leading pair; nothing else changed.
std::wstring clean_separators(std::wstring path);

// long_path of a path whose separators are clean already.
std::wstring long_form(const std::wstring& cleaned);

// Length of the part of a "\\?\" path that names the volume itself and can
// never be created: "\\?\C:\" or "\\?\UNC\srv\share\"; 0 for a path in no
// "\\?\" or "\\.\" form.
std::size_t volume_root_length(const std::wstring& path);

}  // namespace vorlan::win32
