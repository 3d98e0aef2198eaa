// /verificar: an installed tree checked against its own SHA256SUMS.

#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "copy/checksums.h"
#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"
#include "wizard/verify_run.h"

namespace vorlan::test {
namespace {

// C:\vorlan as installed, with its list.
struct Installed {
    MemoryFileSystem fs;
    FakeSystem system;
    std::vector<ChecksumEntry> lines = {{"a.dat", sha256_of("aaa")}, {"sub/b.dat", sha256_of("bb")}};
    Installed() {
        fs.add_folder("C:\\temp");
        fs.add_file("C:\\vorlan\\a.dat", "aaa");
        fs.add_file("C:\\vorlan\\sub\\b.dat", "bb");
    }
    void write_list(const std::string& text) { fs.add_file("C:\\vorlan\\SHA256SUMS", text); }
};

const char* const kHead = "Comprobando C:\\vorlan con su lista SHA256SUMS...\r\n";

std::string summary(const char* counts, int bytes) {
    return std::string("Comprobados ") + counts + "; " + std::to_string(bytes) + " bytes leídos en S segundos.\r\n";
}

const char* const kEqual = "Los datos de C:\\vorlan están completos y son iguales a los de SHA256SUMS.\r\n";
const char* const kNotEqual = "Los datos de C:\\vorlan no coinciden con SHA256SUMS.\r\n";

// The exit code and the whole log (the seconds taken as "S"); with no log
// written, the console.
TEST(Verify, VerdictsAndWhatIsLogged) {
    const std::string all_equal_counts = summary(
        "2 de 2 archivos de la lista: 2 iguales, 0 distintos, 0 que faltan, 0 que no se pueden leer; 0 "
        "archivos fuera de la lista",
        5);
    const struct {
        const char* name;
        std::function<void(Installed&)> make;
        std::vector<std::string> args;
        int code;
        std::string log;
    } cases[] = {
        {"all equal", [](auto&) {}, {"/verificar"}, 0, kHead + all_equal_counts + kEqual},
        {"names as Windows compares them",
         [](auto& i) {
             std::string ignored;
             i.fs.remove_file("C:\\vorlan\\a.dat", &ignored);
             i.fs.remove_file("C:\\vorlan\\sub\\b.dat", &ignored);
             i.fs.add_file("C:\\vorlan\\A.DAT", "aaa");
             i.fs.add_file("C:\\vorlan\\sub\\B.Dat", "bb");
         },
         {"/verificar"},
         0,
         kHead + all_equal_counts + kEqual},
        {"one differs, same size",
         [](auto& i) { i.fs.add_file("C:\\vorlan\\sub\\b.dat", "bX"); },
         {"/verificar"},
         1,
         kHead + std::string("Distinto: C:\\vorlan\\sub\\b.dat: su contenido no coincide con SHA256SUMS.\r\n") +
             summary("2 de 2 archivos de la lista: 1 igual, 1 distinto, 0 que faltan, 0 que no se pueden leer; 0 "
                     "archivos fuera de la lista",
                     5) +
             kNotEqual},
        {"two differ, told in the list's order though the first is read last",
         [](auto& i) {
             i.fs.add_file("C:\\vorlan\\a.dat", "aaaa");
             i.fs.faults("C:\\vorlan\\a.dat").stalls_at = 1;
             i.fs.add_file("C:\\vorlan\\sub\\b.dat", "b");
         },
         {"/verificar"},
         1,
         kHead + std::string("Distinto: C:\\vorlan\\a.dat: su contenido no coincide con SHA256SUMS.\r\n") +
             "Distinto: C:\\vorlan\\sub\\b.dat: su contenido no coincide con SHA256SUMS.\r\n" +
             summary("2 de 2 archivos de la lista: 0 iguales, 2 distintos, 0 que faltan, 0 que no se pueden leer; 0 "
                     "archivos fuera de la lista",
                     5) +
             kNotEqual},
        {"one missing",
         [](auto& i) {
             std::string ignored;
             i.fs.remove_file("C:\\vorlan\\a.dat", &ignored);
         },
         {"/verificar"},
         1,
         kHead + std::string("Falta C:\\vorlan\\a.dat.\r\n") +
             summary("2 de 2 archivos de la lista: 1 igual, 0 distintos, 1 que falta, 0 que no se pueden leer; 0 "
                     "archivos fuera de la lista",
                     2) +
             kNotEqual},
        {"one unlisted, the list itself aside",
         [](auto& i) { i.fs.add_file("C:\\vorlan\\sub\\nuevo.dat", "n"); },
         {"/verificar"},
         0,
         kHead + std::string("No está en SHA256SUMS: C:\\vorlan\\sub\\nuevo.dat.\r\n") +
             summary("2 de 2 archivos de la lista: 2 iguales, 0 distintos, 0 que faltan, 0 que no se pueden leer; 1 "
                     "archivo fuera de la lista",
                     5) +
             kEqual},
        {"one that cannot be opened, one whose reader throws",
         [](auto& i) {
             i.fs.faults("C:\\vorlan\\a.dat").held = true;
             i.fs.faults("C:\\vorlan\\sub\\b.dat").open_throws = true;
         },
         {"/verificar"},
         1,
         kHead +
             std::string("No se puede comprobar C:\\vorlan\\a.dat: no se puede abrir: El proceso no tiene acceso al "
                         "archivo porque está siendo utilizado por otro proceso.\r\n") +
             "No se puede comprobar C:\\vorlan\\sub\\b.dat: error inesperado al leerlo: std::bad_alloc\r\n" +
             summary("2 de 2 archivos de la lista: 0 iguales, 0 distintos, 0 que faltan, 2 que no se pueden leer; 0 "
                     "archivos fuera de la lista",
                     0) +
             kNotEqual},
        {"ended from outside while a file is read",
         [](auto& i) {
             i.fs.faults("C:\\vorlan\\a.dat").stalls_at = 1;
             i.system.asked_to_end = [&i] { return i.fs.stalled > 0; };
         },
         {"/verificar"},
         1,
         kHead + std::string("La comprobación se ha interrumpido: se ha pedido terminar el programa.\r\n") +
             summary("0 de 2 archivos de la lista: 0 iguales, 0 distintos, 0 que faltan, 0 que no se pueden leer; 0 "
                     "archivos fuera de la lista",
                     0)},
        {"no list",
         [](auto& i) {
             std::string ignored;
             i.fs.remove_file("C:\\vorlan\\SHA256SUMS", &ignored);
         },
         {"/verificar"},
         3,
         kHead + std::string("No se puede abrir la lista C:\\vorlan\\SHA256SUMS: ")},
        {"a wrong line",
         [](auto& i) { i.write_list(checksum_line(i.lines[0]) + "0123  x\n"); },
         {"/verificar"},
         3,
         kHead + std::string("La lista C:\\vorlan\\SHA256SUMS no es correcta: SHA256SUMS, línea 2: ")},
        {"no tree",
         [](auto&) {},
         {"/verificar", "/destino:D:\\otro"},
         3,
         "Comprobando D:\\otro con su lista SHA256SUMS...\r\nNo existe la carpeta de datos D:\\otro.\r\nNo se ha "
         "podido comprobar D:\\otro.\r\n"},
        {"elsewhere, relative to the current folder, with its own log",
         [](auto& i) {
             i.fs.add_file("C:\\trabajo\\datos\\a.dat", "aaa");
             i.fs.add_file("C:\\trabajo\\datos\\sub\\b.dat", "bb");
             i.fs.add_file("C:\\trabajo\\datos\\SHA256SUMS", write_checksums(i.lines));
         },
         {"/Verificar", "/destino:datos", "/registro:C:\\temp\\v.log"},
         0,
         "Comprobando C:\\trabajo\\datos con su lista SHA256SUMS...\r\n" + all_equal_counts +
             "Los datos de C:\\trabajo\\datos están completos y son iguales a los de SHA256SUMS.\r\n"},
        // Nothing written: the console says why.
        {"with /datos", [](auto&) {}, {"/verificar", "/datos"}, 5, "/verificar no se puede combinar"},
        {"a log inside the tree",
         [](auto&) {},
         {"/verificar", "/registro:C:\\VORLAN\\r.log"},
         5,
         "El registro C:\\VORLAN\\r.log no puede estar dentro de C:\\vorlan"},
        {"running", [](auto& i) { i.system.another_instance = true; }, {"/verificar"}, 4, "ya se esta ejecutando"},
    };
    for (const auto& c : cases) {
        Installed i;
        i.write_list(write_checksums(i.lines));
        c.make(i);
        const int code = run_verify(i.fs, i.system, parse_command_line(c.args));
        EXPECT_EQ(code, c.code) << c.name;
        const std::string log_path = c.args.size() == 3 ? "C:\\temp\\v.log" : "C:\\temp\\instalar-vorlan.log";
        if (c.code == 4 || c.code == 5) {
            EXPECT_FALSE(i.fs.exists(log_path)) << c.name;
            std::string console;
            for (const std::string& l : i.system.console) console += l + "\n";
            EXPECT_NE(console.find(c.log), std::string::npos) << c.name << "\n" << console;
            continue;
        }
        const std::string log =
            std::regex_replace(i.fs.contents(log_path), std::regex(" en [0-9]+\\.[0-9] segundos"), " en S segundos");
        if (c.code == 3 && c.log.back() == ' ') EXPECT_EQ(log.substr(0, c.log.size()), c.log) << c.name;
        else EXPECT_EQ(log, c.log) << c.name;
        EXPECT_FALSE(i.fs.exists("C:\\vorlan\\instalar-vorlan.log")) << c.name;
    }
}

}  // namespace
}  // namespace vorlan::test
