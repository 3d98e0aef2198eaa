#pragma once
// Starting other programs.

#include <string>

namespace vorlan {

class Programs {
public:
    virtual ~Programs() = default;

    // Runs the program file at `path` itself, with no arguments, its window
    // minimised and active. The path is never parsed as a command line.
    // A program that needs elevation gets the elevation prompt.
    virtual bool start_minimized(const std::string& path, std::string* err) = 0;

    // Runs `exe` from the Windows system folder (never found by a search),
    // hidden, with the argument text `args`. With `exit_code` it waits for the
    // tool to end and gives its exit code; without, it returns at once.
    virtual bool start_system_tool_hidden(const std::string& exe, const std::string& args, std::string* err,
                                          int* exit_code = nullptr) = 0;
};

}  // namespace vorlan
