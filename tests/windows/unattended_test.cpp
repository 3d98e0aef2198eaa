// The real program run unattended from a command line, on real files.

#include <gtest/gtest.h>

#include "ui/files.h"
#include "ui/medium.h"
#include "ui/process.h"
#include "ui/remote_windows.h"

namespace vorlan::ui {
namespace {

struct Outcome {
    DWORD code = 9999;
    bool window_shown = false;
};

// Runs instalar.exe of `medium` with `args` to its end, watching for any
// window of its own.
Outcome run(const Medium& medium, const std::string& args) {
    Outcome r;
    std::string err;
    const Process p = Process::start(medium.path("instalar.exe"), medium.folder(), &err, args);
    EXPECT_TRUE(p) << err;
    wait_until(
        [&] {
            r.window_shown = r.window_shown || !top_windows(p.pid(), "", "").empty();
            return !p.running();
        },
        milliseconds(60000));
    r.code = p.exit_code().value_or(r.code);
    return r;
}

std::string contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos ? "" : "missing \"" + part + "\" in:\n" + text;
}

TEST(Unattended, CopiesThenRefusesToOverwriteInARealRun) {
    Medium medium("soporte datos");
    ASSERT_EQ(medium.error(), "");
    ASSERT_TRUE(medium.add_file("vorlan\\mapa.dat", test_bytes(3000, 1)));
    // A name that ends in a dot: Windows' path cleaning would read it as "punto".
    ASSERT_TRUE(medium.add_file("vorlan\\capas\\punto.", test_bytes(1500, 2)));
    TempFolder out("destino datos");
    const std::string dest = out / "datos vorlan", log = out / "registro.log";
    const std::string line = "/datos /destino:\"" + dest + "\" /registro:\"" + log + "\"";

    Outcome r = run(medium, line);
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(read_file(dest + "\\capas\\punto."), test_bytes(1500, 2));
    EXPECT_FALSE(exists(dest + "\\capas\\punto"));
    const std::string written = read_file(log).value_or("");
    EXPECT_EQ(contains(written,
                       "Analizando estructura de archivos...\r\nLocalizados 2 archivos.\r\n"
                       "Iniciando la copia de ficheros.\r\nCopiando " +
                           medium.path("vorlan\\mapa.dat") + " --> Ok\r\n"),
              "");

    EXPECT_EQ(run(medium, line).code, 2u);  // there now, and no /sobrescribir
    EXPECT_EQ(contains(read_file(log).value_or(""), "/sobrescribir"), "");

    EXPECT_FALSE(r.window_shown);
}

}  // namespace
}  // namespace vorlan::ui
