#include <vector>

#include "copy/copy.h"
#include "copy/walk.h"

namespace vorlan {

bool NumFiles(App& app, const Folder& fld, bool NestedDirs, std::int64_t* count, std::string* err) {
    *count = 0;
    std::vector<Entry> entries;
    if (!list_folder(app.fs, fld.path, &entries, err)) return false;
    for (const Entry& e : entries)
        if (!e.is_folder) ++*count;
    app.form.yield();
    if (!NestedDirs) return true;
    for (const Entry& e : entries) {
        if (!e.is_folder) continue;
        std::int64_t sub = 0;
        const bool ok = NumFiles(app, Folder{child_path(fld.path, e.name)}, NestedDirs, &sub, err);
        *count += sub;
        if (!ok) return false;
    }
    return true;
}

bool AttribFiles(App& app, const Folder& fld, bool NestedDirs, std::string* err) {
    std::vector<Entry> entries;
    if (!list_folder(app.fs, fld.path, &entries, err)) return false;
    auto clear = [&](const Entry& e) {
        // An entry with nothing to clear is left as it is: each change opens
        // the entry, and under Wine a destination of some hundred new folders
        // would hold the window for a tenth of a second between two yields.
        if ((e.attributes & ~std::uint32_t{ATTR_DIRECTORY | ATTR_NORMAL}) == 0) return true;
        const std::string path = child_path(fld.path, e.name);
        std::string reason;
        if (app.fs.set_attributes(path, 0, &reason)) return true;
        *err = "No se pueden cambiar los atributos de " + path + ": " + reason;
        return false;
    };
    for (const Entry& e : entries)
        if (!e.is_folder && !clear(e)) return false;
    app.form.yield();
    if (!NestedDirs) return true;
    for (const Entry& e : entries)
        if (e.is_folder && !clear(e)) return false;
    return true;
}

bool FolderSize(App& app, const Folder& fld, std::uint64_t* size, std::string* err) {
    *size = 0;
    std::vector<Entry> entries;
    if (!list_folder(app.fs, fld.path, &entries, err)) return false;
    for (const Entry& e : entries)
        if (!e.is_folder) *size += e.size;
    app.form.yield();  // as the other walks: a large tree keeps the window alive
    for (const Entry& e : entries) {
        if (!e.is_folder) continue;
        std::uint64_t sub = 0;
        const bool ok = FolderSize(app, Folder{child_path(fld.path, e.name)}, &sub, err);
        *size += sub;
        if (!ok) return false;
    }
    return true;
}

}  // namespace vorlan
