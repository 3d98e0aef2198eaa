#include "copy/tree_walks.h"

#include <unordered_map>

#include "copy/paths.h"

namespace vorlan {

bool list_folder(FileSystem& fs, const std::string& folder, std::vector<Entry>* entries, std::string* err) {
    std::string reason;
    if (fs.list(folder, entries, &reason)) return true;
    *err = "No se puede leer la carpeta " + folder + ": " + reason;
    return false;
}

bool count_files(FileSystem& fs, WalkEvents& events, const std::string& folder, std::int64_t* count, std::string* err) {
    *count = 0;
    std::vector<Entry> entries;
    if (!list_folder(fs, folder, &entries, err)) return false;
    for (const Entry& e : entries)
        if (!e.is_folder) ++*count;
    events.yield();
    for (const Entry& e : entries) {
        if (!followed(e)) continue;
        std::int64_t sub = 0;
        const bool ok = count_files(fs, events, child_path(folder, e.name), &sub, err);
        *count += sub;
        if (!ok) return false;
    }
    return true;
}

bool measure_tree(FileSystem& fs, WalkEvents& events, const std::string& folder, const std::string& dest,
                  std::uint64_t* size, std::uint64_t* replaced, std::string* err) {
    *size = 0;
    *replaced = 0;
    std::vector<Entry> entries;
    if (!list_folder(fs, folder, &entries, err)) return false;
    // The files already at the destination give their room back when replaced.
    std::vector<Entry> there;
    std::string ignored;
    if (!dest.empty() && fs.list(dest, &there, &ignored)) {
        std::unordered_map<std::string, std::uint64_t> sizes;
        for (const Entry& e : there)
            if (!e.is_folder) sizes.emplace(folded(e.name), e.size);
        for (const Entry& e : entries) {
            if (!copied(e)) continue;
            const auto it = sizes.find(folded(e.name));
            if (it != sizes.end()) *replaced += it->second;
        }
    }
    for (const Entry& e : entries)
        if (copied(e)) *size += e.size;
    events.yield();  // as the other walks: a large tree keeps the window alive
    for (const Entry& e : entries) {
        if (!followed(e)) continue;
        std::uint64_t sub = 0, sub_replaced = 0;
        const std::string sub_dest = there.empty() ? std::string() : child_path(dest, e.name);
        const bool ok = measure_tree(fs, events, child_path(folder, e.name), sub_dest, &sub, &sub_replaced, err);
        *size += sub;
        *replaced += sub_replaced;
        if (!ok) return false;
    }
    return true;
}

bool clear_attributes(FileSystem& fs, WalkEvents& events, const std::string& folder, std::string* err) {
    std::vector<Entry> entries;
    if (!list_folder(fs, folder, &entries, err)) return false;
    auto clear = [&](const Entry& e) {
        // An entry with nothing to clear is left as it is: each change opens
        // the entry, and under Wine a destination of some hundred new folders
        // would hold the window for a tenth of a second between two yields.
        if ((e.attributes & ~std::uint32_t{ATTR_DIRECTORY | ATTR_NORMAL}) == 0) return true;
        const std::string path = child_path(folder, e.name);
        std::string reason;
        if (fs.set_attributes(path, 0, &reason)) return true;
        *err = "No se pueden cambiar los atributos de " + path + ": " + reason;
        return false;
    };
    for (const Entry& e : entries)
        if (!e.is_folder && !clear(e)) return false;
    events.yield();
    for (const Entry& e : entries)
        if (e.is_folder && !clear(e)) return false;
    return true;
}

}  // namespace vorlan
