#pragma once
// A started program, ended by its owner whatever happens.

#include <windows.h>

#include <optional>
#include <string>

#include "ui/wait.h"
#include "win32/handle.h"

namespace vorlan::ui {

// Owns a started process: ends it on destruction unless it has ended already.
class Process {
public:
    Process() = default;
    ~Process() { terminate(); }
    Process(Process&&) = default;
    Process& operator=(Process&&) = default;  // only onto a Process that owns none

    // Starts `exe` with `folder` as its working folder, and `args` after its quoted path.
    static Process start(const std::string& exe, const std::string& folder, std::string* err,
                         const std::string& args = "");
    // Takes charge of a process that something else started (to end it).
    static Process adopt(DWORD pid);

    explicit operator bool() const { return handle_.valid(); }
    DWORD pid() const { return pid_; }
    bool running() const;
    bool wait_exit(milliseconds timeout = kWait) const;
    std::optional<DWORD> exit_code() const;  // once it has ended
    void terminate();

private:
    win32::UniqueHandle handle_;
    DWORD pid_ = 0;
};

}  // namespace vorlan::ui
