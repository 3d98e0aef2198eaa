// The installation against the medium's SHA256SUMS, and the update that
// copies only what is not at the destination already as it is on the medium.

#include <gtest/gtest.h>

#include <functional>

#include "copy/checksums.h"
#include "copy/install.h"
#include "fakes/memory_file_system.h"

namespace vorlan::test {
namespace {

const std::string kMedium = "E:\\vorlan", kDest = "C:\\vorlan";

// An installation's events as the log would read them.
struct Lines : InstallEvents {
    std::vector<std::string> lines;
    void counting() override {}
    void counted(std::int64_t) override {}
    bool confirm(bool) override { return true; }
    void copying(CopyRun*) override {}
    void file_started(const std::string&) override {}
    void file_noted(const std::string&, FileNote note) override {
        note_ = note == FileNote::Unchanged ? " (sin cambios)" : " (sin comprobar)";
    }
    void file_done(const std::string& p, bool ok, const std::string& reason) override {
        lines.push_back(p.substr(kMedium.size() + 1) + (ok ? " Ok" + note_ : " FALLO: " + reason));
        note_.clear();
    }
    void file_missing(const std::string& p, const std::string& reason) override {
        lines.push_back(p + " FALLO: " + reason);
    }
    void not_on_medium(const std::string& p) override { lines.push_back(p + " no está en el soporte"); }
    void file_progress(double) override {}
    void overall_progress(double) override {}
    void yield() override {}

private:
    std::string note_;
};

std::string line_for(const std::string& path, const std::string& bytes) {
    return checksum_line({path, sha256_of(bytes)});
}

// The medium: a.dat and mapas\b.dat, listed as they are, unless a row changes that.
struct Medium {
    MemoryFileSystem fs;
    std::string list = line_for("a.dat", "alfa") + line_for("mapas/b.dat", "beta");
    Lines events;

