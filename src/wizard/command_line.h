#pragma once
// The command line: the switches, what makes a line wrong, the usage text,
// and the exit codes that the runs without a window end with.

#include <string>
#include <vector>

namespace vorlan {

// Exit codes of the runs without a window (/datos, /verificar).
enum ExitCode : int {
    EXIT_INSTALLED = 0,     // every file copied, attributes cleared, grant done; /verificar: all listed files equal
    EXIT_FILES_FAILED = 1,  // the copy ran and some files failed; /verificar: a file missing or different
    EXIT_EXISTS = 2,        // the destination exists and /sobrescribir was not given
    EXIT_NOT_STARTED = 3,   // no source tree, overlap, no room, ...; /verificar: no tree or no list
    EXIT_RUNNING = 4,       // another instance is running; nothing written
    EXIT_USAGE = 5,         // the command line is wrong; nothing written
};

struct CommandLine {
    bool unattended = false;  // /datos
    bool help = false;        // /?
    bool overwrite = false;   // /sobrescribir
    bool verify = false;      // /verificar
    bool update = false;      // /actualizar
    std::string destination;  // /destino:CARPETA, as given; empty for the default
    std::string log;          // /registro:FICHERO, as given
    std::string error;        // why the line is wrong; empty when it is right
};

// The arguments after the program's name, as Windows splits them (quotes
// removed). Switch names are case-insensitive.
CommandLine parse_command_line(const std::vector<std::string>& args);

// The first character of a path that no Windows name may hold, or 0.
char bad_character(const std::string& path);

extern const char* const kUsage;

}  // namespace vorlan
