#pragma once
// Real files for the Windows tests, made and checked with the plain Win32 API
// so that what is under test never checks itself.

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace vorlan::test {

// A new folder under the user's temporary folder, removed with everything in
// it (read-only files and paths past 260 characters included).
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Full path, UTF-8, no trailing separator.
    const std::string& path() const { return path_; }
    // `path()` + "\" + `relative`.
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// The "\\?\" form of a full, clean path, built by hand.
std::wstring raw_name(const std::string& path);

// Plain Win32 on "\\?\" names; failures end the test with the system's message.
void raw_make_folder(const std::string& path);
void raw_write(const std::string& path, const std::string& bytes);
std::string raw_read(const std::string& path);
bool raw_exists(const std::string& path);
DWORD raw_attributes(const std::string& path);  // INVALID_FILE_ATTRIBUTES when absent
void raw_remove_tree(const std::wstring& raw);

// `n` bytes that differ from one position to the next.
std::string pattern_bytes(std::size_t n, unsigned seed = 1);

// Polls `done` until it is true or `limit` passes.
bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds limit);

// The folder that holds the running test program.
std::string own_folder();

// Ends every process whose program file's full path starts with `prefix`
// (a folder followed by "\", or one program file), and waits for each to end.
int end_processes(const std::string& prefix);
// How many processes run a program file whose full path starts with `prefix`.
int running_processes(const std::string& prefix);

}  // namespace vorlan::test
