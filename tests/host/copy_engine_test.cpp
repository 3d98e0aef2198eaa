#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "copy/copy.h"
#include "fakes/fake_form.h"
#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"

namespace vorlan {
namespace {

using test::FakeForm;
using test::MemoryFileSystem;

constexpr std::uint64_t MiB = 1 << 20;

std::string bytes_of(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7) % 26);
    return s;
}

struct Engine : ::testing::Test {
    FakeForm form;
    MemoryFileSystem fs;
    test::FakePrograms programs;
    test::FakeSystem system;
    App app{form, fs, programs, system, {}};
    const std::string src = "E:\\instalar\\vorlan";

    Engine() {
        app.state.AppOrigCarto = src;
        app.state.AppDest = "C:\\vorlan";
        form.set_text(NumFilesCopy, "0");
    }

    std::vector<double> bar(int id = ProgressBar) { return form.at(id).progress_history; }
    std::vector<std::string> lines(int id) { return form.at(id).lines; }

    struct Walk {
        bool ok;
        std::int64_t copied;
        std::string err;
    };
    // The copy as the install command runs it: the tree measured, then copied.
    Walk copy_tree(const std::string& root, bool nested = true) {
        std::uint64_t size = 0;
        std::string err;
        EXPECT_TRUE(FolderSize(app, Folder{root}, &size, &err)) << err;
        double progress = 0;
        Walk w{};
        w.ok = ListFilesCopy(app, Folder{root}, nested, static_cast<double>(size), progress, &w.copied, &w.err);
        return w;
    }
};

// ---- CopyFile ----

TEST_F(Engine, CopyFileMovesTheBarOncePerBlockAndEndsAtZero) {
    struct Case {
        std::size_t size;
        std::vector<double> bar;
        long yields;
    };
    const Case cases[] = {
        {0, {0}, 1},  // one empty block: a yield, the bar untouched
        {1024, {100, 0}, 1},
        {1025, {100, 100, 0}, 2},  // under 1 % left already shows 100
        {3000, {35, 69, 100, 0}, 3},
        {10240, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 0}, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        FakeForm f;
        MemoryFileSystem mfs;
        App a{f, mfs, programs, system, app.state};
        mfs.add_file("E:\\s\\a.dat", bytes_of(c.size), ATTR_READONLY | ATTR_HIDDEN);
        mfs.add_folder("C:\\d");
        EXPECT_TRUE(CopyFile(a, "E:\\s\\a.dat", "C:\\d\\a.dat"));
        EXPECT_EQ(f.at(ProgressBar).progress_history, c.bar);
        EXPECT_EQ(f.yields, c.yields);
        EXPECT_EQ(mfs.contents("C:\\d\\a.dat"), bytes_of(c.size));
        EXPECT_EQ(mfs.attrs_of("C:\\d\\a.dat"), ATTR_ARCHIVE);  // a new file's, not the source's
        EXPECT_EQ(mfs.open_count(), 0);
    }
}

TEST_F(Engine, CopyFileReplacesALongerShorterOrHiddenFile) {
    const std::pair<std::size_t, std::uint32_t> olds[] = {{2, ATTR_ARCHIVE}, {5000, 0}, {9, ATTR_HIDDEN | ATTR_SYSTEM}};
    for (const auto& [old_size, old_attrs] : olds) {
        fs.add_file("C:\\d\\a.dat", bytes_of(old_size), old_attrs);
        fs.add_file("E:\\s\\a.dat", "nuevo");
        EXPECT_TRUE(CopyFile(app, "E:\\s\\a.dat", "C:\\d\\a.dat"));
        EXPECT_EQ(fs.contents("C:\\d\\a.dat"), "nuevo");
        EXPECT_EQ(fs.attrs_of("C:\\d\\a.dat"), ATTR_ARCHIVE);
    }
}

