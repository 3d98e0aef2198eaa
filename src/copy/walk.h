#pragma once
// Helpers shared by the walks over folder trees.

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vorlan {

struct App;

// `folder` + "\" + `name`, with one separator whether or not `folder` ends
// with one (a drive root such as "D:\").
std::string child_path(const std::string& folder, const std::string& name);

// The entries of a folder; on failure `*err` says which folder and why.
bool list_folder(FileSystem& fs, const std::string& folder, std::vector<Entry>* entries, std::string* err);

// Whether `path` is `folder` or lies under it, compared as Windows compares
// paths: without regard to case or to doubled separators.
bool path_within(const std::string& path, const std::string& folder);

// MakeDirPath that tells whether it made the folder: true when nothing stood
// there and the folder could be made.
bool make_dir_path(App& app, std::string path);

// CopyFile into a folder that the walk has just made for this folder's files:
// no file can stand at `Dst` yet, so none is looked for.
bool CopyFileIntoNewFolder(App& app, const std::string& Src, const std::string& Dst);

}  // namespace vorlan
