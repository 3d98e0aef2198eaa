#pragma once
// The data copy engine: the walks over the source and destination trees and
// the single-file copy. Counts are 64-bit: a tree may hold any number of files.

#include <cstdint>
#include <string>

#include "wizard/app.h"

namespace vorlan {

// A folder, by its path as the file system reports it (single separators).
struct Folder {
    std::string path;
};

// Files at every depth (NestedDirs) or directly in `fld`. Yields once per folder.
bool NumFiles(App& app, const Folder& fld, bool NestedDirs, std::int64_t* count, std::string* err);

// Sets the attributes of the files directly in `fld`, and of its immediate
// subfolders (NestedDirs), to 0. Yields once.
bool AttribFiles(App& app, const Folder& fld, bool NestedDirs, std::string* err);

// Size in bytes of every file at every depth of `fld`.
bool FolderSize(App& app, const Folder& fld, std::uint64_t* size, std::string* err);

// Copies the tree under `fld` to the destination, logging every file.
// `*copied` receives the files copied successfully. False only when the walk
// itself fails (a folder that cannot be listed, a counter that cannot be read).
bool ListFilesCopy(App& app, const Folder& fld, bool NestedDirs, double FldSize, double& TamPgrs,
                   std::int64_t* copied, std::string* err);

// Maps a path under the source root to the same path under the destination.
std::string ChangePath(const App& app, const std::string& SpecIn);

// Makes sure a folder exists, creating every missing folder on the way; quiet.
void MakeDirPath(App& app, std::string path);

// Copies one file in 1024-byte blocks, moving the per-file bar.
bool CopyFile(App& app, const std::string& Src, const std::string& Dst);

// A path with its doubled separators collapsed, as a folder object reports it.
std::string collapse_separators(const std::string& path);

}  // namespace vorlan