TEST_F(Engine, CopyFileReadsAndWritesInLargeChunks) {
    const std::uint64_t size = 3 * MiB + 5;
    fs.add_large_file("E:\\s\\a.dat", size);
    fs.add_folder("C:\\d");
    EXPECT_TRUE(CopyFile(app, "E:\\s\\a.dat", "C:\\d\\a.dat"));
    EXPECT_TRUE(fs.same_contents("E:\\s\\a.dat", "C:\\d\\a.dat")) << fs.describe();
    EXPECT_EQ(bar().size(), 3 * 1024 + 1 + 1);
    EXPECT_EQ(form.yields, 3 * 1024 + 1);
    EXPECT_LE(fs.write_calls, 4u);
    EXPECT_LE(fs.read_calls, 5u);  // one more finds the end
}

// Five million blocks: the per-file bar is checked as it moves instead of stored.
struct BarWatch : FakeForm {
    void set_progress(int id, double value) override {
        if (id != ProgressBar) return FakeForm::set_progress(id, value);
        if (value != 0 && value < last) ++decreases;
        if (value < 0 || value > 100) ++out_of_range;
        before_last = last;
        last = value;
        if (++count == kTwoGiB || count == 2 * kTwoGiB) at_2_and_4_gib.push_back(value);
    }
    void yield() override { ++yields; }

    static constexpr long kTwoGiB = 2 * 1024 * 1024;  // blocks
    long count = 0, decreases = 0, out_of_range = 0;
    double last = 0, before_last = 0;
    std::vector<double> at_2_and_4_gib;
};

TEST_F(Engine, CopyFilePastFourGibibytesIsExact) {
    const std::uint64_t size = 5 * 1024 * MiB + 3;
    BarWatch watch;
    App a{watch, fs, programs, system, app.state};
    fs.add_large_file("E:\\s\\big.dat", size);
    fs.add_folder("C:\\d");
    ASSERT_TRUE(CopyFile(a, "E:\\s\\big.dat", "C:\\d\\big.dat"));
    EXPECT_EQ(fs.size_of("C:\\d\\big.dat"), size);
    EXPECT_TRUE(fs.same_contents("E:\\s\\big.dat", "C:\\d\\big.dat")) << fs.describe();
    EXPECT_EQ(watch.count, static_cast<long>((size + 1023) / 1024 + 1));
    EXPECT_EQ(watch.yields, watch.count - 1);
    EXPECT_EQ(watch.decreases, 0);
    EXPECT_EQ(watch.out_of_range, 0);
    EXPECT_EQ(watch.before_last, 100);
    EXPECT_EQ(watch.last, 0);
    // The share written so far, rounded up, after 2 GiB and 4 GiB.
    EXPECT_EQ(watch.at_2_and_4_gib, (std::vector<double>{40, 80}));
}

