#pragma once
// SHA256SUMS, the list of the data tree's files with their SHA-256, in the
// form `sha256sum -c` reads: per line, 64 hexadecimal digits, two spaces (or a
// space and the binary marker "*") and the path relative to the tree with "/"
// between folders, in UTF-8. A name holding a backslash, a line feed or a
// carriage return is escaped as GNU coreutils escapes it: the line starts with
// "\" and the name has "\\", "\n" and "\r" in their place.
//
// A path from the list is joined to the tree's folder to read or write a
// file, so the parser refuses any that could lead elsewhere ("..", absolute,
// a drive, a "\" that Windows would take for a separator) as a wrong line.

#include <string>
#include <string_view>
#include <vector>

#include "copy/sha256.h"

namespace vorlan {

// The list's name, in the top folder of the data tree it describes.
inline constexpr const char* kChecksumsName = "SHA256SUMS";

struct ChecksumEntry {
    std::string path;  // relative, "/" between folders, UTF-8, unescaped
    Sha256Digest digest;

    bool operator==(const ChecksumEntry&) const = default;
};

// The entries of a list's text, in the order of its lines. CR LF line ends, a
// last line without one, a leading UTF-8 byte order mark, upper-case digits
// and the binary marker are accepted. On the first wrong line, false and
// `*err` = "SHA256SUMS, línea N: why" (nothing else is done with the list).
bool parse_checksums(std::string_view text, std::vector<ChecksumEntry>* entries, std::string* err);

// One line as sha256sum writes it, with its LF.
std::string checksum_line(const ChecksumEntry& entry);
// The whole list, sorted by path in byte order (as `LC_ALL=C sort`), as
// scripts/make-medium writes it.
std::string write_checksums(std::vector<ChecksumEntry> entries);

}  // namespace vorlan
