#pragma once
// The command line, and the data installation run from it with no window:
// for administrators who push the data to many computers from a script.

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/system.h"

namespace vorlan {

// Exit codes of the unattended installation.
enum ExitCode : int {
    EXIT_INSTALLED = 0,     // every file copied, attributes cleared, grant done
    EXIT_FILES_FAILED = 1,  // the copy ran and some files failed
    EXIT_EXISTS = 2,        // the destination exists and /sobrescribir was not given
    EXIT_NOT_STARTED = 3,   // no source tree, overlap, no room, ...; nothing written
    EXIT_RUNNING = 4,       // another instance is running; nothing written
    EXIT_USAGE = 5,         // the command line is wrong; nothing written
};

struct CommandLine {
    bool unattended = false;  // /datos
    bool help = false;        // /?
    bool overwrite = false;   // /sobrescribir
    std::string destination;  // /destino:CARPETA, as given; empty for the default
    std::string log;          // /registro:FICHERO, as given
    std::string error;        // why the line is wrong; empty when it is right
};

// The arguments after the program's name, as Windows splits them (quotes
// removed). Switch names are case-insensitive.
CommandLine parse_command_line(const std::vector<std::string>& args);

extern const char* const kUsage;

// Runs the data installation of the medium the program runs from
// (system.program_folder()) as the command line says, writing the log;
// returns the exit code.
int run_unattended(FileSystem& fs, System& system, const CommandLine& line);

}  // namespace vorlan
