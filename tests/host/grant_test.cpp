// The grant that ends an installation, and the destinations refused before
// anything is written, on the in-memory file system.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "copy/destination_checks.h"
#include "copy/grant.h"
#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"

namespace vorlan::test {
namespace {

struct Yields : WalkEvents {
    int count = 0;
    void yield() override { ++count; }
};

// Every entry under `folder`, links' contents too, as the fake holds them.
void entries_under(MemoryFileSystem& fs, const std::string& folder, std::vector<std::string>* out) {
    std::vector<Entry> entries;
    std::string err;
    fs.list(folder, &entries, &err);
    for (const Entry& e : entries) {
        const std::string path = folder + "\\" + e.name;
        out->push_back(path);
        if (e.is_folder) entries_under(fs, path, out);
    }
}

const std::string kRoot = "C:\\datos\\vorlan";
const char* const kLink =
    ": Es una unión, un vínculo simbólico o un punto de montaje: no se dan permisos a través de él.";

// Every entry of the tree, made by the copy or found there, gets all users'
// full control once, through however many folders; what a link leads to
// never does, wherever the link is planted, nor does a file that has other
// names; each entry left out is named with why, and the walk goes on.
TEST(Grant, ReachesEveryEntryOnceAndNothingThroughALinkOrASharedFile) {
    const struct {
        const char* name;
        std::function<void(MemoryFileSystem&)> plant;
        std::vector<std::string> not_granted;  // "path: reason", in the walk's order, paths under kRoot
        std::vector<std::string> untouched;    // entries under kRoot that keep their access list
        const char* refused = nullptr;         // the grant does not start, and says this
    } cases[] = {
        {"nothing planted", [](auto&) {}, {}, {}},
        {"a folder link at the top",
         [](auto& fs) {
             fs.add_folder(kRoot + "\\enlace", ATTR_REPARSE_POINT);
             fs.add_file(kRoot + "\\enlace\\sistema.dll", "x");
         },
         {"\\enlace" + std::string(kLink)},
         {"\\enlace", "\\enlace\\sistema.dll"}},
        {"a folder link three folders down",
         [](auto& fs) {
             fs.add_folder(kRoot + "\\mapas\\z1\\z2\\enlace", ATTR_REPARSE_POINT);
             fs.add_folder(kRoot + "\\mapas\\z1\\z2\\enlace\\dentro");
         },
         {"\\mapas\\z1\\z2\\enlace" + std::string(kLink)},
         {"\\mapas\\z1\\z2\\enlace", "\\mapas\\z1\\z2\\enlace\\dentro"}},
        {"a file link",
         [](auto& fs) { fs.add_file(kRoot + "\\mapas\\z1\\clave.dat", "", ATTR_REPARSE_POINT); },
         {"\\mapas\\z1\\clave.dat" + std::string(kLink)},
         {"\\mapas\\z1\\clave.dat"}},
        {"a folder swapped for a link after its folder was listed",
         [](auto& fs) { fs.faults(kRoot + "\\mapas\\z1").link_to_handle = true; },
         {"\\mapas\\z1" + std::string(kLink)},
         {"\\mapas\\z1", "\\mapas\\z1\\t.png", "\\mapas\\z1\\z2", "\\mapas\\z1\\z2\\hondo.dat"}},
        {"a link that only its folder's listing shows",
         [](auto& fs) {
             fs.add_folder(kRoot + "\\mapas\\unix", ATTR_REPARSE_POINT);
             fs.faults(kRoot + "\\mapas\\unix").link_to_handle = false;
             fs.add_file(kRoot + "\\mapas\\unix\\passwd", "x");
         },
         {"\\mapas\\unix" + std::string(kLink)},
         {"\\mapas\\unix", "\\mapas\\unix\\passwd"}},
        {"a file with another name",
         [](auto& fs) { fs.set_names(kRoot + "\\mapas\\z1\\t.png", 2); },
         {"\\mapas\\z1\\t.png: El archivo tiene 2 nombres (vínculos físicos), y sus permisos son los de todos "
          "ellos: no se le dan."},
         {"\\mapas\\z1\\t.png"}},
        {"a folder whose list cannot be changed, with entries that can",
         [](auto& fs) { fs.faults(kRoot + "\\mapas").grant_fails = true; },
         {"\\mapas: Acceso denegado."},
         {"\\mapas"}},
        {"a folder another program holds",
         [](auto& fs) { fs.faults(kRoot + "\\mapas\\z1").held = true; },
         {"\\mapas\\z1: El proceso no tiene acceso al archivo porque está siendo utilizado por otro proceso."},
         {"\\mapas\\z1", "\\mapas\\z1\\t.png", "\\mapas\\z1\\z2", "\\mapas\\z1\\z2\\hondo.dat"}},
        {"a folder that cannot be read",
         [](auto& fs) { fs.faults(kRoot + "\\mapas\\z1").list_fails = true; },
         {"\\mapas\\z1: No se pueden leer sus entradas para darles permisos: Acceso denegado."},
         {"\\mapas\\z1\\t.png", "\\mapas\\z1\\z2", "\\mapas\\z1\\z2\\hondo.dat"}},
        {"the destination is a link",
         [](auto& fs) { fs.add_folder(kRoot, ATTR_REPARSE_POINT); },
         {},
         {"", "\\a.dat", "\\mapas", "\\mapas\\z1", "\\mapas\\z1\\t.png", "\\mapas\\z1\\z2",
          "\\mapas\\z1\\z2\\hondo.dat", "\\vacia"},
         "La carpeta C:\\datos\\vorlan es una unión"},
        {"a folder above it is a link, as only its attributes show",
         [](auto& fs) {
             fs.add_folder("C:\\datos", ATTR_REPARSE_POINT);
             fs.faults("C:\\datos").link_to_handle = false;
         },
         {},
         {"", "\\a.dat", "\\mapas", "\\mapas\\z1", "\\mapas\\z1\\t.png", "\\mapas\\z1\\z2",
          "\\mapas\\z1\\z2\\hondo.dat", "\\vacia"},
         "La carpeta C:\\datos es una unión"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFileSystem fs;
        fs.add_file(kRoot + "\\a.dat", "copiado");
        fs.add_file(kRoot + "\\mapas\\z1\\t.png", "hallado");
        fs.add_file(kRoot + "\\mapas\\z1\\z2\\hondo.dat", "hallado");
        fs.add_folder(kRoot + "\\vacia");
        fs.add_file("C:\\datos\\otro.dat", "fuera");
        c.plant(fs);
        Yields events;
        GrantResult result;
        std::string err;
        const bool started = grant_all_users(fs, events, kRoot + "\\", &result, &err);
        EXPECT_EQ(started, c.refused == nullptr) << err;
        if (c.refused) {
            EXPECT_EQ(err.find(c.refused), 0u) << err;
        }

        std::vector<std::string> told;
        for (const Failure& f : result.not_granted)
            told.push_back(f.path.starts_with(kRoot) ? f.path.substr(kRoot.size()) + ": " + f.reason
                                                     : f.path + ": " + f.reason);
        EXPECT_EQ(told, c.not_granted);
        std::vector<std::string> all = {kRoot};
        entries_under(fs, kRoot, &all);
        std::int64_t granted = 0;
        for (const std::string& path : all) {
            const std::string relative = path.substr(kRoot.size());
            const bool untouched = std::count(c.untouched.begin(), c.untouched.end(), relative) != 0;
            EXPECT_EQ(fs.grants(path), untouched ? 0 : 1) << path << "\n" << fs.describe();
            granted += untouched ? 0 : 1;
        }
        EXPECT_EQ(result.granted, granted);
        for (const char* outside : {"C:\\", "C:\\datos", "C:\\datos\\otro.dat"}) EXPECT_EQ(fs.grants(outside), 0);
    }
}

// Each grant waits on the system; the files of a folder are granted several
// at once, and the window is answered every few of them whoever granted them.
TEST(Grant, GrantsSeveralFilesAtOnceAndKeepsTheWindowAnswering) {
    MemoryFileSystem fs;
    for (int i = 0; i < 640; ++i) {
        const std::string file = "C:\\vorlan\\f" + std::to_string(i);
        fs.add_file(file, "");
        fs.faults(file).grant_slow = true;
    }
    Yields events;
    GrantResult result;
    std::string err;
    ASSERT_TRUE(grant_all_users(fs, events, "C:\\vorlan", &result, &err)) << err;
    EXPECT_EQ(result.granted, 641);
    EXPECT_GE(fs.most_slow_grants, 2);
    EXPECT_GE(events.count, 5) << events.count;  // one a folder, and one every 64 entries: 11
}

// Any spelling of the system's own folders, and of the folders that hold
// them, is refused, naming the folder and why; a folder of the user's own, or
// one inside the program folders, is not.
TEST(Destination, RefusedWhenItIsOrHoldsTheSystemsFolders) {
    MemoryFileSystem fs;
    std::vector<KnownFolder> known = FakeSystem().known;
    known.push_back({KnownFolder::Kind::Profile, "D:\\perfiles\\luis"});
    for (const KnownFolder& k : known) fs.add_folder(k.path);
    fs.add_folder("C:\\Windows\\System32");
    fs.add_alias("C:\\PROGRA~1", "C:\\Program Files");
    fs.add_alias("C:\\USERS~1", "C:\\Users");
    fs.add_alias("C:\\Documents and Settings", "C:\\Users");  // a link to it, as Windows makes
    const char* const cases[][2] = {
        {"C:\\", "es la raíz de una unidad o de un recurso compartido de red."},
        {"c:", "es la raíz de una unidad"},
        {"\\\\servidor\\datos", "es la raíz de una unidad"},
        {"\\\\servidor\\datos\\", "es la raíz de una unidad"},
        {"\\\\?\\UNC\\servidor\\datos", "es la raíz de una unidad"},
        {"\\\\?\\C:\\", "es la raíz de una unidad"},
        {"C:\\Windows", "es la carpeta de Windows."},
        {"c:\\WINDOWS\\\\", "es la carpeta de Windows."},
        {"C:\\Windows\\System32", "está dentro de la carpeta de Windows (C:\\Windows)."},
        {"C:\\Windows\\vorlan", "está dentro de la carpeta de Windows (C:\\Windows)."},
        {"C:\\PROGRA~1", "es una carpeta de programas."},
        {"C:\\Program Files (x86)", "es una carpeta de programas."},
        {"C:\\ProgramData", "es la carpeta de datos de los programas."},
        {"C:\\Users", "es la carpeta de los usuarios."},
        {"C:\\Documents and Settings", "es la carpeta de los usuarios."},
        {"C:\\Users\\ana", "es la carpeta de un usuario."},
        {"C:\\Users\\Public\\", "es la carpeta de un usuario."},
        {"C:\\Users\\luis", "es una carpeta de usuario: está directamente en la carpeta de los usuarios (C:\\Users)."},
        {"C:\\USERS~1\\nuevo", "es una carpeta de usuario"},
        {"D:\\perfiles", "contiene la carpeta de un usuario (D:\\perfiles\\luis)."},
        {"D:\\perfiles\\luis", "es la carpeta de un usuario."},
        {"C:\\vorlan", ""},
        {"C:\\datos\\\\vorlan", ""},
        {"C:\\Users\\ana\\vorlan", ""},
        {"C:\\PROGRA~1\\VORLAN", ""},
        {"C:\\ProgramData\\VORLAN", ""},
        {"D:\\perfiles\\luis\\vorlan", ""},
    };
    for (const auto& [dest, why] : cases) {
        const std::string said = refused_destination(fs, known, dest);
        if (*why == '\0') {
            EXPECT_EQ(said, "") << dest;
            continue;
        }
        EXPECT_EQ(said.find(std::string("El directorio de destino ") + dest + " " + why), 0u) << dest << ": " << said;
        EXPECT_NE(said.find("\nNo se copiará nada en él"), std::string::npos) << said;
    }
}

}  // namespace
}  // namespace vorlan::test
