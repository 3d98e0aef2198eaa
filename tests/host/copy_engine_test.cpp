#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "copy/copy.h"
#include "host/test_app.h"

namespace vorlan::test {
namespace {

constexpr std::uint64_t MiB = 1 << 20;
const std::string kSrc = "E:\\instalar\\vorlan";

std::string bytes_of(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7) % 26);
    return s;
}

struct Walk {
    bool ok;
    std::int64_t copied = -1;
    std::string err;
};

// The tree copy of `root`, measured first as the install command does unless `measured` is given.
Walk walk(TestApp& t, const std::string& root, double measured = -1, bool nested = true) {
    Walk w;
    std::uint64_t size = 0;
    if (measured < 0) {
        EXPECT_TRUE(FolderSize(t.app, Folder{root}, &size, &w.err)) << w.err;
    }
    double progress = 0;
    w.ok = ListFilesCopy(t.app, Folder{root}, nested, measured < 0 ? static_cast<double>(size) : measured, progress,
                         &w.copied, &w.err);
    return w;
}

std::vector<std::string> lines(const TestApp& t, int id) { return t.form.at(id).lines; }

// ---- CopyFile ----

TEST(CopyFile, MovesTheBarOncePerBlockAndReplacesTheOldFile) {
    const struct {
        std::size_t size;
        std::vector<double> bar;
        long yields;
    } cases[] = {
        {0, {0}, 1},  // one empty block: a yield, the bar untouched
        {1024, {100, 0}, 1},
        {1025, {100, 100, 0}, 2},  // under 1 % left already shows 100
        {3000, {35, 69, 100, 0}, 3},
        {10240, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0}, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        TestApp t;
        t.fs.add_file("E:\\s\\a.dat", bytes_of(c.size), ATTR_READONLY | ATTR_HIDDEN);
        t.fs.add_file("C:\\d\\a.dat", bytes_of(5000), ATTR_HIDDEN | ATTR_SYSTEM);  // longer, and hidden
        EXPECT_TRUE(CopyFile(t.app, "E:\\s\\a.dat", "C:\\d\\a.dat"));
        EXPECT_EQ(t.form.at(ProgressBar).progress_history, c.bar);
        EXPECT_EQ(t.form.yields, c.yields);
        EXPECT_EQ(t.fs.contents("C:\\d\\a.dat"), bytes_of(c.size));
        EXPECT_EQ(t.fs.attrs_of("C:\\d\\a.dat"), ATTR_ARCHIVE);  // a new file's, not the source's
    }
}

TEST(CopyFile, PastFourGibibytesIsExact) {
    const std::uint64_t size = 5 * 1024 * MiB + 3;
    TestApp t;
    t.fs.add_large_file("E:\\s\\big.dat", size);
    t.fs.add_file("E:\\s\\sub\\c.txt", "12");
    t.fs.add_folder("C:\\d");
    std::uint64_t measured = 0;
    std::string err;
    EXPECT_TRUE(FolderSize(t.app, Folder{"E:\\s"}, &measured, &err));
    EXPECT_EQ(measured, size + 2);
    t.form.yields = 0;

    ASSERT_TRUE(CopyFile(t.app, "E:\\s\\big.dat", "C:\\d\\big.dat"));
    EXPECT_TRUE(t.fs.same_contents("E:\\s\\big.dat", "C:\\d\\big.dat")) << t.fs.describe();
    const std::vector<double>& bar = t.form.at(ProgressBar).progress_history;
    ASSERT_EQ(bar.size(), (size + 1023) / 1024 + 1);
    EXPECT_EQ(t.form.yields + 1, static_cast<long>(bar.size()));
    EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end() - 1));
    EXPECT_EQ(std::vector<double>(bar.end() - 2, bar.end()), (std::vector<double>{100, 0}));
    // The share written so far, rounded up, after 2 GiB and 4 GiB.
    EXPECT_EQ(bar[2 * 1024 * 1024 - 1], 40);
    EXPECT_EQ(bar[4 * 1024 * 1024 - 1], 80);
}