// Every way one copy can fail: false, the bar back at 0, no stream left
// open, the source untouched, and the destination as the row says.
TEST_F(Engine, CopyFileFailures) {
    enum Left { OldFileKept, Nothing, FolderKept, SourceOnly };
    struct Case {
        const char* name;
        std::function<void(MemoryFileSystem&)> fault;
        Left left;
        const char* from = "E:\\s\\a.dat";
        const char* to = "C:\\d\\a.dat";
    };
    const Case cases[] = {
        {"destination read-only", [](auto& m) { m.add_file("C:\\d\\a.dat", "viejo", ATTR_READONLY); }, OldFileKept},
        {"destination held", [](auto& m) { m.faults("C:\\d\\a.dat").held = true; }, OldFileKept},
        {"a folder at the destination", [](auto& m) { m.add_folder("C:\\d\\b.dat"); }, FolderKept,
         "E:\\s\\a.dat", "C:\\d\\b.dat"},
        {"destination folder missing", [](auto&) {}, Nothing, "E:\\s\\a.dat", "C:\\d\\falta\\a.dat"},
        {"source missing", [](auto&) {}, OldFileKept, "E:\\s\\falta.dat"},
        {"source held without read sharing", [](auto& m) { m.faults("E:\\s\\a.dat").held = true; }, OldFileKept},
        {"read fails part-way", [](auto& m) { m.faults("E:\\s\\a.dat").read_fails_at = 2; }, Nothing},
        {"write fails part-way", [](auto& m) { m.faults("C:\\d\\a.dat").write_fails_at = 2; }, Nothing},
        {"disk full part-way", [](auto& m) { m.free_space = 2 * MiB; }, Nothing},
        {"source shrank", [](auto& m) { m.faults("E:\\s\\a.dat").shrinks_to = 2 * MiB + 7; }, Nothing},
        {"source grew", [](auto& m) { m.faults("E:\\s\\a.dat").grows_by = 1; }, Nothing},
        {"closing fails", [](auto& m) { m.faults("C:\\d\\a.dat").close_fails = true; }, Nothing},
        {"onto itself", [](auto&) {}, SourceOnly, "E:\\s\\a.dat", "E:\\s\\a.dat"},
        {"onto itself in other case", [](auto&) {}, SourceOnly, "E:\\s\\a.dat", "e:\\S\\\\A.DAT"},
    };
    const std::uint64_t size = 3 * MiB + 100;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeForm f;
        MemoryFileSystem m;
        App a{f, m, programs, system, app.state};
        m.add_large_file("E:\\s\\a.dat", size);
        m.add_large_file("E:\\ref\\a.dat", size);
        m.add_file("C:\\d\\a.dat", "viejo");
        c.fault(m);
        EXPECT_FALSE(CopyFile(a, c.from, c.to));
        EXPECT_EQ(f.at(ProgressBar).progress_history.back(), 0);
        EXPECT_EQ(m.open_count(), 0);
        EXPECT_TRUE(m.same_contents("E:\\s\\a.dat", "E:\\ref\\a.dat")) << m.describe();
        switch (c.left) {
            case OldFileKept: EXPECT_EQ(m.contents(c.to), "viejo"); break;
            case Nothing: EXPECT_FALSE(m.exists(c.to)) << m.describe(); break;
            case FolderKept: EXPECT_TRUE(m.is_folder(c.to)); break;
            case SourceOnly: break;
        }
        if (c.left != Nothing) {
            EXPECT_EQ(f.at(ProgressBar).progress_history, std::vector<double>{0});
        }
    }
}

TEST_F(Engine, CopyFileOpensTheSourceBeforeTouchingTheDestination) {
    fs.add_file("E:\\s\\a.dat", "x");
    fs.add_file("C:\\d\\a.dat", "viejo");
    EXPECT_TRUE(CopyFile(app, "E:\\s\\a.dat", "C:\\d\\a.dat"));
    EXPECT_EQ(fs.operations,
              (std::vector<std::string>{"open E:\\s\\a.dat", "remove C:\\d\\a.dat", "create C:\\d\\a.dat"}));
}

// ---- ListFilesCopy ----

TEST_F(Engine, TreeCopyDoesFilesBeforeSubfoldersAndLogsEach) {
    fs.add_file(src + "\\a.txt", "aaa");
    fs.add_file(src + "\\mapas\\c.dat", "ccccc");
    fs.add_file(src + "\\b.txt", "bb");
    Walk w = copy_tree(src);
    EXPECT_TRUE(w.ok) << w.err;
    EXPECT_EQ(w.copied, 3);
    EXPECT_EQ(lines(ListaFicheros), (std::vector<std::string>{
                                        "Copiando E:\\instalar\\vorlan\\a.txt --> Ok",
                                        "Copiando E:\\instalar\\vorlan\\b.txt --> Ok",
                                        "Copiando E:\\instalar\\vorlan\\mapas\\c.dat --> Ok",
                                    }));
    EXPECT_EQ(form.at(ListaFicheros).selected, 2);
    EXPECT_TRUE(lines(ListaFicherosFail).empty());
    EXPECT_EQ(form.text(NumFilesCopy), "3");
    EXPECT_EQ(bar(ProgressBarT), (std::vector<double>{30, 50, 100}));
    EXPECT_EQ(fs.contents("C:\\vorlan\\a.txt"), "aaa");
    EXPECT_EQ(fs.contents("C:\\vorlan\\b.txt"), "bb");
    EXPECT_EQ(fs.contents("C:\\vorlan\\mapas\\c.dat"), "ccccc");
}

