// The in-memory file system's own rules: the copy engine's tests lean on them.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "fakes/memory_file_system.h"

namespace vorlan::test {
namespace {

std::vector<std::string> names(MemoryFileSystem& fs, const std::string& folder) {
    std::vector<Entry> entries;
    std::string err;
    EXPECT_TRUE(fs.list(folder, &entries, &err)) << err;
    std::vector<std::string> out;
    for (const Entry& e : entries) out.push_back(e.name + (e.is_folder ? "\\" : ""));
    return out;
}

// Copies through the streams in chunks of `chunk` bytes, flipping the byte at `flip` if asked.
bool stream_copy(MemoryFileSystem& fs, const std::string& from, const std::string& to, std::size_t chunk,
                 std::uint64_t flip = ~0ull, std::uint64_t stop = ~0ull) {
    std::string err;
    auto in = fs.open_read(from, &err);
    auto out = fs.create(to, &err);
    if (!in || !out) return false;
    std::vector<char> buf(chunk);
    std::uint64_t at = 0;
    std::size_t got = 0;
    while (at < stop && in->read(buf.data(), static_cast<std::size_t>(std::min<std::uint64_t>(chunk, stop - at)), &got,
                                 &err) &&
           got > 0) {
        if (flip >= at && flip < at + got) buf[flip - at] ^= 1;
        at += got;
        if (!out->write(buf.data(), got, &err)) return false;
    }
    return out->close(&err);
}

TEST(MemoryFileSystem, NamesIgnoreCaseKeepTheirSpellingAndListInOrder) {
    MemoryFileSystem fs;
    fs.add_file("C:\\Datos\\Zeta.txt", "zz");
    fs.add_folder("c:\\datos\\Alfa");
    fs.add_file("C:\\DATOS\\beta.TXT", "b", ATTR_HIDDEN);
    fs.add_file("C:\\Datos\\Ñandú.txt", "ñ");
    EXPECT_EQ(names(fs, "c:\\datos\\\\"), (std::vector<std::string>{"Zeta.txt", "Alfa\\", "beta.TXT", "Ñandú.txt"}));
    EXPECT_TRUE(fs.exists("C:\\DATOS\\ZETA.TXT"));
    EXPECT_TRUE(fs.exists("c:\\datos\\ñANDÚ.TXT"));
    EXPECT_TRUE(fs.is_folder("C:\\Datos\\alfa\\"));
    EXPECT_FALSE(fs.exists("C:\\Datos\\Zeta.txt\\"));  // a file named as a folder
    EXPECT_FALSE(fs.exists("C:Datos"));

    std::uint32_t attrs = 0;
    std::string err;
    ASSERT_TRUE(fs.set_attributes("C:\\Datos\\beta.txt", 0, &err));
    ASSERT_TRUE(fs.attributes("C:\\Datos\\beta.txt", &attrs));
    EXPECT_EQ(attrs, ATTR_NORMAL);  // as Windows reports a file with none
    EXPECT_EQ(fs.attrs_of("C:\\Datos\\beta.txt"), 0u);
    ASSERT_TRUE(fs.attributes("C:\\Datos\\Alfa", &attrs));
    EXPECT_EQ(attrs, ATTR_DIRECTORY);
}

TEST(MemoryFileSystem, RefusesWhatWindowsRefuses) {
    struct Case {
        const char* name;
        std::function<bool(MemoryFileSystem&, std::string*)> op;
        const char* err;
    };
    const std::string denied = "Acceso denegado.";
    const std::string in_use = "El proceso no tiene acceso al archivo porque está siendo utilizado por otro proceso.";
    const std::string no_path = "El sistema no puede encontrar la ruta especificada.";
    auto held = [](MemoryFileSystem& fs) { fs.faults("C:\\d\\held.txt").held = true; };
    const Case cases[] = {
        {"remove read-only", [](auto& fs, auto* e) { return fs.remove_file("C:\\d\\ro.txt", e); }, denied.c_str()},
        {"create over read-only", [](auto& fs, auto* e) { return !!fs.create("C:\\d\\ro.txt", e); }, denied.c_str()},
        {"create over hidden", [](auto& fs, auto* e) { return !!fs.create("C:\\d\\hidden.txt", e); },
         denied.c_str()},
        {"remove a folder", [](auto& fs, auto* e) { return fs.remove_file("C:\\d\\sub", e); }, denied.c_str()},
        {"create on a folder", [](auto& fs, auto* e) { return !!fs.create("C:\\d\\sub", e); }, denied.c_str()},
        {"create in a missing folder", [](auto& fs, auto* e) { return !!fs.create("C:\\d\\no\\a", e); },
         no_path.c_str()},
        {"open held", [&](auto& fs, auto* e) { held(fs); return !!fs.open_read("C:\\d\\held.txt", e); },
         in_use.c_str()},
        {"remove held", [&](auto& fs, auto* e) { held(fs); return fs.remove_file("C:\\d\\held.txt", e); },
         in_use.c_str()},
        {"create over held", [&](auto& fs, auto* e) { held(fs); return !!fs.create("C:\\d\\held.txt", e); },
         in_use.c_str()},
        {"remove while open",
         [](auto& fs, auto* e) {
             auto in = fs.open_read("C:\\d\\a.txt", e);
             return fs.remove_file("C:\\d\\a.txt", e);
         },
         in_use.c_str()},
        {"open while written",
         [](auto& fs, auto* e) {
             auto out = fs.create("C:\\d\\a.txt", e);
             return !!fs.open_read("C:\\d\\a.txt", e);
         },
         in_use.c_str()},
        {"list a file", [](auto& fs, auto* e) { std::vector<Entry> v; return fs.list("C:\\d\\a.txt", &v, e); },
         "El nombre del directorio no es válido."},
        {"list refused",
         [](auto& fs, auto* e) {
             fs.fail_listing("C:\\d\\SUB");
             std::vector<Entry> v;
             return fs.list("c:\\d\\sub\\", &v, e);
         },
         denied.c_str()},
        {"folders through a file", [](auto& fs, auto* e) { return fs.make_folders("C:\\d\\a.txt\\x\\", e); },
         "No se puede crear un archivo que ya existe."},
        {"folder refused",
         [](auto& fs, auto* e) {
             fs.faults("C:\\d\\new").make_folder_refused = true;
             return fs.make_folders("C:\\d\\new\\x\\", e);
         },
         denied.c_str()},
    };
    for (const Case& c : cases) {
        MemoryFileSystem fs;
        fs.add_file("C:\\d\\ro.txt", "ro", ATTR_READONLY);
        fs.add_file("C:\\d\\held.txt", "held");
        fs.add_file("C:\\d\\hidden.txt", "h", ATTR_HIDDEN);
        fs.add_file("C:\\d\\a.txt", "a");
        fs.add_folder("C:\\d\\sub");
        const std::string before = fs.describe();
        std::string err;
        EXPECT_FALSE(c.op(fs, &err)) << c.name;
        EXPECT_EQ(err, c.err) << c.name;
        EXPECT_EQ(fs.contents("C:\\d\\ro.txt"), "ro") << c.name;
        EXPECT_EQ(fs.contents("C:\\d\\held.txt"), "held") << c.name;
        EXPECT_FALSE(fs.exists("C:\\d\\new")) << c.name;
    }
}

TEST(MemoryFileSystem, MakeFoldersStopsAtTheLastSeparator) {
    MemoryFileSystem fs;
    std::string err;
    EXPECT_TRUE(fs.make_folders("\\\\srv\\datos\\a\\\\b\\c", &err)) << err;
    EXPECT_TRUE(fs.is_folder("\\\\SRV\\datos\\a\\b"));
    EXPECT_FALSE(fs.exists("\\\\srv\\datos\\a\\b\\c"));
    EXPECT_EQ(names(fs, "\\\\srv\\datos\\a"), std::vector<std::string>{"b\\"});
}

// Large files keep no bytes, yet a copy of one is told from a near miss.
TEST(MemoryFileSystem, ComparesLargeFilesByteForByte) {
    MemoryFileSystem fs;
    fs.keep_limit = 1 << 20;
    const std::uint64_t size = 3 * 1000 * 1000 + 1;  // past the generator's period
    fs.add_large_file("E:\\big", size);
    fs.add_folder("C:\\d");
    ASSERT_TRUE(stream_copy(fs, "E:\\big", "C:\\d\\copy", 777777));
    EXPECT_TRUE(fs.same_contents("E:\\big", "C:\\d\\copy")) << fs.describe();
    ASSERT_TRUE(stream_copy(fs, "C:\\d\\copy", "C:\\d\\copy2", 4096));  // a copy of a copy reads back
    EXPECT_TRUE(fs.same_contents("E:\\big", "C:\\d\\copy2"));
    ASSERT_TRUE(stream_copy(fs, "E:\\big", "C:\\d\\flipped", 65536, size - 2));
    EXPECT_FALSE(fs.same_contents("E:\\big", "C:\\d\\flipped"));
    ASSERT_TRUE(stream_copy(fs, "E:\\big", "C:\\d\\short", 1024, ~0ull, size - 1));
    EXPECT_FALSE(fs.same_contents("E:\\big", "C:\\d\\short"));

    fs.keep_limit = 1000;  // written files past it keep a digest only
    fs.add_file("E:\\text", std::string(5000, 'x') + "y");
    ASSERT_TRUE(stream_copy(fs, "E:\\text", "C:\\d\\text", 300));
    EXPECT_TRUE(fs.same_contents("E:\\text", "C:\\d\\text"));
    EXPECT_EQ(fs.contents("C:\\d\\text"), std::string(1000, 'x'));
    ASSERT_TRUE(stream_copy(fs, "E:\\text", "C:\\d\\text2", 300, 4000));
    EXPECT_FALSE(fs.same_contents("E:\\text", "C:\\d\\text2"));
    EXPECT_EQ(fs.open_count(), 0);
}

TEST(MemoryFileSystem, StreamFaults) {
    MemoryFileSystem fs;
    fs.add_file("E:\\a", std::string(100, 'a'));
    fs.add_folder("C:\\d");
    std::string err;
    char buf[64] = {};
    std::size_t got = 0;

    fs.faults("E:\\a").read_fails_at = 2;
    fs.faults("E:\\a").shrinks_to = 70;
    {
        auto in = fs.open_read("E:\\a", &err);
        EXPECT_EQ(in->size(), 100u);
        EXPECT_TRUE(in->read(buf, 64, &got, &err));
        EXPECT_FALSE(in->read(buf, 64, &got, &err));
        EXPECT_EQ(err, "Error de datos (comprobación de redundancia cíclica).");
        EXPECT_TRUE(in->read(buf, 64, &got, &err));
        EXPECT_EQ(got, 6u);  // shrank to 70
        EXPECT_EQ(fs.open_count(), 1);
    }
    fs.faults("E:\\a") = Faults{};
    fs.faults("E:\\a").grows_by = 10;
    {
        auto in = fs.open_read("E:\\a", &err);
        std::uint64_t total = 0;
        while (in->read(buf, 64, &got, &err) && got > 0) total += got;
        EXPECT_EQ(total, 110u);
    }

    fs.free_space = 100;
    fs.add_file("C:\\d\\old", std::string(50, 'o'));
    {
        auto out = fs.create("C:\\d\\old", &err);  // truncating gives 50 back
        EXPECT_TRUE(out->write(buf, 64, &err));
        EXPECT_TRUE(out->write(buf, 64, &err));
        EXPECT_FALSE(out->write(buf, 64, &err));
        EXPECT_EQ(err, "No hay espacio suficiente en el disco.");
        EXPECT_TRUE(out->close(&err));
    }
    EXPECT_EQ(fs.size_of("C:\\d\\old"), 150u);  // what fitted
    EXPECT_EQ(*fs.free_space, 0u);
    EXPECT_TRUE(fs.remove_file("C:\\d\\old", &err));
    EXPECT_EQ(*fs.free_space, 150u);

    fs.faults("C:\\d\\w").write_fails_at = 1;
    fs.faults("C:\\d\\w").close_fails = true;
    auto out = fs.create("C:\\d\\w", &err);
    EXPECT_FALSE(out->write(buf, 1, &err));
    EXPECT_FALSE(out->close(&err));
    EXPECT_EQ(fs.open_count(), 0);
}

TEST(MemoryFileSystem, ReadsAnsiTextAsWindows1252) {
    MemoryFileSystem fs;
    fs.add_file("E:\\leeme.txt", "Espa\xF1" "a\r\n\x80 \x93" "cita\x94 \x81");
    std::string text, err;
    ASSERT_TRUE(fs.read_ansi_text("E:\\leeme.txt", &text, &err)) << err;
    EXPECT_EQ(text, "España\r\n€ “cita” \xC2\x81");
    EXPECT_FALSE(fs.read_ansi_text("E:\\falta.txt", &text, &err));
    EXPECT_EQ(err, "El sistema no puede encontrar el archivo especificado.");
}

}  // namespace
}  // namespace vorlan::test