// Every way one copy can fail: false, the bar back at 0, no stream left open,
// the source untouched, and the destination as the row says.
TEST(CopyFile, Failures) {
    const struct {
        const char* name;
        std::function<void(MemoryFileSystem&)> fault;
        const char* left;  // at the destination afterwards
        const char* to = "C:\\d\\a.dat";
        const char* from = "E:\\s\\a.dat";
    } cases[] = {
        {"destination read-only", [](auto& m) { m.add_file("C:\\d\\a.dat", "viejo", ATTR_READONLY); }, "viejo"},
        {"destination held", [](auto& m) { m.faults("C:\\d\\a.dat").held = true; }, "viejo"},
        {"a folder at the destination", [](auto& m) { m.add_folder("C:\\d\\b.dat"); }, "a folder", "C:\\d\\b.dat"},
        {"destination folder missing", [](auto&) {}, "nothing", "C:\\d\\falta\\a.dat"},
        {"source missing", [](auto&) {}, "viejo", "C:\\d\\a.dat", "E:\\s\\falta.dat"},
        {"source held without read sharing", [](auto& m) { m.faults("E:\\s\\a.dat").held = true; }, "viejo"},
        {"read fails part-way", [](auto& m) { m.faults("E:\\s\\a.dat").read_fails_at = 2; }, "nothing"},
        {"write fails part-way", [](auto& m) { m.faults("C:\\d\\a.dat").write_fails_at = 2; }, "nothing"},
        {"disk full part-way", [](auto& m) { m.free_space = 2 * MiB; }, "nothing"},
        {"source shrank", [](auto& m) { m.faults("E:\\s\\a.dat").shrinks_to = 2 * MiB + 7; }, "nothing"},
        {"source grew", [](auto& m) { m.faults("E:\\s\\a.dat").grows_by = 1; }, "nothing"},
        {"closing fails", [](auto& m) { m.faults("C:\\d\\a.dat").close_fails = true; }, "nothing"},
        {"onto itself", [](auto&) {}, "the source", "E:\\s\\a.dat"},
        {"onto itself in other case", [](auto&) {}, "the source", "e:\\S\\\\A.DAT"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestApp t;
        t.fs.add_large_file("E:\\s\\a.dat", 3 * MiB + 100);
        t.fs.add_large_file("E:\\ref\\a.dat", 3 * MiB + 100);
        t.fs.add_file("C:\\d\\a.dat", "viejo");
        c.fault(t.fs);
        EXPECT_FALSE(CopyFile(t.app, c.from, c.to));
        const std::vector<double>& bar = t.form.at(ProgressBar).progress_history;
        EXPECT_EQ(bar.back(), 0);
        EXPECT_EQ(t.fs.open_count(), 0);
        EXPECT_TRUE(t.fs.same_contents("E:\\s\\a.dat", "E:\\ref\\a.dat")) << t.fs.describe();
        const std::string left = !t.fs.exists(c.to)                          ? "nothing"
                                 : t.fs.is_folder(c.to)                        ? "a folder"
                                 : t.fs.same_contents(c.to, "E:\\ref\\a.dat") ? "the source"
                                                                               : t.fs.contents(c.to);
        EXPECT_EQ(left, c.left) << t.fs.describe();
        if (left == "the source") {
            EXPECT_EQ(t.fs.removes, 0) << "the source was nearly deleted";
        }
        if (left != "nothing") {
            EXPECT_EQ(bar.size(), 1u) << "the bar moved before the copy began";
        }
    }
}

// ---- ListFilesCopy ----

TEST(TreeCopy, DoesFilesBeforeSubfoldersAndMakesOnlyFoldersThatGetFiles) {
    for (bool nested : {true, false}) {
        TestApp t;
        t.fs.add_file(kSrc + "\\a.txt", "aaa");
        t.fs.add_file(kSrc + "\\mapas\\c.dat", "ccccc");
        t.fs.add_folder(kSrc + "\\vacia");
        t.fs.add_folder(kSrc + "\\z\\w");
        t.fs.add_file(kSrc + "\\b.txt", "bb");
        const Walk w = walk(t, kSrc, 10, nested);
        EXPECT_TRUE(w.ok);
        EXPECT_EQ(w.copied, nested ? 3 : 2);
        std::vector<std::string> log = {"Copiando E:\\instalar\\vorlan\\a.txt --> Ok",
                                        "Copiando E:\\instalar\\vorlan\\b.txt --> Ok"};
        if (nested) log.push_back("Copiando E:\\instalar\\vorlan\\mapas\\c.dat --> Ok");
        EXPECT_EQ(lines(t, ListaFicheros), log);
        EXPECT_EQ(t.form.at(ListaFicheros).selected, nested ? 2 : 1);
        EXPECT_TRUE(lines(t, ListaFicherosFail).empty());
        EXPECT_EQ(t.form.text(NumFilesCopy), nested ? "3" : "2");
        EXPECT_EQ(t.form.at(ProgressBarT).progress_history,
                  (nested ? std::vector<double>{30, 50, 100} : std::vector<double>{30, 50}));
        EXPECT_EQ(t.fs.contents("C:\\vorlan\\b.txt"), "bb");
        EXPECT_EQ(t.fs.exists("C:\\vorlan\\mapas\\c.dat"), nested);
        EXPECT_FALSE(t.fs.exists("C:\\vorlan\\vacia"));
        EXPECT_FALSE(t.fs.exists("C:\\vorlan\\z")) << t.fs.describe();
    }
}

// The wizard started from D:\ (the root holds a doubled separator); the
// failed file's line is "Copiando ..." while it copies, then a FALLO line.
TEST(TreeCopy, RecordsAFailedFileAndGoesOn) {
    TestApp t("D:\\");
    t.fs.add_large_file("D:\\vorlan\\uno.dat", MiB);
    t.fs.add_large_file("D:\\vorlan\\mapas\\a.dat", 2 * MiB);
    t.fs.add_large_file("D:\\vorlan\\mapas\\b.dat", MiB);
    t.fs.faults("D:\\vorlan\\mapas\\a.dat").read_fails_at = 2;
    t.form.set_text(NumFilesCopy, "4");
    std::string line_while_copying, count_while_copying;
    int selected_while_copying = -1;
    t.form.on_every_yield = [&] {
        if (t.form.yields != 1024 + 1 + 1) return;  // uno.dat's blocks and its own yield, then a.dat's first block
        line_while_copying = lines(t, ListaFicheros).back();
        selected_while_copying = t.form.at(ListaFicheros).selected;
        count_while_copying = t.form.text(NumFilesCopy);
    };
    const Walk w = walk(t, "D:\\vorlan", 4.0 * MiB);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.copied, 2);
    EXPECT_EQ(line_while_copying, "Copiando D:\\vorlan\\mapas\\a.dat --> ");
    EXPECT_EQ(selected_while_copying, 1);
    EXPECT_EQ(count_while_copying, "5");
    EXPECT_EQ(lines(t, ListaFicheros), (std::vector<std::string>{
                                           "Copiando D:\\vorlan\\uno.dat --> Ok",
                                           "D:\\vorlan\\mapas\\a.dat --> FALLO",
                                           "Copiando D:\\vorlan\\mapas\\b.dat --> Ok",
                                       }));
    EXPECT_EQ(lines(t, ListaFicherosFail), std::vector<std::string>{"D:\\vorlan\\mapas\\a.dat --> FALLO"});
    EXPECT_EQ(t.form.text(NumFilesCopy), "6");
    EXPECT_EQ(t.form.at(ProgressBarT).progress_history, (std::vector<double>{25, 75, 100}));  // a failure advances too
    EXPECT_FALSE(t.fs.exists("C:\\vorlan\\mapas\\a.dat"));
    EXPECT_TRUE(t.fs.same_contents("D:\\vorlan\\mapas\\b.dat", "C:\\vorlan\\mapas\\b.dat")) << t.fs.describe();
}