TEST_F(Engine, TreeCopyWithoutNestedDirsStaysInTheFolder) {
    fs.add_file(src + "\\a.txt", "aaa");
    fs.add_file(src + "\\mapas\\c.dat", "ccccc");
    Walk w = copy_tree(src, false);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.copied, 1);
    EXPECT_FALSE(fs.exists("C:\\vorlan\\mapas")) << fs.describe();
}

TEST_F(Engine, TreeCopyCreatesFoldersOnlyOnTheWayToAFile) {
    fs.add_folder(src + "\\vacia");
    fs.add_folder(src + "\\z\\w");
    fs.add_file(src + "\\x\\y\\f.txt", "f");
    EXPECT_TRUE(copy_tree(src).ok);
    EXPECT_TRUE(fs.exists("C:\\vorlan\\x\\y\\f.txt"));
    EXPECT_FALSE(fs.exists("C:\\vorlan\\vacia"));
    EXPECT_FALSE(fs.exists("C:\\vorlan\\z")) << fs.describe();

    MemoryFileSystem empty;
    App a{form, empty, programs, system, app.state};
    empty.add_folder(src + "\\solo_carpetas\\otra");
    double progress = 0;
    std::int64_t copied = -1;
    std::string err;
    EXPECT_TRUE(ListFilesCopy(a, Folder{src}, true, 0, progress, &copied, &err));
    EXPECT_EQ(copied, 0);
    EXPECT_FALSE(empty.exists("C:\\vorlan"));
}

// The wizard started from D:\ (the root holds a doubled separator); the
// failed file's line is "Copiando ..." while it copies, then a FALLO line.
TEST_F(Engine, TreeCopyRecordsAFailedFileAndGoesOn) {
    app.state.AppOrigCarto = "D:\\\\vorlan";
    fs.add_large_file("D:\\vorlan\\uno.dat", MiB);
    fs.add_large_file("D:\\vorlan\\mapas\\a.dat", 2 * MiB);
    fs.add_large_file("D:\\vorlan\\mapas\\b.dat", MiB);
    fs.faults("D:\\vorlan\\mapas\\a.dat").read_fails_at = 2;
    form.set_text(NumFilesCopy, "4");
    std::string line_while_copying, count_while_copying;
    int selected_while_copying = -1;
    form.on_yield[1024 + 1 + 1] = [&] {  // uno.dat's blocks and its own yield, then a.dat's first block
        line_while_copying = form.at(ListaFicheros).lines.back();
        selected_while_copying = form.at(ListaFicheros).selected;
        count_while_copying = form.text(NumFilesCopy);
    };
    double progress = 0;
    Walk w{};
    w.ok = ListFilesCopy(app, Folder{"D:\\vorlan"}, true, 4.0 * MiB, progress, &w.copied, &w.err);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.copied, 2);
    EXPECT_EQ(line_while_copying, "Copiando D:\\vorlan\\mapas\\a.dat --> ");
    EXPECT_EQ(selected_while_copying, 1);
    EXPECT_EQ(count_while_copying, "5");
    EXPECT_EQ(lines(ListaFicheros), (std::vector<std::string>{
                                        "Copiando D:\\vorlan\\uno.dat --> Ok",
                                        "D:\\vorlan\\mapas\\a.dat --> FALLO",
                                        "Copiando D:\\vorlan\\mapas\\b.dat --> Ok",
                                    }));
    EXPECT_EQ(lines(ListaFicherosFail), std::vector<std::string>{"D:\\vorlan\\mapas\\a.dat --> FALLO"});
    EXPECT_EQ(form.text(NumFilesCopy), "6");
    EXPECT_EQ(bar(ProgressBarT), (std::vector<double>{25, 75, 100}));  // a failed file advances too
    EXPECT_TRUE(fs.same_contents("D:\\vorlan\\uno.dat", "C:\\vorlan\\uno.dat"));
    EXPECT_FALSE(fs.exists("C:\\vorlan\\mapas\\a.dat"));
    EXPECT_TRUE(fs.same_contents("D:\\vorlan\\mapas\\b.dat", "C:\\vorlan\\mapas\\b.dat")) << fs.describe();
}

