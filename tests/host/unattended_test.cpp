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
        const char* parsed;  // "unattended help overwrite update verify destination log", or "error"
    } cases[] = {
        {{}, "0 0 0 0 0 - -"},
        {{"/DATOS", "/Sobrescribir", "/destino:D:\\datos vorlan", "/REGISTRO:r.log"},
         "1 0 1 0 0 D:\\datos vorlan r.log"},
        {{"/destino:..\\otro"}, "0 0 0 0 0 ..\\otro -"},  // the window takes a destination too
        {{"/?"}, "0 1 0 0 0 - -"},
        {{"/datos", "/x"}, "error"},
        {{"/datos", "/destino:"}, "error"},
        {{"/datos", "/destino:A", "/destino:B"}, "error"},
        {{"/datos", "datos"}, "error"},
        {{"/sobrescribir"}, "error"},  // only means something with /datos
        {{"/registro:r.log"}, "error"},
        // /destino:"D:\datos\" /sobrescribir: the \" is a quote in the value, and the rest goes with it.
        {{"/datos", "/destino:D:\\datos\" /sobrescribir"}, "error"},
        {{"/datos", "/registro:C:\\r<1>.log"}, "error"},
        {{"/datos", "/destino:D:\\da|tos"}, "error"},
        {{"/datos", "/destino:\\\\?\\D:\\datos"}, "1 0 0 0 0 \\\\?\\D:\\datos -"},
        {{"/Verificar", "/destino:D:\\v", "/registro:r.log"}, "0 0 0 0 1 D:\\v r.log"},
        {{"/datos", "/ACTUALIZAR", "/sobrescribir"}, "1 0 1 1 0 - -"},
        {{"/actualizar"}, "error"},  // only with /datos
        {{"/verificar", "/datos"}, "error"},
        {{"/verificar", "/sobrescribir"}, "error"},
        {{"/verificar", "/actualizar"}, "error"},
        {{"/verificar", "/verificar"}, "error"},
    };
    for (const auto& c : cases) {
        const CommandLine l = parse_command_line(c.args);
        const std::string got =
            !l.error.empty()
                ? "error"
                : std::to_string(l.unattended) + " " + std::to_string(l.help) + " " + std::to_string(l.overwrite) +
                      " " + std::to_string(l.update) + " " + std::to_string(l.verify) + " " +
                      (l.destination.empty() ? "-" : l.destination) + " " + (l.log.empty() ? "-" : l.log);
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

// The exit code, what the log (or, with no log written, the console) says,
// and whether the data were copied.
TEST(Unattended, ExitCodesAndWhatIsWritten) {
    const struct {
        const char* name;
        std::function<void(Unattended&)> make;
        std::vector<std::string> args;
        int code;
        const char* log_has;  // the console's lines when no log is written
        bool copied;
        bool logged = true;
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
        {"destination there, update",
         [](auto& u) {
             u.fs.add_file("C:\\vorlan\\a.dat", "old");
             u.fs.add_file("C:\\vorlan\\propio.txt", "p");
         },
         {"/datos", "/actualizar"},
         0,
         "C:\\vorlan\\propio.txt --> no está en el soporte (se deja)\r\n",
         true},
        {"no source", [](auto& u) { u.system.folder = "E:\\otro"; }, {"/datos"}, 3, "No se encuentra", false},
        {"running, the first one's log untouched",
         [](auto& u) {
             u.system.another_instance = true;
             u.fs.add_file("C:\\temp\\instalar-vorlan.log", "primera");
         },
         {"/datos"},
         4,
         "ya se esta ejecutando",
         false,
         false},
        {"wrong line", [](auto&) {}, {"/datos", "/rapido"}, 5, "\"/rapido\" no es válida.\nUso:", false, false},
        {"a quote swallowed",
         [](auto&) {},
         {"/datos", "/destino:D:\\datos\" /sobrescribir"},
         5,
         "lleva unas comillas dentro",
         false,
         false},
        {"a log inside the destination, over a data file",
         [](auto& u) { u.fs.add_file("C:\\vorlan\\datos.dat", "datos"); },
         {"/datos", "/sobrescribir", "/registro:C:\\vorlan\\datos.dat"},
         5,
         "no puede estar dentro de C:\\vorlan",
         false,
         false},
        {"a log inside the source",
         [](auto&) {},
         {"/datos", "/registro:E:\\instalar\\vorlan\\sub\\r.log"},
         5,
         "no puede estar dentro de E:\\instalar\\vorlan",
         false,
         false},
        {"a file not there after its copy",
         [](auto& u) {
             u.fs.short_names = true;
             u.fs.add_file("E:\\instalar\\vorlan\\sub\\Cartografia_base.shp", "uno");
             u.fs.add_file("E:\\instalar\\vorlan\\sub\\CARTOG~1.SHP", "dos");
             u.fs.faults("E:\\instalar\\vorlan\\sub\\CARTOG~1.SHP").stalls_at = 1;
             u.fs.add_file("C:\\vorlan\\sub\\Cartografia_base.shp", "viejo");
             u.fs.faults("C:\\vorlan\\sub\\CARTOG~1.SHP").lookup_echoes = true;
         },
         {"/datos", "/sobrescribir"},
         1,
         "CARTOG~1.SHP --> Ok\r\nE:\\instalar\\vorlan\\sub\\Cartografia_base.shp --> FALLO\r\n",
         true},
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
        {"a refused destination holding the log", [](auto&) {}, {"/datos", "/destino:C:\\"}, 3, "es la raíz", false},
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
        const std::string before = u.fs.describe();
        EXPECT_EQ(u.run(c.args), c.code);
        EXPECT_EQ(u.fs.exists("C:\\vorlan\\sub\\b.dat"), c.copied);
        std::string console;
        for (const std::string& line : u.system.console) console += line + "\n";
        if (!c.logged) {
            EXPECT_NE(console.find(c.log_has), std::string::npos) << console;
            EXPECT_EQ(u.fs.describe(), before);  // nothing written, no log either
            continue;
        }
        EXPECT_NE(u.log().find(c.log_has), std::string::npos) << u.log();
        const std::string first = u.system.console.empty() ? "-" : u.system.console[0];
        EXPECT_TRUE(u.log().starts_with(first.substr(0, first.find('\n')))) << first;
    }
}

// Ctrl+C, the console closed, a log-off: the copy is abandoned as "Cancelar"
// answered Yes does, nothing partial stays, the summary is logged, and the
// exit code is 1.
TEST(Unattended, EndedFromOutsideAbandonsLogsTheSummaryAndExitsWith1) {
    const struct {
        const char* name;
        std::function<void(Unattended&)> make;
        const char* when;  // asked to end once the log holds this
        const char* log_has;
    } cases[] = {
        {"while counting", [](auto&) {}, "Analizando",
         "se ha pedido terminar el programa.\r\nCopiados 0 de 0 archivos"},
        {"while copying", [](auto&) {}, "a.dat --> Ok", "La copia se ha abandonado.\r\nCopiados 1 de 2 archivos"},
        {"while a medium does not answer",
         [](auto& u) { u.fs.faults("E:\\instalar\\vorlan\\sub\\b.dat").read_blocks = true; }, "a.dat --> Ok",
         "La copia se ha abandonado.\r\nCopiados 1 de 2 archivos"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Unattended u;
        c.make(u);
        const std::string when = c.when, log = "C:\\temp\\instalar-vorlan.log";
        u.system.asked_to_end = [&] { return u.fs.exists(log) && u.fs.contents(log).find(when) != std::string::npos; };
        EXPECT_EQ(u.run({"/datos"}), 1);
        EXPECT_NE(u.log().find(c.log_has), std::string::npos) << u.log();
        EXPECT_EQ(u.fs.open_count(), 0);
        EXPECT_TRUE(!u.fs.exists("C:\\vorlan\\sub\\b.dat") || u.fs.contents("C:\\vorlan\\sub\\b.dat") == "bb")
            << u.fs.describe();
        EXPECT_EQ(u.fs.describe().find("provisional"), std::string::npos) << u.fs.describe();
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
