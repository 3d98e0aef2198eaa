// The copy engine on the in-memory file system: the copy of one file and the
// per-file bar as the queue computes it (both private to the engine), the
// tree copy and the path mapping.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

#include "copy/copy_queue.h"
#include "copy/file_copy.h"
#include "copy/tree_copy.h"
#include "fakes/memory_file_system.h"
#include "host/copy_recorder.h"

namespace vorlan::test {
namespace {

constexpr std::uint64_t MiB = 1 << 20;
const std::string kSrc = "U:\\vorlan";  // U: tells case apart

std::string bytes_of(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7) % 26);
    return s;
}

// What a single-file copy told of its progress: (written, size) per chunk.
struct Chunks : CopyProgress {
    std::vector<std::pair<std::uint64_t, std::uint64_t>> told;
    bool advanced(std::uint64_t written, std::uint64_t size) override {
        told.emplace_back(written, size);
        return true;
    }
    void reading(InputFile*) override {}
};

struct Engine {
    MemoryFileSystem fs;
    Recorder events;
    Chunks chunks;
    std::uint64_t bytes = 0;
    CopyRun run{fs, events, {kSrc, "C:\\vorlan"}};

    bool copy(const std::string& from, const std::string& to, std::string* reason = nullptr) {
        std::string r;
        return copy_file(fs, chunks, from, to, true, &bytes, reason ? reason : &r);
    }
    // The tree copy of the source, measured first as the installation does.
    bool walk() {
        TreeSize size;
        std::string err;
        return measure_tree(fs, events, kSrc, "", 1, UINT64_MAX, &size, &err) && run.copy_tree(size.bytes, &err);
    }
};

// The per-file bar: the share written, rounded up, from the first bytes on.
TEST(FileBar, ShowsTheShareWrittenRoundedUpFromTheFirstBytes) {
    constexpr std::uint64_t GiB = 1024 * MiB;
    const struct {
        std::uint64_t written, size;
        std::optional<double> bar;
    } cases[] = {
        {0, 0, std::nullopt},  // an empty file: nothing to show
        {0, 1024, std::nullopt},
        {1024, 1024, 100},  // exactly one block
        {1000, 1000, 100},  // one partial block
        {1024, 1025, 100},  // under 1 % left already shows 100
        {1024, 3000, 35},   // 3,000 bytes in 1024-byte blocks
        {2048, 3000, 69},
        {3000, 3000, 100},
        {4000, 3000, 100},           // a file that grew under the copy
        {2 * GiB, 5 * GiB + 3, 40},  // past 4 GiB, exact: 32-bit sizes or single precision miss these
        {2 * GiB + 3, 5 * GiB + 5, 41},
        {4 * GiB, 5 * GiB + 3, 80},
    };
    for (const auto& c : cases) EXPECT_EQ(share_written(c.written, c.size), c.bar) << c.written << " of " << c.size;
}