TEST_F(Engine, TreeCopyFailsEachFaultyFileInWalkOrder) {
    const std::string good = bytes_of(3000);
    auto add = [&](const std::string& name, const std::string& bytes = "") {
        fs.add_file(src + "\\" + name, bytes.empty() ? good : bytes);
    };
    add("1.ok");
    add("retenido.dat");
    fs.faults(src + "\\retenido.dat").held = true;
    add("encoge.dat", bytes_of(2 * MiB));
    fs.faults(src + "\\encoge.dat").shrinks_to = MiB;
    add("2.ok");
    add("solo_lectura.dat");
    fs.add_file("C:\\vorlan\\solo_lectura.dat", "viejo", ATTR_READONLY);
    add("carpeta.dat");
    fs.add_folder("C:\\vorlan\\carpeta.dat");
    add("prohibida\\x.dat");
    add("prohibida\\y.dat");
    fs.faults("C:\\vorlan\\prohibida").make_folder_refused = true;
    add("3.ok");
    Walk w = copy_tree(src);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.copied, 3);
    EXPECT_EQ(form.text(NumFilesCopy), "3");
    const std::string p = src + "\\";
    EXPECT_EQ(lines(ListaFicherosFail), (std::vector<std::string>{
                                            p + "retenido.dat --> FALLO",
                                            p + "encoge.dat --> FALLO",
                                            p + "solo_lectura.dat --> FALLO",
                                            p + "carpeta.dat --> FALLO",
                                            p + "prohibida\\x.dat --> FALLO",
                                            p + "prohibida\\y.dat --> FALLO",
                                        }));
    for (const char* ok : {"1.ok", "2.ok", "3.ok"}) EXPECT_EQ(fs.contents(std::string("C:\\vorlan\\") + ok), good);
    EXPECT_FALSE(fs.exists("C:\\vorlan\\encoge.dat"));
    EXPECT_EQ(fs.contents("C:\\vorlan\\solo_lectura.dat"), "viejo");
    EXPECT_EQ(bar(ProgressBarT).back(), 100);
    EXPECT_EQ(fs.open_count(), 0);
}

TEST_F(Engine, TreeCopyOverallBarWithEmptyFilesRoundingAndGrowth) {
    fs.add_file(src + "\\a", "");
    fs.add_file(src + "\\b", "");
    double progress = 0;
    std::int64_t copied = 0;
    std::string err;
    EXPECT_TRUE(ListFilesCopy(app, Folder{src}, true, 0, progress, &copied, &err));
    EXPECT_EQ(progress, 0);
    EXPECT_EQ(bar(ProgressBarT), (std::vector<double>{0, 0}));

    fs.add_file(src + "\\a", "12345");
    fs.add_file(src + "\\b", "12345");
    progress = 0;
    form.at(ProgressBarT).progress_history.clear();
    EXPECT_TRUE(ListFilesCopy(app, Folder{src}, true, 6, progress, &copied, &err));
    EXPECT_EQ(bar(ProgressBarT), (std::vector<double>{83, 100}));  // never past the bar's end

    // Twelve shares of 100/12 add up to just under 100 in floating point.
    MemoryFileSystem twelve;
    App a{form, twelve, programs, system, app.state};
    for (int i = 0; i < 12; ++i) twelve.add_file(src + "\\" + std::to_string(i), "x");
    progress = 0;
    EXPECT_TRUE(ListFilesCopy(a, Folder{src}, true, 12, progress, &copied, &err));
    EXPECT_EQ(bar(ProgressBarT).back(), 100);
}

