#pragma once
// The real file system, through the wide-character API. Every path is turned
// into its "\\?\" form (long_path.h) at the API; names reported back are
// ordinary.

#include <map>
#include <mutex>
#include <string>

#include "platform/file_system.h"

namespace vorlan::win32 {

class Win32FileSystem : public FileSystem {
public:
    bool list(const std::string& folder, std::vector<Entry>* out, std::string* err) override;
    bool attributes(const std::string& path, std::uint32_t* attrs) override;
    bool set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) override;
    bool remove_file(const std::string& path, std::string* err) override;
    std::unique_ptr<InputFile> open_read(const std::string& path, std::string* err) override;
    std::unique_ptr<OutputFile> create(const std::string& path, std::string* err) override;
    bool make_folders(const std::string& path, std::string* err) override;
    bool read_ansi_text(const std::string& path, std::size_t most, std::string* utf8, bool* cut,
                        std::string* err) override;
    // In file_system_names.cpp and new_file.cpp:
    bool lookup(const std::string& path, Entry* entry) override;
    std::unique_ptr<NewFile> create_new(const std::string& path, bool* exists, std::string* err) override;
    std::string fold_case(const std::string& text) override;
    bool volume(const std::string& path, Volume* out, std::string* err) override;
    Device device(const std::string& path) override;
    // In held_entry.cpp.
    std::unique_ptr<HeldEntry> hold(const std::string& path, Hold as, std::string* err) override;
    bool identify(const std::string& path, FileId* id) override;

private:
    // Whether a volume keeps access lists, by its root ("\\?\C:\"): for
    // hold alone, which the grant calls from several threads.
    std::mutex access_lists_mutex_;
    std::map<std::wstring, bool> access_lists_;
};

// The nearest folder of `path` (a "\\?\" path) that exists, with a trailing
// separator: the one whose volume holds whatever will be made at `path`.
std::wstring nearest_existing_folder(std::wstring path);

}  // namespace vorlan::win32
