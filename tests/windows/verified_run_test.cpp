// The real program's installation against the medium's SHA256SUMS, and its
// update, run unattended on real files.

#include <gtest/gtest.h>

#include "copy/checksums.h"
#include "ui/files.h"
#include "ui/medium.h"
#include "ui/process.h"
#include "ui/wait.h"
#include "win32/text.h"

namespace vorlan::ui {
namespace {

DWORD run(const Medium& medium, const std::string& args) {
    std::string err;
    const Process p = Process::start(medium.path("instalar.exe"), medium.folder(), &err, args);
    EXPECT_TRUE(p) << err;
    wait_until([&] { return !p.running(); }, milliseconds(60000));
    return p.exit_code().value_or(9999);
}

std::string contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos ? "" : "missing \"" + part + "\" in:\n" + text;
}

std::int64_t count(const std::string& text, const std::string& part) {
    std::int64_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

FILETIME last_write(const std::string& path) {
    FILETIME t{};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExW(win32::widen("\\\\?\\" + path).c_str(), GetFileExInfoStandard, &data))
        t = data.ftLastWriteTime;
    return t;
}

bool same_time(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// Four files, listed; `cut` cut short after the list was made.
bool fill(Medium& medium, bool listed, const std::string& cut = "") {
    std::vector<ChecksumEntry> entries;
    for (int i = 0; i < 4; ++i) {
        const std::string name = "capa" + std::to_string(i) + "/t" + std::to_string(i) + ".dat";
        const std::string bytes = test_bytes(70000 + i, static_cast<unsigned>(i));
        std::string path = name;
        for (char& c : path)
            if (c == '/') c = '\\';
        if (!medium.add_file("vorlan\\" + path, name == cut ? bytes.substr(0, 65536) : bytes)) return false;
        entries.push_back({name, sha256_of(bytes)});
    }
    return !listed || medium.add_file("vorlan\\SHA256SUMS", write_checksums(entries));
}

TEST(VerifiedRun, AFileCutShortAfterItsListWasMadeFailsAndIsReported) {
    Medium medium("soporte cortado");
    ASSERT_EQ(medium.error(), "");
    ASSERT_TRUE(fill(medium, true, "capa2/t2.dat"));
    TempFolder out("destino cortado");
    const std::string dest = out / "datos", log = out / "registro.log";
    EXPECT_EQ(run(medium, "/datos /destino:\"" + dest + "\" /registro:\"" + log + "\""), 1u);
    const std::string written = read_file(log).value_or("");
    const std::string cut = medium.path("vorlan\\capa2\\t2.dat");
    EXPECT_EQ(contains(written, cut + " --> FALLO\r\n"), "");
    EXPECT_EQ(contains(written, cut + ": El contenido leído no coincide con SHA256SUMS"), "");
    EXPECT_FALSE(exists(dest + "\\capa2\\t2.dat"));
    EXPECT_EQ(files_under(dest),
              (std::vector<std::string>{"SHA256SUMS", "capa0\\t0.dat", "capa1\\t1.dat", "capa3\\t3.dat"}));
    // Each copy keeps its source's last-write time, as the system's own copy does.
    for (const std::string f : {"capa0\\t0.dat", "SHA256SUMS"})
        EXPECT_TRUE(same_time(last_write(dest + "\\" + f), last_write(medium.path("vorlan\\" + f)))) << f;
}

// After a run that left half the files (an interruption leaves nothing
// partial), /actualizar copies only the rest, lists what the medium lacks,
// deletes nothing; with a list by digest, without one by size and time.
TEST(VerifiedRun, UpdateAfterAnInterruptedRunCopiesOnlyTheRest) {
    for (const bool listed : {true, false}) {
        SCOPED_TRACE(listed ? "with SHA256SUMS" : "without");
        Medium medium("soporte actualizar");
        ASSERT_EQ(medium.error(), "");
        ASSERT_TRUE(fill(medium, listed));
        TempFolder out("destino actualizar");
        const std::string dest = out / "datos", log = out / "registro.log";
        const std::string line = "/datos /destino:\"" + dest + "\" /registro:\"" + log + "\"";
        ASSERT_EQ(run(medium, line), 0u) << read_file(log).value_or("");
        ASSERT_TRUE(DeleteFileW(win32::widen(dest + "\\capa1\\t1.dat").c_str()));
        ASSERT_TRUE(DeleteFileW(win32::widen(dest + "\\capa3\\t3.dat").c_str()));
        ASSERT_TRUE(write_file(dest + "\\capa3\\propio.txt", "del usuario"));

        EXPECT_EQ(run(medium, line + " /actualizar"), 0u);
        const std::string written = read_file(log).value_or("");
        EXPECT_EQ(count(written, " --> sin cambios\r\n"), listed ? 3 : 2) << written;
        EXPECT_EQ(contains(written, medium.path("vorlan\\capa1\\t1.dat") + " --> Ok\r\n"), "");
        EXPECT_EQ(contains(written, medium.path("vorlan\\capa3\\t3.dat") + " --> Ok\r\n"), "");
        EXPECT_EQ(contains(written, dest + "\\capa3\\propio.txt"), "");
        EXPECT_EQ(read_file(dest + "\\capa3\\propio.txt"), "del usuario");
        EXPECT_EQ(read_file(dest + "\\capa1\\t1.dat"), test_bytes(70001, 1));

        EXPECT_EQ(run(medium, line + " /actualizar"), 0u);
        EXPECT_EQ(count(read_file(log).value_or(""), " --> sin cambios\r\n"), listed ? 5 : 4);
    }
}

}  // namespace
}  // namespace vorlan::ui