TEST_F(Engine, TreeCopyNeverCopiesAFileOntoItself) {
    struct Case {
        const char* source_root;  // AppOrigCarto
        const char* walked;       // the folder the walk is given
    };
    const Case cases[] = {
        {"C:\\vorlan", "C:\\vorlan"},  // the wizard started from the root of C:
        {"c:\\vorlan", "c:\\vorlan"},  // mapped, but onto the same file in other case
        {"C:\\VORLAN", "C:\\vorlan"},  // not mapped: the same path comes back
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source_root);
        FakeForm f;
        MemoryFileSystem m;
        App a{f, m, programs, system, app.state};
        a.state.AppOrigCarto = c.source_root;
        f.set_text(NumFilesCopy, "0");
        m.add_file("C:\\vorlan\\a.txt", "datos");
        m.add_file("C:\\vorlan\\mapas\\b.txt", "mapa");
        double progress = 0;
        std::int64_t copied = -1;
        std::string err;
        EXPECT_TRUE(ListFilesCopy(a, Folder{c.walked}, true, 9, progress, &copied, &err));
        EXPECT_EQ(copied, 0);
        EXPECT_EQ(f.at(ListaFicherosFail).lines.size(), 2u);
        EXPECT_EQ(m.contents("C:\\vorlan\\a.txt"), "datos");
        EXPECT_EQ(m.contents("C:\\vorlan\\mapas\\b.txt"), "mapa");
        for (const std::string& op : m.operations) EXPECT_EQ(op.find("remove"), std::string::npos) << op;
    }
}

// Run from C:\vorlan, the source root C:\vorlan\vorlan lies inside the
// destination: its subfolder vorlan\ would map onto the source's own files.
TEST_F(Engine, TreeCopyNeverWritesIntoTheSourceTree) {
    app.state.AppOrigCarto = "C:\\vorlan\\vorlan";
    fs.add_file("C:\\vorlan\\vorlan\\a.txt", "a");
    fs.add_file("C:\\vorlan\\vorlan\\b.txt", "original");
    fs.add_file("C:\\vorlan\\vorlan\\vorlan\\b.txt", "otra");
    Walk w = copy_tree("C:\\vorlan\\vorlan");
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.copied, 2);
    EXPECT_EQ(fs.contents("C:\\vorlan\\vorlan\\b.txt"), "original");
    EXPECT_EQ(fs.contents("C:\\vorlan\\b.txt"), "original");
    EXPECT_EQ(lines(ListaFicherosFail), std::vector<std::string>{"C:\\vorlan\\vorlan\\vorlan\\b.txt --> FALLO"});
}

TEST_F(Engine, TreeCopyStopsWhereTheWalkItselfFails) {
    fs.add_file(src + "\\a.txt", "a");
    fs.add_file(src + "\\mapas\\b.txt", "b");
    fs.add_file(src + "\\otros\\c.txt", "c");
    fs.faults(src + "\\mapas").list_fails = true;
    double progress = 0;
    std::int64_t copied = -1;
    std::string err;
    EXPECT_FALSE(ListFilesCopy(app, Folder{src}, true, 3, progress, &copied, &err));
    EXPECT_EQ(err, "No se puede leer la carpeta E:\\instalar\\vorlan\\mapas: Acceso denegado.");
    EXPECT_EQ(copied, 1);
    EXPECT_TRUE(fs.exists("C:\\vorlan\\a.txt"));
    EXPECT_FALSE(fs.exists("C:\\vorlan\\otros"));

    form.set_text(NumFilesCopy, "uno");
    EXPECT_FALSE(ListFilesCopy(app, Folder{src + "\\otros"}, true, 3, progress, &copied, &err));
    EXPECT_EQ(err, "El número de archivos copiados no es válido: \"uno\"");
}

