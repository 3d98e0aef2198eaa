#pragma once
// The folders the data may never go into or over, looked at before anything
// is written: a copy there would replace the system's own files, and the
// grant that ends it would give every user full control of them.

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/system.h"

namespace vorlan {

// Why `dest` (an absolute path) may not be the destination, naming it, or
// empty when it may: the root of a drive or of a network share; a folder of
// `known` itself (the Windows folder, a program-files folder, the
// program-data folder, the users' folder, a profile), or one that holds one
// of them; a folder directly in the users' folder, where Windows puts the
// profiles; and any folder inside the Windows folder. Two spellings of one
// folder are one: a folder that exists is known by its identity (other
// case, a short 8.3 name, doubled separators, a link to it), one that does
// not by its path without regard to case.
std::string refused_destination(FileSystem& fs, const std::vector<KnownFolder>& known, const std::string& dest);

}  // namespace vorlan
