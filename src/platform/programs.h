#pragma once
// Starting the application's own setup program.

#include <string>

namespace vorlan {

class Programs {
public:
    virtual ~Programs() = default;

    // Runs the program file at `path` itself, with no arguments, its window
    // minimised and active. The path is never parsed as a command line.
    // A program that needs elevation gets the elevation prompt.
    virtual bool start_minimized(const std::string& path, std::string* err) = 0;
};

}  // namespace vorlan
