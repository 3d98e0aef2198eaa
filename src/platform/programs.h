#pragma once
// Starting other programs. Neither start is awaited.

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
    // hidden, with the argument text `args`.
    virtual bool start_system_tool_hidden(const std::string& exe, const std::string& args,
                                          std::string* err) = 0;
};

}  // namespace vorlan
