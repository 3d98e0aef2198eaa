// The real program run unattended from a command line, on real files.

#include <gtest/gtest.h>

#include "copy/checksums.h"
#include "ui/files.h"
#include "ui/medium.h"
#include "ui/process.h"
#include "ui/remote_windows.h"
#include "win32/text.h"

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

// What full control adds to the read-only rights that every user has.
constexpr DWORD kWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | DELETE;

bool writable_by_all(const std::string& path) { return (everyone_rights(path) & kWrite) == kWrite; }

TEST(Unattended, GrantsAllUsersTheWholeDestinationNamedWithASpace) {
    Medium medium;
    ASSERT_EQ(medium.error(), "");
    ASSERT_TRUE(medium.add_file("vorlan\\mapa.dat", "m") && medium.add_file("vorlan\\capas\\c.dat", "c"));
    TempFolder out("destino permisos");
    ASSERT_TRUE(make_folders(out / "datos"));  // what a command line split at the space would reach
    const std::string dest = out / "datos vorlan", log = out / "registro.log";
    EXPECT_EQ(run(medium, "/datos /destino:\"" + dest + "\" /registro:\"" + log + "\"").code, 0u)
        << read_file(log).value_or("");
    for (const std::string& entry : {dest, dest + "\\mapa.dat", dest + "\\capas", dest + "\\capas\\c.dat"})
        EXPECT_TRUE(writable_by_all(entry)) << entry << " " << std::hex << everyone_rights(entry);
    for (const std::string& entry : {out.path(), out / "datos"}) EXPECT_FALSE(writable_by_all(entry)) << entry;
    EXPECT_EQ(contains(read_file(log).value_or(""), "sobre 4 elementos de " + dest + ", en "), "");
}

// A standard user's link, and a file that is also someone else's, planted in
// an existing destination: the administrator's run grants neither, nor what
// they lead to, names both, and ends with code 1.
TEST(Unattended, NoGrantThroughALinkOrToAFileWithOtherNames) {
    Medium medium;
    ASSERT_EQ(medium.error(), "");
    ASSERT_TRUE(medium.add_file("vorlan\\mapa.dat", "m"));
    // Removed after the link to it: Wine lists no link whose target is gone.
    TempFolder outside("fuera");
    TempFolder out("destino sembrado");
    const std::string dest = out / "datos", log = out / "registro.log";
    ASSERT_TRUE(make_folders(dest + "\\viejos") && write_file(outside / "secreto.dat", "s") &&
                write_file(out / "privado.dat", "p"));
    ASSERT_TRUE(CreateHardLinkW(win32::widen(dest + "\\viejos\\compartido.dat").c_str(),
                                win32::widen(out / "privado.dat").c_str(), nullptr));
    if (!make_unix_link(dest + "\\enlace", outside.path())) GTEST_SKIP() << "no link can be made here";

    EXPECT_EQ(run(medium, "/datos /sobrescribir /destino:\"" + dest + "\" /registro:\"" + log + "\"").code, 1u);
    for (const std::string& entry : {outside.path(), outside / "secreto.dat", out / "privado.dat"})
        EXPECT_FALSE(writable_by_all(entry)) << entry;
    for (const std::string& entry : {dest, dest + "\\mapa.dat", dest + "\\viejos"})
        EXPECT_TRUE(writable_by_all(entry)) << entry;
    const std::string written = read_file(log).value_or("");
    EXPECT_EQ(contains(written, dest + "\\enlace --> FALLO al dar permisos: Es una unión"), "");
    EXPECT_EQ(contains(written, dest + "\\viejos\\compartido.dat --> FALLO al dar permisos: El archivo tiene 2"), "");
}

// The system's folders, however spelled, and a hidden destination, before
// anything is written.
TEST(Unattended, RefusedAndHiddenDestinationsWriteNothing) {
    Medium medium;
    ASSERT_EQ(medium.error(), "");
    ASSERT_TRUE(medium.add_file("vorlan\\mapa.dat", "m"));
    TempFolder out("destinos");
    const std::string hidden = out / "oculto";
    ASSERT_TRUE(make_folders(hidden) && SetFileAttributesW(win32::widen(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN));
    wchar_t buffer[MAX_PATH];
    const std::string windows = win32::narrow(buffer, GetWindowsDirectoryW(buffer, MAX_PATH));
    const std::string profile = win32::narrow(buffer, GetEnvironmentVariableW(L"USERPROFILE", buffer, MAX_PATH));
    const std::string program_files = win32::narrow(buffer, GetEnvironmentVariableW(L"ProgramFiles", buffer, MAX_PATH));
    const std::string short_program_files =
        win32::narrow(buffer, GetShortPathNameW(win32::widen(program_files).c_str(), buffer, MAX_PATH));
    const struct {
        std::string dest;
        DWORD code;
        std::string says;
    } cases[] = {
        {"C:\\\\", 3, "es la raíz de una unidad"},  // quoted: a backslash before the quote escapes it
        {windows + ".", 3, "es la carpeta de Windows"},
        {windows + "\\system32\\..\\..\\users", 3, "es la carpeta de los usuarios"},
        {short_program_files, 3, "es una carpeta de programas"},
        {profile, 3, "es la carpeta de un usuario"},
        {hidden, 2, "ya existe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dest);
        const std::string log = out / "registro.log";
        EXPECT_EQ(run(medium, "/datos /destino:\"" + c.dest + "\" /registro:\"" + log + "\"").code, c.code);
        EXPECT_EQ(contains(read_file(log).value_or(""), c.says), "");
        EXPECT_FALSE(exists(c.dest + "\\mapa.dat"));
    }
}

// /verificar on a real tree: equal, then a file cut short after its list was
// made, then no list, then no tree; never a window.
TEST(Unattended, VerifiesARealTree) {
    Medium medium;
    ASSERT_EQ(medium.error(), "");
    TempFolder out("comprobar datos");
    const std::string tree = out / "datos vorlan", log = out / "registro.log";
    const std::string mapa = test_bytes(300000, 3), capa = test_bytes(1000, 4);
    ASSERT_TRUE(make_folders(tree + "\\capas\\"));
    ASSERT_TRUE(write_file(tree + "\\mapa.dat", mapa) && write_file(tree + "\\capas\\c.dat", capa));
    ASSERT_TRUE(write_file(tree + "\\SHA256SUMS",
                           write_checksums({{"mapa.dat", sha256_of(mapa)}, {"capas/c.dat", sha256_of(capa)}})));
    const std::string line = "/verificar /destino:\"" + tree + "\" /registro:\"" + log + "\"";

    Outcome r = run(medium, line);
    EXPECT_EQ(r.code, 0u) << read_file(log).value_or("");
    EXPECT_EQ(contains(read_file(log).value_or(""), "301000 bytes le"), "");

    ASSERT_TRUE(write_file(tree + "\\mapa.dat", mapa.substr(0, 299000)));
    EXPECT_EQ(run(medium, line).code, 1u);
    EXPECT_EQ(contains(read_file(log).value_or(""),
                       "\r\nDistinto: " + tree + "\\mapa.dat: su contenido no coincide con SHA256SUMS.\r\n"),
              "");

    ASSERT_TRUE(remove_tree(tree + "\\SHA256SUMS"));
    EXPECT_EQ(run(medium, line).code, 3u);
    ASSERT_TRUE(remove_tree(tree));
    EXPECT_EQ(run(medium, line).code, 3u);
    EXPECT_EQ(contains(read_file(log).value_or(""), "No existe la carpeta de datos " + tree), "");
    EXPECT_FALSE(r.window_shown);
}

}  // namespace
}  // namespace vorlan::ui
