#pragma once
// The process around the window: where it runs from, the single-instance guard, the way out.

#include <string>
#include <vector>

namespace vorlan {

// A folder of the system's own that the data may not go into or over.
struct KnownFolder {
    enum class Kind { Windows, ProgramFiles, ProgramData, Users, Profile };
    Kind kind;
    std::string path;
};

class System {
public:
    virtual ~System() = default;

    // The folder that holds the running program, as the platform reports it:
    // no trailing separator except at a drive root ("E:\instalar", "D:\").
    virtual std::string program_folder() = 0;

    // Claims this program's single-instance mark in one atomic step. False when
    // another instance already holds it.
    virtual bool claim_single_instance() = 0;

    // `path` made absolute against the current folder, "." and ".." resolved.
    virtual std::string full_path(const std::string& path) = 0;

    // The user's folder for temporary files.
    virtual std::string temp_folder() = 0;

    // Writes a line to the console the program was started from, if any.
    virtual void console_line(const std::string& line) = 0;

    // Ends the process at once: nothing more runs, nothing is asked or saved.
    [[noreturn]] virtual void end_process() = 0;

    // From here on, a request from outside to end the process (Ctrl+C or
    // Ctrl+Break, its console closed, a log-off or shutdown) no longer ends
    // it at once: it is told through end_requested(), and the process ends
    // by itself (or is ended by the system once its patience runs out). For a
    // run with no window, which would otherwise end in the middle of a file
    // with nothing logged.
    virtual void watch_for_end() = 0;
    // Whether such a request has come since watch_for_end(); cheap to ask.
    virtual bool end_requested() = 0;
    // The system's own folders, as the system names them: the Windows
    // folder, the program-files folders, the program-data folder, the users'
    // folder, and the profiles (this user's and the public one).
    virtual std::vector<KnownFolder> known_folders() = 0;
};

}  // namespace vorlan