TEST_F(Engine, MoreThan32767FilesAreCountedAndCopied) {
    for (int d = 0; d < 33; ++d)
        for (int i = 0; i < 1000; ++i) fs.add_file(src + "\\d" + std::to_string(d) + "\\" + std::to_string(i), "");
    std::int64_t count = 0;
    std::string err;
    ASSERT_TRUE(NumFiles(app, Folder{src}, true, &count, &err));
    EXPECT_EQ(count, 33000);
    Walk w = copy_tree(src);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.copied, 33000);
    EXPECT_EQ(form.text(NumFilesCopy), "33000");
    ASSERT_TRUE(NumFiles(app, Folder{"C:\\vorlan"}, true, &count, &err));
    EXPECT_EQ(count, 33000);
}

// ---- ChangePath, collapse_separators, MakeDirPath ----

TEST_F(Engine, ChangePathMapsOnlyALeadingRoot) {
    struct Case {
        const char* root;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"D:\\\\vorlan", "D:\\vorlan\\mapas\\a.dat", "C:\\vorlan\\mapas\\a.dat"},
        {"D:\\\\vorlan", "D:\\vorlan", "C:\\vorlan"},
        {"D:\\\\vorlan", "d:\\vorlan\\mapas\\a.dat", "d:\\vorlan\\mapas\\a.dat"},
        {"D:\\\\vorlan", "D:\\vorlanes\\a.dat", "D:\\vorlanes\\a.dat"},
        {"E:\\instalar\\vorlan", "E:\\instalar\\vorlan\\vorlan\\a.dat", "C:\\vorlan\\vorlan\\a.dat"},
        {"E:\\instalar\\vorlan", "F:\\E:\\instalar\\vorlan\\a.dat", "F:\\E:\\instalar\\vorlan\\a.dat"},
        {"\\\\srv\\datos\\\\vorlan", "\\\\srv\\datos\\vorlan\\a.dat", "C:\\vorlan\\a.dat"},
        {"D:\\", "D:\\a.dat", "C:\\vorlan\\a.dat"},
    };
    for (const Case& c : cases) {
        app.state.AppOrigCarto = c.root;
        EXPECT_EQ(ChangePath(app, c.in), c.out) << c.root << " " << c.in;
    }
}

