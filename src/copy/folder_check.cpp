#include "copy/folder_check.h"

#include <unordered_map>
#include <unordered_set>

#include "copy/file_copy.h"
#include "copy/paths.h"
#include "copy/tree_walks.h"

namespace vorlan {

void check_folder(FileSystem& fs, const std::string& folder, std::vector<WrittenFile>* written) {
    std::vector<Entry> entries;
    std::string err;
    if (!list_folder(fs, folder, &entries, &err)) {
        for (WrittenFile& f : *written)
            if (f.ok) f.missing = "No se ha podido comprobar el archivo en el destino. " + err;
        return;
    }
    // By the name as stored first: that is every file, but where the system
    // kept an older file's name in another case when it replaced it (Wine
    // does), which is still the same name to Windows.
    std::unordered_map<std::string, std::uint64_t> exact, folded;
    for (const Entry& e : entries)
        if (!e.is_folder) exact.emplace(e.name, e.size);
    for (WrittenFile& f : *written) {
        if (!f.ok) continue;
        auto it = exact.find(f.name);
        if (it == exact.end()) {
            if (folded.empty())
                for (const Entry& e : entries)
                    if (!e.is_folder) folded.emplace(fs.fold_case(e.name), e.size);
            it = folded.find(fs.fold_case(f.name));
            if (it == folded.end()) {
                f.missing = "Después de la copia el archivo no está en el destino: otro archivo ha ocupado su nombre.";
                continue;
            }
        }
        if (it->second != f.bytes)
            f.missing =
                "Después de la copia el archivo del destino no tiene el tamaño copiado: otro archivo lo ha "
                "sustituido.";
    }

    std::unordered_set<std::string> ours;  // made only when the folder holds a temporary
    for (const Entry& e : entries) {
        if (e.is_folder || !is_temporary_name(e.name)) continue;
        if (ours.empty())
            for (const WrittenFile& f : *written) ours.insert(fs.fold_case(f.name));
        if (ours.count(fs.fold_case(e.name))) continue;  // the medium's own file of that name
        // A leftover that cannot go now (another program holds it) is left
        // for the next run.
        const std::string path = child_path(folder, e.name);
        std::string ignored;
        if (!fs.remove_file(path, &ignored) && (e.attributes & ATTR_READONLY) && fs.set_attributes(path, 0, &ignored))
            fs.remove_file(path, &ignored);
    }
}

}  // namespace vorlan
