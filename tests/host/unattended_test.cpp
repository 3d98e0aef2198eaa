// The command line and the unattended installation: exit codes and the log.

#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"
#include "wizard/texts.h"
#include "wizard/unattended.h"

namespace vorlan::test {
namespace {

TEST(CommandLine, AcceptedAndRefusedForms) {
    const struct {
        std::vector<std::string> args;
        const char* parsed;  // "unattended help overwrite destination log", or "error"
    } cases[] = {
        {{}, "0 0 0 - -"},
        {{"/DATOS", "/Sobrescribir", "/destino:D:\\datos vorlan", "/REGISTRO:r.log"}, "1 0 1 D:\\datos vorlan r.log"},
        {{"/destino:..\\otro"}, "0 0 0 ..\\otro -"},  // the window takes a destination too
        {{"/?"}, "0 1 0 - -"},
        {{"/datos", "/x"}, "error"},
        {{"/datos", "/destino:"}, "error"},
        {{"/datos", "/destino:A", "/destino:B"}, "error"},
        {{"/datos", "datos"}, "error"},
        {{"/sobrescribir"}, "error"},  // only means something with /datos
        {{"/registro:r.log"}, "error"},
    };
    for (const auto& c : cases) {
        const CommandLine l = parse_command_line(c.args);
        const std::string got =
            !l.error.empty()
                ? "error"
                : std::to_string(l.unattended) + " " + std::to_string(l.help) + " " + std::to_string(l.overwrite) +
                      " " + (l.destination.empty() ? "-" : l.destination) + " " + (l.log.empty() ? "-" : l.log);
        EXPECT_EQ(got, c.parsed) << ::testing::PrintToString(c.args);
    }
}

struct Unattended {
    MemoryFileSystem fs;
    FakeSystem system;
    Unattended() {
        fs.add_file("E:\\instalar\\vorlan\\a.dat", "aaa");
        fs.add_file("E:\\instalar\\vorlan\\sub\\b.dat", "bb");
        fs.add_folder("C:\\temp");
        fs.add_folder("C:\\trabajo");
    }
    int run(std::vector<std::string> args) { return run_unattended(fs, system, parse_command_line(args)); }
    std::string log(const std::string& path = "C:\\temp\\instalar-vorlan.log") { return fs.contents(path); }
};

TEST(Unattended, ExitCodesAndWhatIsWritten) {
    const struct {
        const char* name;
        std::function<void(Unattended&)> make;
        std::vector<std::string> args;
        int code;
        const char* log_has;
        bool copied;
    } cases[] = {
        {"installed", [](auto&) {}, {"/datos"}, 0, "sobre 4 elementos de C:\\vorlan, en ", true},
        {"no files",
         [](auto& u) {
             u.system.folder = "E:\\vacio";
             u.fs.add_folder("E:\\vacio\\vorlan\\sub");
         },
         {"/datos"},
         0,
         "Copiados 0 de 0 archivos, 0 bytes",
         false},
        {"a file failed",
         [](auto& u) { u.fs.faults("E:\\instalar\\vorlan\\a.dat").held = true; },
         {"/datos"},
         1,
         "E:\\instalar\\vorlan\\a.dat --> FALLO\r\nCopiando E:\\instalar\\vorlan\\sub\\b.dat --> Ok\r\n"
         "E:\\instalar\\vorlan\\a.dat: El proceso no tiene acceso",
         true},
        {"destination there", [](auto& u) { u.fs.add_folder("C:\\vorlan"); }, {"/datos"}, 2, "/sobrescribir", false},
        {"destination there, overwrite",
         [](auto& u) { u.fs.add_folder("C:\\vorlan"); },
         {"/datos", "/sobrescribir"},
         0,
         "Copia de ficheros realizada correctamente.",
         true},
        {"no source", [](auto& u) { u.system.folder = "E:\\otro"; }, {"/datos"}, 3, "No se encuentra", false},
        {"running", [](auto& u) { u.system.another_instance = true; }, {"/datos"}, 4, "ya se esta ejecutando", false},
        {"wrong line", [](auto&) {}, {"/datos", "/rapido"}, 5, "\"/rapido\" no es válida.\r\nUso:", false},
        {"an entry not granted",
         [](auto& u) { u.fs.faults("C:\\vorlan\\sub\\b.dat").grant_fails = true; },
         {"/datos"},
         1,
         "C:\\vorlan\\sub\\b.dat --> FALLO al dar permisos: Acceso denegado.\r\n",
         true},
        {"a file link on the medium, counted, reported and taking no room",
         [](auto& u) {
             u.fs.add_file("E:\\instalar\\vorlan\\enlace.dat", std::string(5000, 's'), ATTR_REPARSE_POINT);
             u.fs.space = 2000;  // for the two files and the log
         },
         {"/datos"},
         1,
         "Localizados 3 archivos.\r\nIniciando la copia de ficheros.\r\nCopiando E:\\instalar\\vorlan\\a.dat --> "
         "Ok\r\nE:\\instalar\\vorlan\\enlace.dat --> FALLO\r\n",
         true},
        {"a refused destination",
         [](auto&) {},
         {"/datos", "/destino:C:\\Users"},
         3,
         "es la carpeta de los usuarios",
         false},
        {"a hidden destination",
         [](auto& u) { u.fs.add_folder("C:\\vorlan", ATTR_HIDDEN | ATTR_SYSTEM); },
         {"/datos"},
         2,
         "/sobrescribir",
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Unattended u;
        c.make(u);
        EXPECT_EQ(u.run(c.args), c.code);
        EXPECT_NE(u.log().find(c.log_has), std::string::npos) << u.log();
        EXPECT_EQ(u.fs.exists("C:\\vorlan\\sub\\b.dat"), c.copied);
        const std::string first = u.system.console.empty() ? "-" : u.system.console[0];
        EXPECT_TRUE(u.log().starts_with(first.substr(0, first.find('\n')))) << first;
    }
}

TEST(Unattended, DestinationAndLogFromTheCommandLine) {
    Unattended u;
    EXPECT_EQ(u.run({"/datos", "/destino:D:\\datos vorlan", "/registro:r.log"}), 0);
    EXPECT_EQ(u.fs.contents("D:\\datos vorlan\\sub\\b.dat"), "bb");
    EXPECT_EQ(u.fs.grants("D:\\datos vorlan\\sub\\b.dat"), 1);
    EXPECT_EQ(u.log("C:\\trabajo\\r.log").substr(0, 37), "Analizando estructura de archivos...\r");
    EXPECT_EQ(u.run({"/datos", "/registro:Z:\\no\\hay\\r.log"}), 5);  // a log asked for and not writable
}

// The log, the console and the readme's text box take CR LF; a text may come
// with any of the three line ends, and each becomes one CR LF.
TEST(LineEnds, EveryBreakBecomesOneCrLf) {
    const char* const cases[][2] = {
        {"", ""},
        {"uno", "uno"},
        {"uno\ndos\n", "uno\r\ndos\r\n"},
        {"uno\r\ndos", "uno\r\ndos"},
        {"uno\rdos\r", "uno\r\ndos\r\n"},
        {"\n\r\n\r\r\n", "\r\n\r\n\r\n\r\n"},
        {"año\nú", "año\r\nú"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(with_crlf(in), out) << ::testing::PrintToString(std::string(in));
}

}  // namespace
}  // namespace vorlan::test