    Medium() {
        fs.add_file(kMedium + "\\a.dat", "alfa");
        fs.add_file(kMedium + "\\mapas\\b.dat", "beta");
    }
    InstallReport install(bool update = false) {
        if (!list.empty()) fs.add_file(kMedium + "\\SHA256SUMS", list);
        return run_install(fs, {{kMedium, kDest}, {}, update}, events);
    }
};

const std::string kSums = "SHA256SUMS Ok";
const std::string kNotAsListed =
    " FALLO: El contenido leído no coincide con SHA256SUMS: el soporte puede estar dañado.";

// Each listed file is installed only as listed: bytes that differ fail the
// file and leave the destination as it was (an older file stays, nothing
// provisional); a listed file the medium lacks fails; an unlisted file is
// copied and told as not checked. Names compare as Windows compares them.
TEST(VerifiedCopy, InstallsEachListedFileOnlyAsListed) {
    const struct {
        const char* name;
        std::function<void(Medium&)> make;
        std::vector<std::string> lines;
        InstallEnd end;
        const char* dest_a;  // a.dat at the destination afterwards; nullptr: not there
    } cases[] = {
        {"all as listed", [](Medium&) {}, {"a.dat Ok", kSums, "mapas\\b.dat Ok"}, InstallEnd::Succeeded, "alfa"},
        {"no list: as ever",
         [](Medium& m) { m.list.clear(); },
         {"a.dat Ok", "mapas\\b.dat Ok"},
         InstallEnd::Succeeded,
         "alfa"},
        {"bytes that differ, in a fresh place",
         [](Medium& m) { m.fs.add_file(kMedium + "\\a.dat", "alfA"); },
         {"a.dat" + kNotAsListed, kSums, "mapas\\b.dat Ok"},
         InstallEnd::Failed,
         nullptr},
        {"bytes that differ over an older file",
         [](Medium& m) {
             m.fs.add_file(kMedium + "\\a.dat", "alf");
             m.fs.add_file(kDest + "\\a.dat", "viejo");
         },
         {"a.dat" + kNotAsListed, kSums, "mapas\\b.dat Ok"},
         InstallEnd::Failed,
         "viejo"},
        {"a listed file the medium lacks",
         [](Medium& m) { m.list += line_for("mapas/falta.dat", "x"); },
         {"a.dat Ok", kSums, "mapas\\b.dat Ok",
          "mapas\\falta.dat FALLO: El archivo figura en SHA256SUMS, pero no está en el soporte."},
         InstallEnd::Failed,
         "alfa"},
        {"an unlisted file",
         [](Medium& m) { m.fs.add_file(kMedium + "\\nuevo.txt", "n"); },
         {"a.dat Ok", "nuevo.txt Ok (sin comprobar)", kSums, "mapas\\b.dat Ok"},
         InstallEnd::Succeeded,
         "alfa"},
        {"listed in another case",
         [](Medium& m) { m.list = line_for("A.DAT", "alfa") + line_for("Mapas/b.dat", "beta"); },
         {"a.dat Ok", kSums, "mapas\\b.dat Ok"},
         InstallEnd::Succeeded,
         "alfa"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Medium m;
        c.make(m);
        const InstallReport report = m.install();
        EXPECT_EQ(m.events.lines, c.lines);
        EXPECT_EQ(report.end, c.end);
        if (c.dest_a) {
            EXPECT_EQ(m.fs.contents(kDest + "\\a.dat"), c.dest_a);
        } else {
            EXPECT_FALSE(m.fs.exists(kDest + "\\a.dat"));
        }
        const std::string all = m.fs.describe();
        EXPECT_EQ(all.find(".tmp"), std::string::npos) << all;
        EXPECT_EQ(m.fs.open_count(), 0);
    }
}

// A list that cannot be used stops the installation before anything is
// written, naming its line.
TEST(VerifiedCopy, AListThatCannotBeUsedStopsBeforeAnythingIsWritten) {
    const std::string digits(64, '0');
    const struct {
        const char* name;
        std::function<void(Medium&)> make;
        const char* message;  // its end
    } cases[] = {
        {"a wrong line", [&](Medium& m) { m.list += digits + " b.dat\r\n"; },
         "SHA256SUMS, línea 3: tras el SHA-256 han de ir dos espacios (o un espacio y \"*\") y el nombre del "
         "fichero"},
        {"two lines for one file", [&](Medium& m) { m.list += digits + "  MAPAS/B.DAT\n"; },
         "SHA256SUMS, línea 3: \"MAPAS/B.DAT\" es para Windows el mismo archivo que \"mapas/b.dat\" de la línea 2"},
        {"unreadable", [](Medium& m) { m.fs.faults(kMedium + "\\SHA256SUMS").read_fails_at = 1; },
         "Error de datos (comprobación de redundancia cíclica)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Medium m;
        c.make(m);
        const InstallReport report = m.install();
        EXPECT_EQ(report.end, InstallEnd::NotStarted);
        EXPECT_TRUE(report.message.ends_with(c.message)) << report.message;
        EXPECT_NE(report.message.find(kMedium + "\\SHA256SUMS"), std::string::npos) << report.message;
        EXPECT_FALSE(m.fs.exists(kDest));
    }
}

// An update copies a file only when the destination does not already hold
// it as it is on the medium: by size and digest with a list, by size and
// last-write time without. Copies keep the source's last-write time, so a
// second update finds them unchanged; nothing of the destination goes, and
// what the medium lacks is told.
TEST(Update, CopiesOnlyWhatIsNotAlreadyThereAsOnTheMedium) {
    const struct {
        const char* name;
        bool listed;
        std::function<void(MemoryFileSystem&)> make;  // a.dat, at the destination before
        bool copied;
    } cases[] = {
        {"missing", true, [](auto&) {}, true},
        {"the same", true, [](auto& fs) { fs.add_file(kDest + "\\a.dat", "alfa"); }, false},
        {"another size", true, [](auto& fs) { fs.add_file(kDest + "\\a.dat", "alfa!"); }, true},
        {"the same size, another digest", true,
         [](auto& fs) {
             fs.add_file(kDest + "\\a.dat", "alfA");
             fs.set_last_write(kDest + "\\a.dat", fs.last_write_of(kMedium + "\\a.dat"));
         },
         true},
        {"no list: the same size and time", false,
         [](auto& fs) {
             fs.add_file(kDest + "\\a.dat", "alfA");
             fs.set_last_write(kDest + "\\a.dat", fs.last_write_of(kMedium + "\\a.dat"));
         },
         false},
        {"no list: the same size, another time", false, [](auto& fs) { fs.add_file(kDest + "\\a.dat", "alfa"); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Medium m;
        if (!c.listed) m.list.clear();
        m.fs.add_file(kDest + "\\mapas\\viejo.dat", "v");
        c.make(m.fs);
        const std::string before = m.fs.exists(kDest + "\\a.dat") ? m.fs.contents(kDest + "\\a.dat") : "";
        const InstallReport report = m.install(true);
        EXPECT_EQ(report.end, InstallEnd::Succeeded);
        EXPECT_EQ(m.events.lines.at(0), c.copied ? "a.dat Ok" : "a.dat Ok (sin cambios)");
        EXPECT_EQ(m.events.lines.back(), kDest + "\\mapas\\viejo.dat no está en el soporte");
        EXPECT_EQ(m.fs.contents(kDest + "\\a.dat"), c.copied ? "alfa" : before);
        EXPECT_EQ(m.fs.contents(kDest + "\\mapas\\viejo.dat"), "v");
        if (c.copied) {
            EXPECT_EQ(m.fs.last_write_of(kDest + "\\a.dat"), m.fs.last_write_of(kMedium + "\\a.dat"));
        }
        EXPECT_EQ(report.copied, report.found);

        // Everything is there now, as on the medium.
        m.events.lines.clear();
        const InstallReport again = m.install(true);
        EXPECT_EQ(again.unchanged, again.found);
        EXPECT_EQ(m.events.lines.at(0), "a.dat Ok (sin cambios)");
    }
}

}  // namespace
}  // namespace vorlan::test
