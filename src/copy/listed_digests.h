#pragma once
// The SHA256SUMS of a data tree as a copy of the tree checks against it:
// each listed file's digest, found by the file's path as the tree's file
// system compares paths.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "copy/checksums.h"
#include "platform/file_system.h"

namespace vorlan {

struct ListedDigests {
    // In the order of the list's lines, then the list itself (see read_listed_digests).
    std::vector<ChecksumEntry> entries;
    // Index in `entries` by the path with "\" between folders, folded as the file system folds names.
    std::unordered_map<std::string, std::size_t> by_key;

    // The entry of the file at `relative` ("\" between folders), or nullptr.
    const ChecksumEntry* find(FileSystem& fs, const std::string& relative, std::size_t* index) const;
};

// Reads SHA256SUMS in the top folder `root` of a data tree. No list there:
// true with `*found` false. A list that cannot be read, or holds a wrong
// line, or two lines for what Windows takes for one file: false, with `*err`
// naming the list and the line. The list lists itself too, with the digest of
// the bytes just read, so that its copy is checked as every other file.
bool read_listed_digests(FileSystem& fs, const std::string& root, bool* found, ListedDigests* out, std::string* err);

}  // namespace vorlan
