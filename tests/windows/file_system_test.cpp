// The Win32 file system on real files, made and checked with the plain Win32 API.

#include "win32/file_system.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <map>

#include "ui/files.h"
#include "ui/medium.h"
#include "win32/handle.h"
#include "win32/long_path.h"
#include "win32/text.h"

namespace vorlan::test {
namespace {

using namespace vorlan::ui;
using win32::UniqueHandle;

std::string read_all(FileSystem& fs, const std::string& path) {
    std::string err, out;
    auto in = fs.open_read(path, &err);
    EXPECT_NE(in, nullptr) << path << ": " << err;
    char buf[1000];  // not a divisor of the test sizes: the last read is short
    std::size_t got = 0;
    while (in && in->read(buf, sizeof buf, &got, &err) && got > 0) out.append(buf, got);
    return out;
}

// Another program's handle on a file, sharing as it says.
UniqueHandle open_shared(const std::string& path, DWORD access, DWORD share) {
    return UniqueHandle(CreateFileW(win32::long_path(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

// 6 nested folders of 40-character names: past 260 characters under any root.
const std::string kDeep = [] {
    std::string out = "largo";
    for (int i = 0; i < 6; ++i) out += "\\subcarpeta-de-nombre-bastante-largo-n" + std::to_string(10 + i);
    return out;
}();

struct Win32FileSystemTest : ::testing::Test {
    TempFolder tmp;
    win32::Win32FileSystem fs;
    std::string err;
};

// Written and read through the file system, checked with the plain API; made
// with doubled separators, as the wizard run from a drive root names them.
TEST_F(Win32FileSystemTest, UnicodeNamesLongPathsAndDoubledSeparators) {
    const std::vector<std::string> names = {"ñandú.txt", "日本語のファイル.bin", "mapa 🗺️ 😀.jpg", "Ελλάδα.txt",
                                            kDeep + "\\último archivo.dat"};
    std::string doubled = tmp.path() + "\\\\carpeta ñ 日本\\\\";
    for (unsigned i = 0; i < names.size(); ++i) {
        const std::string path = doubled + names[i], plain = tmp / ("carpeta ñ 日本\\" + names[i]);
        ASSERT_TRUE(fs.make_folders(path, &err)) << err;
        EXPECT_FALSE(exists(plain)) << "the last name is the file's";
        auto out = fs.create(path, &err);
        const std::string bytes = test_bytes(1000 + i, i);
        ASSERT_TRUE(out && out->write(bytes.data(), bytes.size(), &err) && out->close(&err)) << names[i] << ": " << err;
        EXPECT_EQ(read_file(plain), bytes) << names[i];
        EXPECT_EQ(read_all(fs, path), bytes) << names[i];
    }

    std::vector<Entry> entries;
    ASSERT_TRUE(fs.list(doubled, &entries, &err)) << err;
    std::map<std::string, Entry> listed;
    for (const Entry& e : entries) listed[e.name] = e;
    ASSERT_EQ(listed.size(), names.size()) << "no . or .., no repeats";
    EXPECT_EQ(listed[names[1]].size, 1001u);
    EXPECT_TRUE(listed["largo"].is_folder && (listed["largo"].attributes & ATTR_DIRECTORY));
    EXPECT_FALSE(fs.list(tmp / "no existe", &entries, &err));
    EXPECT_EQ(fs.open_read(tmp / "no existe.dat", &err), nullptr);
    EXPECT_NE(err, "");
}

TEST_F(Win32FileSystemTest, ReadOnlyFilesFoldersAndFilesOthersHold) {
    const std::string file = tmp / "solo lectura.txt";
    ASSERT_TRUE(write_file(file, "antiguo"));
    ASSERT_TRUE(fs.set_attributes(file, ATTR_READONLY | ATTR_HIDDEN, &err)) << err;
    EXPECT_FALSE(fs.remove_file(file, &err));
    {
        bool there = true;
        std::unique_ptr<NewFile> nuevo = fs.create_new(tmp / "nuevo.txt", &there, &err);
        ASSERT_TRUE(nuevo && nuevo->write("nuevo", 5, &err)) << err;
        EXPECT_FALSE(nuevo->keep_as(file, &err));
    }
    EXPECT_FALSE(exists(tmp / "nuevo.txt"));
    EXPECT_EQ(read_file(file), "antiguo");
    // 0 means "none", which Windows spells otherwise.
    ASSERT_TRUE(fs.set_attributes(file, 0, &err)) << err;
    EXPECT_EQ(attributes(file) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_TRUE(fs.remove_file(file, &err)) << err;

    ASSERT_TRUE(make_folders(tmp / "carpeta"));
    EXPECT_FALSE(fs.remove_file(tmp / "carpeta", &err)) << "never a folder";

    ASSERT_TRUE(write_file(file, "datos"));
    {
        UniqueHandle held = open_shared(file, GENERIC_READ | GENERIC_WRITE, 0);
        ASSERT_TRUE(held.valid());
        EXPECT_EQ(fs.open_read(file, &err), nullptr);
        EXPECT_FALSE(fs.remove_file(file, &err));
    }
    // Another reader that shares reading does not stop ours.
    UniqueHandle reader = open_shared(file, GENERIC_READ, FILE_SHARE_READ);
    EXPECT_EQ(read_all(fs, file), "datos");
}

// A new file of the copy's is there for nobody else, and goes unless kept;
// kept over an older file, it takes its place whole or not at all.
TEST_F(Win32FileSystemTest, NewFilesGoUnlessKept) {
    enum End { Kept, Dropped, OverAnOlderFile, OverAReadOnlyFile, OverAFileHeldOpen };
    for (const End end : {Kept, Dropped, OverAnOlderFile, OverAReadOnlyFile, OverAFileHeldOpen}) {
        SCOPED_TRACE(end);
        const std::string path = tmp / "nuevo.dat", older = tmp / "viejo.dat";
        ASSERT_TRUE(write_file(older, "viejo"));
        if (end == OverAReadOnlyFile) {
            ASSERT_TRUE(fs.set_attributes(older, ATTR_READONLY, &err));
        }
        UniqueHandle held;
        if (end == OverAFileHeldOpen) held = open_shared(older, GENERIC_READ, FILE_SHARE_READ);
        {
            bool there = true;
            std::unique_ptr<NewFile> out = fs.create_new(path, &there, &err);
            ASSERT_TRUE(out) << err;
            EXPECT_FALSE(there);
            ASSERT_TRUE(out->write("nuevo", 5, &err) && out->flush(&err)) << err;
            EXPECT_FALSE(open_shared(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE))
                << "a file being written is nobody else's";
            if (end == Kept) {
                EXPECT_TRUE(out->keep(&err)) << err;
            } else if (end == OverAnOlderFile) {
                EXPECT_TRUE(out->keep_as(older, &err)) << err;
            } else if (end != Dropped) {
                EXPECT_FALSE(out->keep_as(older, &err));
            }
        }
        held.reset();
        EXPECT_EQ(read_file(path), end == Kept ? std::optional<std::string>("nuevo") : std::nullopt);
        EXPECT_EQ(read_file(older), end == OverAnOlderFile ? "nuevo" : "viejo");
        EXPECT_EQ((attributes(older) & FILE_ATTRIBUTE_READONLY) != 0, end == OverAReadOnlyFile);
        fs.set_attributes(older, 0, &err);
        DeleteFileW(win32::long_path(older).c_str());
        DeleteFileW(win32::long_path(path).c_str());
    }
}

// Every name that reaches a file: its own, another case, its short name.
// A new file by any of them is refused, and the look-up gives the file's own
// name.
TEST_F(Win32FileSystemTest, ANameThatReachesAFileNeverMakesANewOne) {
    const std::string file = tmp / "Cartografia_base.shp";
    ASSERT_TRUE(write_file(file, "primero"));
    wchar_t brief[MAX_PATH];
    const DWORD n = GetShortPathNameW(win32::long_path(file).c_str(), brief, MAX_PATH);
    ASSERT_GT(n, 0u) << "Wine gives every long name a short one";
    const std::string short_name = win32::narrow(brief).substr(win32::narrow(brief).rfind('\\') + 1);
    for (const std::string& name :
         {std::string("Cartografia_base.shp"), std::string("CARTOGRAFIA_BASE.SHP"), short_name}) {
        SCOPED_TRACE(name);
        bool there = false;
        EXPECT_EQ(fs.create_new(tmp / name, &there, &err), nullptr);
        EXPECT_TRUE(there);
        EXPECT_EQ(read_file(file), "primero");
        Entry found;
        ASSERT_TRUE(fs.lookup(tmp / name, &found));
        EXPECT_EQ(found.name, "Cartografia_base.shp");
        EXPECT_EQ(found.size, 7u);
    }
}

// The copy's folding of names against the system's own ordinal comparison
// without regard to case, over the letters that Latin-1 lacks.
TEST_F(Win32FileSystemTest, NamesFoldAsTheSystemComparesThem) {
    const char* const pairs[][2] = {{"š", "Š"}, {"œ", "Œ"},   {"ž", "Ž"},  {"ÿ", "Ÿ"}, {"ñ", "Ñ"}, {"ω", "Ω"},
                                    {"ж", "Ж"}, {"ａ", "Ａ"}, {"ß", "SS"}, {"a", "b"}, {"ı", "I"}};
    for (const auto& [a, b] : pairs) {
        const bool system_same =
            CompareStringOrdinal(win32::widen(a).c_str(), -1, win32::widen(b).c_str(), -1, TRUE) == CSTR_EQUAL;
        EXPECT_EQ(fs.fold_case(a) == fs.fold_case(b), system_same) << a << " " << b;
    }
    EXPECT_EQ(fs.fold_case("Mapa_Š.dat"), fs.fold_case("MAPA_š.DAT"));
}

TEST_F(Win32FileSystemTest, TheVolumeSaysItsRoomClustersAndFileSystem) {
    Volume v;
    ASSERT_TRUE(fs.volume(tmp / "aun\\no\\hay", &v, &err)) << err;
    EXPECT_GT(v.free, 0u);
    EXPECT_TRUE(v.cluster >= 512 && v.cluster % 512 == 0) << v.cluster;
    EXPECT_FALSE(v.file_system.empty());
}

}  // namespace
}  // namespace vorlan::test
