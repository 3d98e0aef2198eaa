#include "copy/paths.h"

#include <cctype>

namespace vorlan {

std::string collapse_separators(const std::string& path) {
    if (path.find("\\\\", 1) == std::string::npos) return path;
    std::string out;
    out.reserve(path.size());
    std::size_t i = 0;
    // A leading "\\" names a network share and stays.
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        out = "\\\\";
        i = 2;
    }
    for (; i < path.size(); ++i) {
        if (path[i] == '\\' && !out.empty() && out.back() == '\\') continue;
        out += path[i];
    }
    return out;
}

std::string path_key(FileSystem& fs, const std::string& path) {
    std::string out = collapse_separators(path);
    while (out.size() > 1 && out.back() == '\\') out.pop_back();
    return fs.fold_case(out);
}

bool key_within(const std::string& p, const std::string& f) {
    if (f.empty() || p.compare(0, f.size(), f) != 0) return false;
    return p.size() == f.size() || p[f.size()] == '\\' || f.back() == '\\';
}

bool path_within(FileSystem& fs, const std::string& path, const std::string& folder) {
    return key_within(path_key(fs, path), path_key(fs, folder));
}

std::size_t root_length(const std::string& path) {
    const auto starts = [&](std::size_t at, const std::string& text) {
        if (path.size() < at + text.size()) return false;
        for (std::size_t i = 0; i < text.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(path[at + i])) != text[i]) return false;
        return true;
    };
    std::size_t at = 0;
    bool share = false;
    if (starts(0, "\\\\?\\") || starts(0, "\\\\.\\")) {
        at = 4;
        share = starts(at, "unc\\");
        if (share) at += 4;
    } else if (starts(0, "\\\\")) {
        at = 2;
        share = true;
    } else if (path.size() >= 2 && path[1] == ':') {
        return path.size() >= 3 && path[2] == '\\' ? 3 : 2;
    } else {
        return 0;
    }
    // A share is a server and a share name; a device path a drive or a volume.
    std::size_t end = path.find('\\', at);
    if (share && end != std::string::npos) end = path.find('\\', end + 1);
    return end == std::string::npos ? path.size() : end + 1;
}

std::string child_path(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '\\') return folder + name;
    return folder + "\\" + name;
}

std::string destination_path(const Roots& roots, const std::string& path) {
    std::string root = collapse_separators(roots.source);
    while (root.size() > 1 && root.back() == '\\') root.pop_back();
    // Only a root at the start, followed by a separator or the end: elsewhere
    // its text may be part of a subfolder's name.
    if (root.empty() || path.compare(0, root.size(), root) != 0) return path;
    if (path.size() > root.size() && path[root.size()] != '\\') return path;
    return roots.dest + path.substr(root.size());
}

}  // namespace vorlan
