#include "copy/destination_checks.h"

#include <optional>

#include "copy/paths.h"

namespace vorlan {

namespace {

const char* name_of(KnownFolder::Kind kind) {
    switch (kind) {
        case KnownFolder::Kind::Windows: return "la carpeta de Windows";
        case KnownFolder::Kind::ProgramFiles: return "una carpeta de programas";
        case KnownFolder::Kind::ProgramData: return "la carpeta de datos de los programas";
        case KnownFolder::Kind::Users: return "la carpeta de los usuarios";
        case KnownFolder::Kind::Profile: return "la carpeta de un usuario";
    }
    return "una carpeta del sistema";
}

// A folder, as the file system compares its path, with its identity when it exists.
struct Place {
    std::string key;
    std::optional<FileId> id;
};

bool same(const Place& a, const Place& b) { return (a.id && b.id && *a.id == *b.id) || a.key == b.key; }

std::string trimmed(const std::string& path) {
    std::string p = collapse_separators(path);
    while (p.size() > 1 && p.back() == '\\') p.pop_back();
    return p;
}

// `path` and every folder above it up to its volume's root, nearest first.
std::vector<Place> places(FileSystem& fs, const std::string& path) {
    std::vector<Place> out;
    std::string p = trimmed(path);
    const std::size_t volume = root_length(p);
    while (!p.empty()) {
        FileId id;
        out.push_back({path_key(fs, p), fs.identify(p, &id) ? std::optional<FileId>(id) : std::nullopt});
        if (p.size() <= volume) break;
        const std::size_t slash = p.rfind('\\');
        // The root keeps its separator: "C:" alone names the current folder of drive C.
        p = slash == std::string::npos || slash + 1 <= volume ? p.substr(0, volume) : p.substr(0, slash);
    }
    return out;
}

}  // namespace

std::string refused_destination(FileSystem& fs, const std::vector<KnownFolder>& known, const std::string& dest) {
    const std::string path = trimmed(dest);
    const std::string start = "El directorio de destino " + dest;
    const std::string end =
        "\nNo se copiará nada en él ni se darán permisos sobre él: elija otro directorio de destino.";
    if (root_length(path) >= path.size())
        return start + " es la raíz de una unidad o de un recurso compartido de red." + end;

    const std::vector<Place> here = places(fs, path);  // the destination, then the folders above it
    std::vector<std::vector<Place>> theirs;
    for (const KnownFolder& k : known) theirs.push_back(places(fs, k.path));
    for (std::size_t i = 0; i < known.size(); ++i)
        if (!theirs[i].empty() && same(here[0], theirs[i][0]))
            return start + " es " + name_of(known[i].kind) + "." + end;
    for (std::size_t i = 0; i < known.size(); ++i) {
        // Windows makes every user's profile there, and the users' folder is
        // no place for anything else.
        if (known[i].kind == KnownFolder::Kind::Users && here.size() > 1 && !theirs[i].empty() &&
            same(here[1], theirs[i][0]))
            return start + " es una carpeta de usuario: está directamente en la carpeta de los usuarios (" +
                   known[i].path + ")." + end;
    }
    for (std::size_t i = 0; i < known.size(); ++i)
        for (std::size_t up = 1; up < theirs[i].size(); ++up)
            if (same(here[0], theirs[i][up]))
                return start + " contiene " + name_of(known[i].kind) + " (" + known[i].path + ")." + end;
    // The system's own files, which no data installation has any business replacing.
    for (std::size_t i = 0; i < known.size(); ++i) {
        if (known[i].kind != KnownFolder::Kind::Windows || theirs[i].empty()) continue;
        for (std::size_t up = 1; up < here.size(); ++up)
            if (same(here[up], theirs[i][0]))
                return start + " está dentro de la carpeta de Windows (" + known[i].path + ")." + end;
    }
    return {};
}

}  // namespace vorlan