TEST(TreeCopy, OverallBarNeverDividesByZeroStopsShortOrRunsPastTheEnd) {
    const struct {
        int files;
        const char* bytes;
        double measured;
        std::vector<double> bar;
    } cases[] = {
        {2, "", 0, {0, 0}},
        {2, "12345", 6, {83, 100}},  // grew after it was measured
        {12, "x", 12, {8, 16, 25, 33, 41, 50, 58, 66, 75, 83, 91, 100}},  // twelfths add up to just under 100
    };
    for (const auto& c : cases) {
        TestApp t;
        for (int i = 0; i < c.files; ++i) t.fs.add_file(kSrc + "\\" + std::to_string(i), c.bytes);
        EXPECT_TRUE(walk(t, kSrc, c.measured).ok);
        EXPECT_EQ(t.form.at(ProgressBarT).progress_history, c.bar) << c.files << " of " << c.bytes;
    }
}

// Run from C:\, every file maps onto itself. Run from C:\vorlan, the source
// root C:\vorlan\vorlan lies inside the destination, and its subfolder
// "vorlan" would map onto the source's own files.
TEST(TreeCopy, NeverCopiesAFileOntoItselfNorIntoTheSource) {
    TestApp root("C:\\");
    root.fs.add_file("C:\\vorlan\\mapas\\b.txt", "mapa");
    EXPECT_EQ(walk(root, "C:\\vorlan").copied, 0);
    EXPECT_EQ(lines(root, ListaFicherosFail), std::vector<std::string>{"C:\\vorlan\\mapas\\b.txt --> FALLO"});
    EXPECT_EQ(root.fs.contents("C:\\vorlan\\mapas\\b.txt"), "mapa");

    TestApp t("C:\\vorlan");
    t.fs.add_file("C:\\vorlan\\vorlan\\b.txt", "original");
    t.fs.add_file("C:\\vorlan\\vorlan\\vorlan\\b.txt", "otra");
    EXPECT_EQ(walk(t, "C:\\vorlan\\vorlan").copied, 1);
    EXPECT_EQ(t.fs.contents("C:\\vorlan\\vorlan\\b.txt"), "original");
    EXPECT_EQ(t.fs.contents("C:\\vorlan\\b.txt"), "original");
    EXPECT_EQ(lines(t, ListaFicherosFail), std::vector<std::string>{"C:\\vorlan\\vorlan\\vorlan\\b.txt --> FALLO"});
}

