#pragma once
// A new file of the copy's, marked for deletion from its creation until it
// is complete: should the process end in any way before (a kill, a crash, the
// end of the session), the system removes it as it closes the process's
// handles, and nothing partial stays under any name. The mark is set and
// cleared on the file's own handle (FileDispositionInfo), not made with
// FILE_FLAG_DELETE_ON_CLOSE, which nothing can take back.

#include <memory>
#include <string>

#include "platform/file_system.h"

namespace vorlan::win32 {

// Creates the file at `path` (in its "\\?\" form) with CREATE_NEW: a file
// already reached by that name, whatever its own name, is never opened.
std::unique_ptr<NewFile> create_new_file(const std::wstring& path, bool* exists, std::string* err);

}  // namespace vorlan::win32
