#include "copy/grant.h"

#include <memory>
#include <utility>

#include "copy/paths.h"

namespace vorlan {

namespace {

// A yield per folder alone would leave the window unanswered for the whole
// grant of a folder of thousands of files.
constexpr int kEntriesPerYield = 64;

const char* const kLink =
    "Es una unión, un vínculo simbólico o un punto de montaje: no se dan permisos a través de él.";
const char* const kChanged = "Ha cambiado mientras se daban los permisos: no se le dan.";

std::string other_names(std::uint32_t names) {
    return "El archivo tiene " + std::to_string(names) +
           " nombres (vínculos físicos), y sus permisos son los de todos ellos: no se le dan.";
}

bool listed_as_link(const Entry& e) { return (e.attributes & ATTR_REPARSE_POINT) != 0; }

// A folder of the walk, held while what is in it is walked.
struct Level {
    std::unique_ptr<HeldEntry> folder;
    std::string path;
    std::vector<Entry> entries;
    std::size_t next = 0;
};

// The folder at `path`, and every folder above it from the volume's root
// down, each held and checked; the last is `path`'s. False, with why, when
// one cannot be held, is no folder or is a link. Under Wine a link shows in
// the folder's attributes and not through its handle; on Windows in both.
bool hold_down_to(FileSystem& fs, const std::string& path, std::vector<std::unique_ptr<HeldEntry>>* held,
                  std::string* err) {
    std::vector<std::string> chain;
    const std::size_t volume = root_length(path);
    if (volume != 0 && volume < path.size()) {
        chain.push_back(path.substr(0, volume));
        for (std::size_t at = path.find('\\', volume); at != std::string::npos; at = path.find('\\', at + 1))
            chain.push_back(path.substr(0, at));
    }
    chain.push_back(path);
    for (const std::string& folder : chain) {
        std::string reason;
        std::unique_ptr<HeldEntry> entry = fs.hold(folder, folder == path ? Hold::Folder : Hold::Above, &reason);
        std::uint32_t attrs = 0;
        if (!entry) {
            *err = "No se puede abrir la carpeta " + folder + ": " + reason;
        } else if (entry->facts().is_link || (fs.attributes(folder, &attrs) && (attrs & ATTR_REPARSE_POINT))) {
            *err = "La carpeta " + folder +
                   " es una unión, un vínculo simbólico o un punto de montaje: no se dan permisos a través de ella.";
        } else if (!entry->facts().is_folder) {
            *err = folder + " no es una carpeta.";
        } else {
            held->push_back(std::move(entry));
            continue;
        }
        return false;
    }
    return true;
}

// Grants the entry `e` at `path` if it may be, saying why not in `*why`;
// gives back the held folder when it is one to walk (granted or not, as
// one whose change is refused may hold entries that can be changed).
std::unique_ptr<HeldEntry> grant_entry(FileSystem& fs, const Entry& e, const std::string& path, GrantResult* result,
                                       std::string* why) {
    if (listed_as_link(e)) {
        *why = kLink;
        return nullptr;
    }
    std::unique_ptr<HeldEntry> held = fs.hold(path, e.is_folder ? Hold::Folder : Hold::File, why);
    if (!held) return nullptr;
    const HeldFacts& facts = held->facts();
    if (facts.is_link) {
        *why = kLink;
        return nullptr;
    }
    if (facts.is_folder != e.is_folder) {
        *why = kChanged;
        return nullptr;
    }
    if (!facts.is_folder && facts.names > 1) {
        *why = other_names(facts.names);
    } else if (held->grant_all_users(why)) {
        ++result->granted;
    }
    return facts.is_folder ? std::move(held) : nullptr;
}

// Lists a folder into a new level of the walk; a folder whose
// entries cannot be read leaves them without the grant, which is said.
Level opened(std::unique_ptr<HeldEntry> folder, const std::string& path, GrantResult* result) {
    Level level{std::move(folder), path, {}, 0};
    std::string reason;
    if (!level.folder->list(&level.entries, &reason))
        result->not_granted.push_back({path, "No se pueden leer sus entradas para darles permisos: " + reason});
    return level;
}

}  // namespace

bool grant_all_users(FileSystem& fs, WalkEvents& events, const std::string& root, GrantResult* result,
                     std::string* err) {
    *result = {};
    std::string path = collapse_separators(root);
    while (path.size() > 1 && path.back() == '\\' && root_length(path) < path.size()) path.pop_back();
    std::vector<std::unique_ptr<HeldEntry>> above;
    if (!hold_down_to(fs, path, &above, err)) return false;
    std::unique_ptr<HeldEntry> top = std::move(above.back());
    above.pop_back();

    std::string reason;
    if (top->grant_all_users(&reason)) {
        ++result->granted;
    } else {
        result->not_granted.push_back({path, reason});
    }
    // Folders held from the root down to the one being walked; no recursion:
    // a tree may be thousands of folders deep.
    std::vector<Level> levels;
    levels.push_back(opened(std::move(top), path, result));
    events.yield();
    int since_yield = 0;
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.entries.size()) {
            levels.pop_back();
            continue;
        }
        const Entry& e = level.entries[level.next++];
        const std::string entry_path = child_path(level.path, e.name);
        std::string why;
        std::unique_ptr<HeldEntry> folder = grant_entry(fs, e, entry_path, result, &why);
        if (!why.empty()) result->not_granted.push_back({entry_path, why});
        if (folder) {
            levels.push_back(opened(std::move(folder), entry_path, result));
            events.yield();
            since_yield = 0;
        } else if (++since_yield == kEntriesPerYield) {
            events.yield();
            since_yield = 0;
        }
    }
    return true;
}

}  // namespace vorlan
