#pragma once
// The real file system, through the wide-character API. Every path is turned
// into its "\\?\" form at the API, so names of any script and trees deeper
// than 260 characters work; names reported back are ordinary.

#include <string>

#include "platform/file_system.h"

namespace vorlan::win32 {

// The "\\?\" form of a path: forward slashes turned into backslashes, doubled
// separators collapsed (a UNC path keeps its leading pair); a relative path is
// made absolute with "." and ".." resolved, an absolute one is kept name for name. "\\srv\share\x" becomes "\\?\UNC\srv\share\x"; a path
// already in "\\?\" or "\\.\" form is only cleaned of doubled separators.
std::wstring long_path(const std::string& path);

// Forward slashes turned into backslashes and doubled separators collapsed, a
// UNC path keeping its leading pair; nothing else changed.
std::wstring clean_separators(std::wstring path);

class Win32FileSystem : public FileSystem {
public:
    bool list(const std::string& folder, std::vector<Entry>* out, std::string* err) override;
    bool attributes(const std::string& path, std::uint32_t* attrs) override;
    bool set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) override;
    bool remove_file(const std::string& path, std::string* err) override;
    std::unique_ptr<InputFile> open_read(const std::string& path, std::string* err) override;
    std::unique_ptr<OutputFile> create(const std::string& path, std::string* err) override;
    bool replace(const std::string& from, const std::string& to, std::string* err) override;
    bool free_space(const std::string& path, std::uint64_t* bytes, std::string* err) override;
    bool make_folders(const std::string& path, std::string* err) override;
    bool read_ansi_text(const std::string& path, std::size_t most, std::string* utf8, bool* cut,
                        std::string* err) override;
};

}  // namespace vorlan::win32
