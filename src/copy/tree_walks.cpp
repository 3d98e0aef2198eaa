#include "copy/tree_walks.h"

#include <algorithm>
#include <unordered_map>

#include "copy/paths.h"

namespace vorlan {

bool list_folder(FileSystem& fs, const std::string& folder, std::vector<Entry>* entries, std::string* err) {
    std::string reason;
    if (fs.list(folder, entries, &reason)) return true;
    *err = "No se puede leer la carpeta " + folder + ": " + reason;
    return false;
}

bool walk_tree(FileSystem& fs, const std::string& root, FolderVisitor& visitor, std::string* err) {
    // One level per folder on the way down from the root: its listing, and
    // how far through it the walk has got.
    struct Level {
        std::vector<Entry> entries;
        std::size_t next = 0;
        std::size_t path_size = 0;  // of `path` while the walk is in this folder
    };
    std::vector<Level> levels;
    std::string path = root;
    auto enter = [&] {
        Level level;
        level.path_size = path.size();
        if (!list_folder(fs, path, &level.entries, err)) return false;
        if (!visitor.visit(path, static_cast<int>(levels.size()), level.entries, err)) return false;
        levels.push_back(std::move(level));
        return true;
    };
    if (!enter()) return false;
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.entries.size()) {
            levels.pop_back();
            if (!levels.empty()) path.resize(levels.back().path_size);
            continue;
        }
        const Entry& entry = level.entries[level.next++];
        if (!entry.is_folder) continue;
        path.resize(level.path_size);
        path = child_path(path, entry.name);
        if (!followed(entry)) {
            visitor.not_followed(path, static_cast<int>(levels.size()));
            continue;
        }
        if (!enter()) return false;
    }
    return true;
}

bool count_files(FileSystem& fs, WalkEvents& events, const std::string& folder, std::int64_t* count, std::string* err) {
    struct Counter : FolderVisitor {
        WalkEvents& events;
        std::int64_t count = 0;
        explicit Counter(WalkEvents& e) : events(e) {}
        bool visit(const std::string&, int, const std::vector<Entry>& entries, std::string*) override {
            for (const Entry& e : entries)
                if (!e.is_folder) ++count;
            events.yield();
            return true;
        }
        void not_followed(const std::string&, int) override {}
    } counter(events);
    const bool ok = walk_tree(fs, folder, counter, err);
    *count = counter.count;
    return ok;
}

namespace {

std::uint64_t rounded_up(std::uint64_t bytes, std::uint64_t cluster) {
    return cluster > 1 && bytes % cluster ? bytes + (cluster - bytes % cluster) : bytes;
}

class Measurer : public FolderVisitor {
public:
    Measurer(FileSystem& fs, WalkEvents& events, Roots roots, std::uint64_t cluster, std::uint64_t largest_file)
        : fs_(fs), events_(events), roots_(std::move(roots)), cluster_(cluster), largest_file_(largest_file) {}

    bool visit(const std::string& folder, int depth, const std::vector<Entry>& entries, std::string*) override {
        for (const Entry& e : entries) {
            if (!copied(e)) continue;
            size.bytes += e.size;
            size.room += rounded_up(e.size, cluster_);
            if (e.size > largest_file_ && size.too_large.empty()) size.too_large = child_path(folder, e.name);
        }
        // The files already at the destination give their room back when
        // replaced; a destination folder that is not there has none, nor
        // have the folders under it.
        there_.resize(static_cast<std::size_t>(depth) + 1);
        std::vector<Entry> older;
        std::string ignored;
        there_[depth] = !roots_.dest.empty() && (depth == 0 || there_[depth - 1]) &&
                        fs_.list(destination_path(roots_, folder), &older, &ignored) && !older.empty();
        if (there_[depth]) {
            std::unordered_map<std::string, std::uint64_t> sizes;
            for (const Entry& e : older)
                if (!e.is_folder) sizes.emplace(fs_.fold_case(e.name), rounded_up(e.size, cluster_));
            for (const Entry& e : entries) {
                if (!copied(e)) continue;
                const auto it = sizes.find(fs_.fold_case(e.name));
                if (it == sizes.end()) continue;
                size.freed += it->second;
                size.largest_replaced = std::max(size.largest_replaced, it->second);
            }
        }
        events_.yield();  // as the other walks: a large tree keeps the window alive
        return true;
    }
    void not_followed(const std::string&, int) override {}

    TreeSize size;

private:
    FileSystem& fs_;
    WalkEvents& events_;
    const Roots roots_;
    const std::uint64_t cluster_, largest_file_;
    std::vector<bool> there_;  // by depth: whether the destination has the folder being measured
};

}  // namespace

bool measure_tree(FileSystem& fs, WalkEvents& events, const std::string& folder, const std::string& dest,
                  std::uint64_t cluster, std::uint64_t largest_file, TreeSize* size, std::string* err) {
    Measurer measurer(fs, events, {folder, dest}, cluster, largest_file);
    const bool ok = walk_tree(fs, folder, measurer, err);
    *size = measurer.size;
    return ok;
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
