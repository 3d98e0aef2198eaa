// The "Instalar" command where Windows and the media make copies fail: room
// that runs out, a file that is not at the destination after all, a medium
// that stops answering.

#include <gtest/gtest.h>

#include <functional>

#include "host/test_app.h"

namespace vorlan::test {
namespace {

constexpr std::uint64_t GiB = std::uint64_t{1} << 30;

// The medium's 4,000 bytes in three files need room for whole clusters, and
// an older file beside its new copy until the replace; a FAT volume takes
// no file of 4 GiB. Refused before anything is written, or copied.
TEST(Install, RoomIsCheckedBeforeAnythingIsWritten) {
    const std::string medium = "E:\\instalar\\vorlan\\";
    const struct {
        const char* name;
        std::function<void(MemoryFileSystem&)> make;
        const char* refusal;  // the start of the box's text; nullptr: copied
    } cases[] = {
        {"whole clusters do not fit",
         [](auto& fs) {
             fs.cluster = 4096;
             fs.space = 3 * 4096 - 1;
         },
         "No hay espacio suficiente en el disco para copiar los datos a C:\\vorlan."},
        {"whole clusters just fit",
         [](auto& fs) {
             fs.cluster = 4096;
             fs.space = 3 * 4096;
         },
         nullptr},
        {"an older file and its copy side by side do not fit",
         [](auto& fs) {
             fs.add_file("C:\\vorlan\\a.dat", std::string(8000, 'v'));
             fs.space = 4000 - 1;
         },
         "No hay espacio suficiente"},
        {"an older file and its copy side by side just fit",
         [](auto& fs) {
             fs.add_file("C:\\vorlan\\a.dat", std::string(8000, 'v'));
             fs.space = 4000;
         },
         nullptr},
        {"4 GiB for FAT32",
         [&](auto& fs) {
             fs.add_large_file(medium + "mapas\\orto.ecw", 4 * GiB);
             fs.file_system = "FAT32";
             fs.space = 64 * GiB;
         },
         "El archivo E:\\instalar\\vorlan\\mapas\\orto.ecw ocupa 4 GB o más, y el disco de destino (FAT32) no admite"},
        {"4 GiB less a byte for FAT32: only the room is short",
         [&](auto& fs) {
             fs.add_large_file(medium + "mapas\\orto.ecw", 4 * GiB - 1);
             fs.file_system = "FAT32";
             fs.space = 1000;
         },
         "No hay espacio suficiente"},
        {"4 GiB for exFAT: only the room is short",
         [&](auto& fs) {
             fs.add_large_file(medium + "mapas\\orto.ecw", 4 * GiB);
             fs.file_system = "exFAT";
             fs.space = 1000;
         },
         "No hay espacio suficiente"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CopyPage p;
        c.make(p.fs);
        const std::string before = p.fs.describe();
        const std::vector<std::string> shown = p.install({ANSWER_YES});
        ASSERT_FALSE(shown.empty());
        if (!c.refusal) {
            EXPECT_EQ(shown.back(), box(64, kDone));
            continue;
        }
        EXPECT_EQ(shown.back().substr(0, 3 + std::string(c.refusal).size()), box(16, c.refusal));
        EXPECT_EQ(p.fs.describe(), before);
        p.expect_retry_offered();
    }
}

// The look at a folder after its files finds one that another took the
// place of: its "Ok" line stays, a failure line follows in both lists, the
// count goes back, and the run has failed.
TEST(Install, AFileNotThereAfterItsCopyFailsTheRunInBothLists) {
    CopyPage p;
    p.fs.short_names = true;
    const std::string medium = "E:\\instalar\\vorlan\\mapas\\";
    p.fs.add_file(medium + "Cartografia_base.shp", "uno");
    p.fs.add_file(medium + "CARTOG~1.SHP", "dos");
    p.fs.faults(medium + "CARTOG~1.SHP").stalls_at = 1;
    p.fs.add_file("C:\\vorlan\\mapas\\Cartografia_base.shp", "viejo");
    p.fs.faults("C:\\vorlan\\mapas\\CARTOG~1.SHP").lookup_echoes = true;
    EXPECT_EQ(p.install({ANSWER_YES}).back(), box(16, "Copia de ficheros fallida.\nCompruebe el informe de errores."));
    const std::string lost = medium + "Cartografia_base.shp --> FALLO";
    EXPECT_EQ(p.log(), (std::vector<std::string>{
                           "Analizando estructura de archivos...",
                           "Localizados 5 archivos.",
                           "Iniciando la copia de ficheros.",
                           "Copiando E:\\instalar\\vorlan\\a.dat --> Ok",
                           "Copiando E:\\instalar\\vorlan\\b.dat --> Ok",
                           "Copiando " + medium + "c.dat --> Ok",
                           "Copiando " + medium + "Cartografia_base.shp --> Ok",
                           "Copiando " + medium + "CARTOG~1.SHP --> Ok",
                           lost,
                       }));
    EXPECT_EQ(p.form.at(ListaFicherosFail).lines, std::vector<std::string>{lost});
    EXPECT_EQ(p.form.text(NumFilesToCopy) + " " + p.form.text(NumFilesCopy), "5 4");
    EXPECT_TRUE(p.programs.starts.empty());
}

// A medium that no longer answers holds a read for as long as it likes:
// "Cancelar" answered Yes, and the end of the session, cancel it, and the
// process ends with nothing partial and the older file kept.
TEST(Install, AMediumThatStopsAnsweringDoesNotHoldTheEnd) {
    const std::string medium = "E:\\instalar\\vorlan\\";
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "Cancelar" : "end of the session");
        CopyPage p;
        p.fs.add_file(medium + "g1.dat", "uno");
        p.fs.faults(medium + "g1.dat").read_blocks = true;
        p.fs.add_file(medium + "g2.dat", "dos");
        p.fs.faults(medium + "g2.dat").read_blocks = true;
        p.fs.add_file("C:\\vorlan\\g2.dat", "viejo");
        p.form.on_every_yield = [&] {
            if (p.fs.stalled < 2) return;
            if (cancel) on_click(p.app, btn_Cancel);
            p.form.abandon();  // what the window does when the session ends
            throw ProcessEnded{};
        };
        p.form.answers = {ANSWER_YES, ANSWER_YES};
        EXPECT_THROW(on_click(p.app, btn_inst), ProcessEnded);
        EXPECT_EQ(p.fs.open_count(), 0);
        EXPECT_FALSE(p.fs.exists("C:\\vorlan\\g1.dat"));
        EXPECT_EQ(p.fs.contents("C:\\vorlan\\g2.dat"), "viejo");
        EXPECT_EQ(p.fs.describe().find("provisional"), std::string::npos) << p.fs.describe();
    }
}

}  // namespace
}  // namespace vorlan::test
