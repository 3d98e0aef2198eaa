#include "copy/listed_digests.h"

#include <memory>

#include "copy/paths.h"

namespace vorlan {

namespace {

// More than any list of a real medium (a line is about 100 bytes): a
// larger file is no list, and reading it whole could exhaust the memory.
constexpr std::uint64_t kMostBytes = 256u << 20;

std::string key_of(FileSystem& fs, std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return fs.fold_case(path);
}

}  // namespace

const ChecksumEntry* ListedDigests::find(FileSystem& fs, const std::string& relative, std::size_t* index) const {
    const auto it = by_key.find(fs.fold_case(relative));
    if (it == by_key.end()) return nullptr;
    *index = it->second;
    return &entries[it->second];
}

bool read_listed_digests(FileSystem& fs, const std::string& root, bool* found, ListedDigests* out, std::string* err) {
    const std::string path = child_path(root, kChecksumsName);
    *found = false;
    Entry entry;
    if (!fs.lookup(path, &entry)) return true;
    *found = true;
    const std::string cannot = std::string("No se puede leer la lista de sumas de comprobación ") + path + ": ";
    if (entry.is_folder) {
        *err = cannot + "es una carpeta.";
        return false;
    }
    std::string why;
    const std::unique_ptr<InputFile> in = fs.open_read(path, &why);
    if (!in) {
        *err = cannot + why;
        return false;
    }
    if (in->size() > kMostBytes) {
        *err = cannot + "es demasiado grande para ser una lista de sumas.";
        return false;
    }
    std::string text(static_cast<std::size_t>(in->size()), '\0');
    std::size_t have = 0;
    for (std::size_t got = 1; got != 0 && have < text.size(); have += got)
        if (!in->read(text.data() + have, text.size() - have, &got, &why)) {
            *err = cannot + why;
            return false;
        }
    text.resize(have);
    if (!parse_checksums(text, &out->entries, &why)) {
        *err = "La lista de sumas de comprobación " + path + " no es correcta.\n" + why;
        return false;
    }
    out->by_key.clear();
    for (std::size_t i = 0; i < out->entries.size(); ++i) {
        const auto [seen, fresh] = out->by_key.emplace(key_of(fs, out->entries[i].path), i);
        if (fresh) continue;
        *err = "La lista de sumas de comprobación " + path + " no es correcta.\n" + kChecksumsName + ", línea " +
               std::to_string(i + 1) + ": \"" + out->entries[i].path + "\" es para Windows el mismo archivo que \"" +
               out->entries[seen->second].path + "\" de la línea " + std::to_string(seen->second + 1);
        return false;
    }
    if (out->by_key.emplace(key_of(fs, kChecksumsName), out->entries.size()).second)
        out->entries.push_back({kChecksumsName, sha256_of(text)});
    return true;
}

}  // namespace vorlan