TEST(CollapseSeparators, KeepsTheSharePrefix) {
    const std::pair<const char*, const char*> cases[] = {
        {"D:\\\\vorlan", "D:\\vorlan"},
        {"D:\\\\\\vorlan\\\\mapas\\", "D:\\vorlan\\mapas\\"},
        {"\\\\srv\\datos\\\\vorlan", "\\\\srv\\datos\\vorlan"},
        {"\\\\\\srv\\datos", "\\\\srv\\datos"},
        {"E:\\instalar\\vorlan", "E:\\instalar\\vorlan"},
        {"", ""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(collapse_separators(in), out) << in;
}

TEST_F(Engine, MakeDirPathCreatesWhatIsMissingAndIsQuietOtherwise) {
    for (const char* path : {"C:\\vorlan\\mapas", "C:\\vorlan\\datos\\"}) MakeDirPath(app, path);
    EXPECT_TRUE(fs.is_folder("C:\\vorlan\\mapas"));
    EXPECT_TRUE(fs.is_folder("C:\\vorlan\\datos")) << fs.describe();

    fs.operations.clear();
    MakeDirPath(app, "C:\\vorlan\\mapas");
    EXPECT_TRUE(fs.operations.empty());

    fs.add_file("C:\\archivo", "x");
    fs.faults("C:\\prohibida").make_folder_refused = true;
    MakeDirPath(app, "C:\\archivo\\sub");
    MakeDirPath(app, "C:\\prohibida\\sub");
    EXPECT_FALSE(fs.exists("C:\\prohibida"));
    EXPECT_EQ(fs.contents("C:\\archivo"), "x");
}

// ---- NumFiles, AttribFiles, FolderSize ----

TEST_F(Engine, NumFilesCountsFilesAtTheDepthAskedWithOneYieldPerFolder) {
    fs.add_folder(src + "\\vacia");
    fs.add_file(src + "\\a\\x.txt", "");
    fs.add_file(src + "\\b\\c\\y.txt", "", ATTR_HIDDEN | ATTR_SYSTEM);
    fs.add_file(src + "\\b\\z.txt", "");
    struct Case {
        std::string folder;
        bool nested;
        std::int64_t count;
        long yields;
    };
    const Case cases[] = {
        {src + "\\vacia", true, 0, 1},
        {src, false, 0, 1},
        {src, true, 3, 5},
        {src + "\\b", true, 2, 2},
    };
    for (const Case& c : cases) {
        form.yields = 0;
        std::int64_t count = -1;
        std::string err;
        EXPECT_TRUE(NumFiles(app, Folder{c.folder}, c.nested, &count, &err)) << err;
        EXPECT_EQ(count, c.count) << c.folder << " " << c.nested;
        EXPECT_EQ(form.yields, c.yields) << c.folder << " " << c.nested;
    }
    fs.faults(src + "\\b\\c").list_fails = true;
    std::int64_t count = 0;
    std::string err;
    EXPECT_FALSE(NumFiles(app, Folder{src}, true, &count, &err));
    EXPECT_EQ(err, "No se puede leer la carpeta E:\\instalar\\vorlan\\b\\c: Acceso denegado.");
}

TEST_F(Engine, AttribFilesTreatsOnlyTheTopLevel) {
    const std::uint32_t all = ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE;
    for (bool nested : {false, true}) {
        SCOPED_TRACE(nested);
        MemoryFileSystem m;
        App a{form, m, programs, system, app.state};
        m.add_file("C:\\vorlan\\top.txt", "", ATTR_READONLY);
        m.add_folder("C:\\vorlan\\sub", all);
        m.add_file("C:\\vorlan\\sub\\in.txt", "", ATTR_READONLY);
        m.add_folder("C:\\vorlan\\sub\\deep", ATTR_HIDDEN);
        std::string err;
        EXPECT_TRUE(AttribFiles(a, Folder{"C:\\vorlan"}, nested, &err)) << err;
        EXPECT_EQ(m.attrs_of("C:\\vorlan\\top.txt"), 0u);
        EXPECT_EQ(m.attrs_of("C:\\vorlan\\sub"), nested ? 0u : all);
        EXPECT_EQ(m.attrs_of("C:\\vorlan\\sub\\in.txt"), ATTR_READONLY);
        EXPECT_EQ(m.attrs_of("C:\\vorlan\\sub\\deep"), ATTR_HIDDEN);
    }
    fs.add_file("C:\\vorlan\\top.txt", "");
    fs.faults("C:\\vorlan\\top.txt").set_attributes_fails = true;
    std::string err;
    EXPECT_FALSE(AttribFiles(app, Folder{"C:\\vorlan"}, true, &err));
    EXPECT_EQ(err, "No se pueden cambiar los atributos de C:\\vorlan\\top.txt: Acceso denegado.");
}

TEST_F(Engine, FolderSizeAddsEveryDepthExactly) {
    fs.add_large_file(src + "\\grande.dat", 5 * 1024 * MiB + 3);
    fs.add_file(src + "\\a\\b\\c.txt", "12");
    std::uint64_t size = 0;
    std::string err;
    EXPECT_TRUE(FolderSize(app, Folder{src}, &size, &err));
    EXPECT_EQ(size, 5 * 1024 * MiB + 5);
    fs.faults(src + "\\a").list_fails = true;
    EXPECT_FALSE(FolderSize(app, Folder{src}, &size, &err));
}

}  // namespace
}  // namespace vorlan