TEST(FileCopy, ToldChunkByChunkAndReplacesTheOldFile) {
    using Told = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    const struct {
        std::size_t size;
        Told told;
    } cases[] = {
        {0, {{0, 0}}},  // an empty file is told once
        {1025, {{1025, 1025}}},
        {200 * 1024, {{65536, 204800}, {131072, 204800}, {196608, 204800}, {204800, 204800}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        Engine t;
        t.fs.add_file("E:\\s\\a.dat", bytes_of(c.size), ATTR_READONLY | ATTR_HIDDEN);
        t.fs.add_file("C:\\d\\a.dat", bytes_of(5000));
        EXPECT_TRUE(t.copy("E:\\s\\a.dat", "C:\\d\\a.dat"));
        EXPECT_EQ(t.chunks.told, c.told);
        EXPECT_EQ(t.bytes, c.size);
        EXPECT_EQ(t.fs.contents("C:\\d\\a.dat"), bytes_of(c.size));
        EXPECT_EQ(t.fs.attrs_of("C:\\d\\a.dat"), ATTR_ARCHIVE);  // a new file's, not the source's
        EXPECT_EQ(t.fs.describe().find(".tmp"), std::string::npos) << "a temporary was left";
    }
}

// An older file gives way only to a complete copy, written to the disk
// first, whatever its attributes once overwriting was confirmed.
TEST(FileCopy, ReplacesAnOlderFileOnlyWithACompleteFlushedCopy) {
    const std::uint32_t cases[] = {ATTR_ARCHIVE, ATTR_READONLY, ATTR_READONLY | ATTR_HIDDEN, ATTR_SYSTEM | ATTR_HIDDEN};
    for (const std::uint32_t attrs : cases) {
        SCOPED_TRACE(attrs);
        Engine t;
        t.fs.add_file("E:\\s\\a.dat", bytes_of(70000));
        t.fs.add_file("C:\\d\\a.dat", "viejo", attrs);
        std::string reason;
        EXPECT_TRUE(t.copy("E:\\s\\a.dat", "C:\\d\\a.dat", &reason)) << reason;
        EXPECT_EQ(t.fs.contents("C:\\d\\a.dat"), bytes_of(70000));
        EXPECT_EQ(t.fs.attrs_of("C:\\d\\a.dat"), ATTR_ARCHIVE);
        EXPECT_EQ(t.fs.unflushed_replaces, 0);
        EXPECT_EQ(t.fs.describe().find(".tmp"), std::string::npos) << t.fs.describe();
    }
}

TEST(FileCopy, PastFourGibibytesIsExact) {
    const std::uint64_t size = 5 * 1024 * MiB + 3;
    Engine t;
    t.fs.add_large_file("E:\\s\\big.dat", size);
    t.fs.add_folder("C:\\d");
    ASSERT_TRUE(t.copy("E:\\s\\big.dat", "C:\\d\\big.dat"));
    EXPECT_TRUE(t.fs.same_contents("E:\\s\\big.dat", "C:\\d\\big.dat")) << t.fs.describe();
    ASSERT_EQ(t.chunks.told.size(), (size + 65535) / 65536);
    EXPECT_EQ(t.chunks.told[2 * 1024 * 16 - 1], std::make_pair(2 * 1024 * MiB, size));  // after 2 GiB
    EXPECT_EQ(t.bytes, size);
}

// Every way one copy can fail: false with a reason, no stream left open, the source untouched, the destination as the
// row says, and nothing else in its folder (no temporary, no partial file).
TEST(FileCopy, Failures) {
    const struct {
        const char* name;
        std::function<void(MemoryFileSystem&)> fault;
        const char* left;  // at the destination afterwards
        const char* to = "C:\\d\\a.dat";
        const char* from = "E:\\s\\a.dat";
    } cases[] = {
        {"destination held", [](auto& m) { m.faults("C:\\d\\a.dat").held = true; }, "viejo"},
        {"destination read-only and held",
         [](auto& m) {
             m.add_file("C:\\d\\a.dat", "viejo", ATTR_READONLY);
             m.faults("C:\\d\\a.dat").held = true;
         },
         "viejo read-only"},
        {"a folder at the destination", [](auto& m) { m.add_folder("C:\\d\\b.dat"); }, "a folder", "C:\\d\\b.dat"},
        {"source missing", [](auto&) {}, "viejo", "C:\\d\\a.dat", "E:\\s\\falta.dat"},
        {"source held without read sharing", [](auto& m) { m.faults("E:\\s\\a.dat").held = true; }, "viejo"},
        {"read fails part-way", [](auto& m) { m.faults("E:\\s\\a.dat").read_fails_at = 2; }, "viejo"},
        {"disk full part-way over an older file", [](auto& m) { m.space = 2 * MiB; }, "viejo"},
        {"source shrank", [](auto& m) { m.faults("E:\\s\\a.dat").shrinks_to = 2 * MiB + 7; }, "viejo"},
        {"source grew", [](auto& m) { m.faults("E:\\s\\a.dat").grows_by = 1; }, "viejo"},
        {"write fails in a fresh place", [](auto& m) { m.faults("C:\\d\\n.dat").write_fails_at = 2; }, "nothing",
         "C:\\d\\n.dat"},
        {"closing fails in a fresh place", [](auto& m) { m.faults("C:\\d\\n.dat").close_fails = true; }, "nothing",
         "C:\\d\\n.dat"},
        {"onto itself in other case", [](auto&) {}, "the source", "e:\\S\\\\A.DAT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Engine t;
        t.fs.add_large_file("E:\\s\\a.dat", 3 * MiB + 100);
        t.fs.add_large_file("E:\\ref\\a.dat", 3 * MiB + 100);
        t.fs.add_file("C:\\d\\a.dat", "viejo");
        c.fault(t.fs);
        std::string reason;
        EXPECT_FALSE(t.copy(c.from, c.to, &reason));
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(t.bytes, 0u);
        EXPECT_EQ(t.fs.open_count(), 0);
        EXPECT_TRUE(t.fs.same_contents("E:\\s\\a.dat", "E:\\ref\\a.dat")) << t.fs.describe();
        const std::string left = !t.fs.exists(c.to)                           ? "nothing"
                                 : t.fs.is_folder(c.to)                       ? "a folder"
                                 : t.fs.same_contents(c.to, "E:\\ref\\a.dat") ? "the source"
                                 : t.fs.attrs_of(c.to) & ATTR_READONLY        ? t.fs.contents(c.to) + " read-only"
                                                                              : t.fs.contents(c.to);
        EXPECT_EQ(left, c.left) << t.fs.describe();
        EXPECT_EQ(t.fs.describe().find(".tmp"), std::string::npos) << t.fs.describe();
    }
}

// Walk order whatever order the workers finish in (the first file finishes
// after the next; a file handed over after the slow folder, after every file
// behind it), folders made only for files and before them (slowly), failures
// recorded and the walk going on (an exception on a worker too), names
// Windows cannot tell apart, folders that lead elsewhere on either side, and
// a folder that cannot be made.
TEST(TreeCopy, ReportsEveryFileInWalkOrder) {
    Engine t;
    t.fs.add_file(kSrc + "\\a.txt", "aaa");
    t.fs.faults(kSrc + "\\a.txt").stalls_at = 1;
    t.fs.add_file(kSrc + "\\capas\\Mapa.dat", "primero");
    t.fs.faults(kSrc + "\\capas\\Mapa.dat").stalls_at = 1;
    t.fs.add_file(kSrc + "\\capas\\mapa.dat", "segundo");
    t.fs.faults("C:\\vorlan\\capas").stalls_at = 1;
    t.fs.add_folder(kSrc + "\\vacia");
    t.fs.add_folder(kSrc + "\\enlace", ATTR_REPARSE_POINT);
    t.fs.add_file(kSrc + "\\enlace\\x.dat", "x");
    t.fs.add_file(kSrc + "\\mal\\b.dat", "bbbbbbbbbb");
    t.fs.faults(kSrc + "\\mal\\b.dat").read_fails_at = 1;
    t.fs.add_file(kSrc + "\\mal\\c.dat", "cc");
    t.fs.faults(kSrc + "\\mal\\c.dat").open_throws = true;  // out of memory on a worker
    t.fs.add_file(kSrc + "\\z.txt", "zz");
    t.fs.add_file(kSrc + "\\zona\\c.dat", "c");
    t.fs.add_file("C:\\vorlan\\zona", "a file where a folder must go");
    t.fs.add_file(kSrc + "\\otra\\hondo\\d.dat", "d");
    t.fs.add_folder("C:\\vorlan\\otra", ATTR_REPARSE_POINT);
    ASSERT_TRUE(t.walk());
    const std::string alias =
        "Otro archivo del soporte ya se ha copiado con este nombre (Windows no distingue "
        "mayúsculas de minúsculas).";
    EXPECT_EQ(t.events.lines,
              (std::vector<std::string>{
                  "Copiando U:\\vorlan\\a.txt --> Ok",
                  "Copiando U:\\vorlan\\z.txt --> Ok",
                  "Copiando U:\\vorlan\\capas\\Mapa.dat --> Ok",
                  "U:\\vorlan\\capas\\mapa.dat --> FALLO: " + alias,
                  "U:\\vorlan\\enlace --> FALLO: La carpeta es una unión, un vínculo simbólico o un "
                  "punto de montaje; no se copia.",
                  "U:\\vorlan\\mal\\b.dat --> FALLO: Error de datos (comprobación de redundancia "
                  "cíclica).",
                  "U:\\vorlan\\mal\\c.dat --> FALLO: No hay memoria suficiente para copiar el archivo.",
                  "U:\\vorlan\\otra\\hondo\\d.dat --> FALLO: La carpeta de destino C:\\vorlan\\otra es una "
                  "unión, un vínculo simbólico o un punto de montaje; no se escribe a través de ella.",
                  "U:\\vorlan\\zona\\c.dat --> FALLO: El sistema no puede encontrar la ruta "
                  "especificada.",
              }));
    EXPECT_EQ(t.run.results().copied, 3);
    EXPECT_EQ(t.run.results().failures.size(), 6u);
    EXPECT_EQ(t.fs.contents("C:\\vorlan\\capas\\Mapa.dat"), "primero");
    EXPECT_EQ(t.events.overall_bar, (std::vector<double>{9, 15, 36, 57, 87, 93, 96, 100}));  // failures advance too
    for (const std::string n : {"vacia", "enlace", "otra\\hondo"}) EXPECT_FALSE(t.fs.exists("C:\\vorlan\\" + n));
}

// Files read at once, by what holds the source: a disc's or a spinning
// disk's head would travel between them. Each file stalls a while, as a slow
// device would, so that several workers could not miss one another.
TEST(TreeCopy, ReadsOneFileAtATimeWhereTheSourceSeeks) {
    const struct {
        Device device;
        bool one_at_a_time;
    } cases[] = {
        {Device::Optical, true},  {Device::SeekPenalty, true}, {Device::NoSeekPenalty, false},
        {Device::Network, false}, {Device::Unknown, false},
    };
    for (const auto& c : cases) {
        Engine t;
        t.fs.device_kind = c.device;
        for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
            t.fs.add_file(kSrc + "\\" + name, "datos");
            t.fs.faults(kSrc + "\\" + name).stalls_at = 1;
        }
        ASSERT_TRUE(t.walk());
        EXPECT_EQ(t.run.results().copied, 3);
        if (c.one_at_a_time) EXPECT_EQ(t.fs.most_open_reads(), 1) << static_cast<int>(c.device);
        else EXPECT_GT(t.fs.most_open_reads(), 1) << static_cast<int>(c.device);
    }
}

TEST(DestinationPath, MapsOnlyALeadingRoot) {
    const char* const cases[][3] = {
        {"D:\\\\vorlan", "D:\\vorlan\\mapas\\a.dat", "C:\\vorlan\\mapas\\a.dat"},
        {"D:\\\\vorlan", "D:\\vorlan", "C:\\vorlan"},
        {"D:\\\\vorlan", "d:\\vorlan\\mapas\\a.dat", "d:\\vorlan\\mapas\\a.dat"},
        {"D:\\\\vorlan", "D:\\vorlanes\\a.dat", "D:\\vorlanes\\a.dat"},
        {"E:\\instalar\\vorlan", "F:\\E:\\instalar\\vorlan\\a.dat", "F:\\E:\\instalar\\vorlan\\a.dat"},
        {"\\\\srv\\datos\\\\vorlan", "\\\\srv\\datos\\vorlan\\a.dat", "C:\\vorlan\\a.dat"},
        {"D:\\", "D:\\a.dat", "C:\\vorlan\\a.dat"},
    };
    for (const auto& [root, in, out] : cases)
        EXPECT_EQ(destination_path({root, "C:\\vorlan"}, in), out) << root << " " << in;
}

}  // namespace
}  // namespace vorlan::test
