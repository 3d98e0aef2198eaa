#pragma once
// The data installation run from the command line with no window: for
// administrators who push the data to many computers from a script.

#include "platform/file_system.h"
#include "platform/system.h"
#include "wizard/command_line.h"

namespace vorlan {

// Runs the data installation of the medium the program runs from
// (system.program_folder()) as the command line says, writing the log;
// returns the exit code.
int run_unattended(FileSystem& fs, System& system, const CommandLine& line);

}  // namespace vorlan