TEST(TreeCopy, StopsWhereTheWalkItselfFails) {
    TestApp t;
    t.fs.add_file(kSrc + "\\a.txt", "a");
    t.fs.add_file(kSrc + "\\mapas\\b.txt", "b");
    t.fs.add_file(kSrc + "\\otros\\c.txt", "c");
    t.fs.faults(kSrc + "\\mapas").list_fails = true;
    const Walk w = walk(t, kSrc, 3);
    EXPECT_FALSE(w.ok);
    EXPECT_EQ(w.err, "No se puede leer la carpeta E:\\instalar\\vorlan\\mapas: Acceso denegado.");
    EXPECT_EQ(w.copied, 1);
    EXPECT_TRUE(t.fs.exists("C:\\vorlan\\a.txt"));
    EXPECT_FALSE(t.fs.exists("C:\\vorlan\\otros"));
}

// The count yields once per folder; a folder that cannot be listed stops it.
TEST(TreeCopy, MoreThan32767FilesAreCountedAndCopied) {
    TestApp t;
    for (int d = 0; d < 33; ++d)
        for (int i = 0; i < 1000; ++i) t.fs.add_file(kSrc + "\\d" + std::to_string(d) + "\\" + std::to_string(i), "");
    std::int64_t count = 0;
    std::string err;
    for (bool nested : {false, true}) {
        t.form.yields = 0;
        ASSERT_TRUE(NumFiles(t.app, Folder{kSrc}, nested, &count, &err));
        EXPECT_EQ(count, nested ? 33000 : 0);
        EXPECT_EQ(t.form.yields, nested ? 34 : 1);
    }
    EXPECT_EQ(walk(t, kSrc).copied, 33000);
    EXPECT_EQ(t.form.text(NumFilesCopy), "33000");
    t.fs.faults(kSrc + "\\d7").list_fails = true;
    EXPECT_FALSE(NumFiles(t.app, Folder{kSrc}, true, &count, &err));
    EXPECT_EQ(err, "No se puede leer la carpeta E:\\instalar\\vorlan\\d7: Acceso denegado.");
}

