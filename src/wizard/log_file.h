#pragma once
// The log of a run without a window: a UTF-8 file with CR LF line ends, and
// the console the program was started from, line by line.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/system.h"

namespace vorlan {

// Each line is written as it happens, so that a run that is stopped still
// leaves what it did. Create it only once the command line is known to be
// right and no other instance runs: a second instance must not empty the
// first one's log, nor a wrong line a file of the user's.
class Log {
public:
    // With `echo` false the console gets nothing (the window's run).
    Log(FileSystem& fs, System& system, const std::string& path, bool echo = true);
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    // Why the file could not be created, or empty; the console still gets the lines.
    const std::string& error() const { return error_; }

    void line(const std::string& text);

private:
    System& system_;
    const bool echo_;
    std::unique_ptr<OutputFile> file_;
    std::string error_;
};

// Makes `*log` at `path` for a run with no window, once no other instance
// runs. False when the run must end instead, with `*exit_code` and the
// console told why: another instance runs, or a log that was asked for
// (`asked`) cannot be written, which would leave the administrator with
// nothing. A default log that cannot be written leaves the console alone.
bool open_run_log(FileSystem& fs, System& system, const std::string& path, bool asked, std::optional<Log>* log,
                  int* exit_code);

// Where the log goes: `asked` (/registro:) made absolute, or by default
// instalar-vorlan.log in the user's temporary folder.
std::string log_path(System& system, const std::string& asked);

// The seconds since `start`, with one decimal, as the log's summaries give them.
std::string seconds_since(std::chrono::steady_clock::time_point start);

}  // namespace vorlan
