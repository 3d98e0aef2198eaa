#pragma once
// /verificar: an installed data tree checked against its own SHA256SUMS from
// the command line, with no window, a log and an exit code.

#include "platform/file_system.h"
#include "platform/system.h"
#include "wizard/command_line.h"

namespace vorlan {

// Checks the tree at the command line's destination (C:\vorlan by default),
// writing the log; returns the exit code: EXIT_INSTALLED when every listed
// file is there and equal, EXIT_FILES_FAILED when not or when ended from
// outside, EXIT_NOT_STARTED with no tree or no readable list.
int run_verify(FileSystem& fs, System& system, const CommandLine& line);

}  // namespace vorlan