// ---- ChangePath, MakeDirPath, AttribFiles ----

TEST(ChangePath, MapsOnlyALeadingRoot) {
    const char* const cases[][3] = {
        {"D:\\\\vorlan", "D:\\vorlan\\mapas\\a.dat", "C:\\vorlan\\mapas\\a.dat"},
        {"D:\\\\vorlan", "D:\\vorlan", "C:\\vorlan"},
        {"D:\\\\vorlan", "d:\\vorlan\\mapas\\a.dat", "d:\\vorlan\\mapas\\a.dat"},
        {"D:\\\\vorlan", "D:\\vorlanes\\a.dat", "D:\\vorlanes\\a.dat"},
        {"E:\\instalar\\vorlan", "F:\\E:\\instalar\\vorlan\\a.dat", "F:\\E:\\instalar\\vorlan\\a.dat"},
        {"\\\\srv\\datos\\\\vorlan", "\\\\srv\\datos\\vorlan\\a.dat", "C:\\vorlan\\a.dat"},
        {"D:\\", "D:\\a.dat", "C:\\vorlan\\a.dat"},
    };
    TestApp t;
    for (const auto& [root, in, out] : cases) {
        t.app.state.AppOrigCarto = root;
        EXPECT_EQ(ChangePath(t.app, in), out) << root << " " << in;
    }
}

TEST(MakeDirPath, CreatesWhatIsMissingAndIsQuietOtherwise) {
    TestApp t;
    for (const char* path : {"C:\\vorlan\\mapas", "C:\\vorlan\\datos\\"}) MakeDirPath(t.app, path);
    EXPECT_TRUE(t.fs.is_folder("C:\\vorlan\\mapas") && t.fs.is_folder("C:\\vorlan\\datos")) << t.fs.describe();

    t.fs.add_file("C:\\archivo", "x");
    MakeDirPath(t.app, "C:\\archivo\\sub");  // quietly not made
    EXPECT_EQ(t.fs.contents("C:\\archivo"), "x");
}

TEST(AttribFiles, TreatsOnlyTheTopLevel) {
    TestApp t;
    t.fs.add_file("C:\\vorlan\\top.txt", "", ATTR_READONLY);
    t.fs.add_folder("C:\\vorlan\\sub", ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE);
    t.fs.add_file("C:\\vorlan\\sub\\in.txt", "", ATTR_READONLY);
    t.fs.add_folder("C:\\vorlan\\sub\\deep", ATTR_HIDDEN);
    std::string err;
    EXPECT_TRUE(AttribFiles(t.app, Folder{"C:\\vorlan"}, true, &err)) << err;
    EXPECT_EQ(t.fs.attrs_of("C:\\vorlan\\top.txt") + t.fs.attrs_of("C:\\vorlan\\sub"), 0u);
    EXPECT_EQ(t.fs.attrs_of("C:\\vorlan\\sub\\in.txt"), ATTR_READONLY);
    EXPECT_EQ(t.fs.attrs_of("C:\\vorlan\\sub\\deep"), ATTR_HIDDEN);
}

}  // namespace
}  // namespace vorlan::test
