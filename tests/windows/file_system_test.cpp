#include "win32/file_system.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <set>

#include "win32/handle.h"
#include "win32/text.h"
#include "windows/fs_temp.h"

namespace vorlan::test {
namespace {

using win32::long_path;
using win32::ScopedHandle;
using win32::Win32FileSystem;

std::string read_all(InputFile& in) {
    std::string out;
    char buf[1000];  // not a divisor of the test sizes: the last read is short
    std::size_t got = 0;
    std::string err;
    while (in.read(buf, sizeof buf, &got, &err) && got > 0) out.append(buf, got);
    EXPECT_EQ(err, "");
    return out;
}

bool write_file(FileSystem& fs, const std::string& path, const std::string& bytes, std::string* err) {
    auto out = fs.create(path, err);
    if (!out) return false;
    return out->write(bytes.data(), bytes.size(), err) && out->close(err);
}

std::set<std::string> names(const std::vector<Entry>& entries) {
    std::set<std::string> out;
    for (const auto& e : entries) out.insert(e.name);
    return out;
}

const Entry* find(const std::vector<Entry>& entries, const std::string& name) {
    auto it = std::find_if(entries.begin(), entries.end(), [&](const Entry& e) { return e.name == name; });
    return it == entries.end() ? nullptr : &*it;
}

// A relative path of nested folders, each name 40 characters, `levels` deep.
std::string deep(int levels) {
    std::string out;
    for (int i = 0; i < levels; ++i) {
        if (i) out += "\\";
        out += "carpeta-con-un-nombre-bastante-largo-" + std::to_string(10 + i);
    }
    return out;
}

TEST(LongPath, CleansAndPrefixes) {
    EXPECT_EQ(long_path("C:\\vorlan\\mapas\\a.dat"), L"\\\\?\\C:\\vorlan\\mapas\\a.dat");
    // The wizard run from a drive root names its tree with a doubled separator.
    EXPECT_EQ(long_path("D:\\\\vorlan"), L"\\\\?\\D:\\vorlan");
    EXPECT_EQ(long_path("C:\\a\\\\\\b//c/d.txt"), L"\\\\?\\C:\\a\\b\\c\\d.txt");
    EXPECT_EQ(long_path("C:\\a\\.\\b\\..\\c"), L"\\\\?\\C:\\a\\c");
    EXPECT_EQ(long_path("C:\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(long_path("\\\\srv\\share\\\\x\\y"), L"\\\\?\\UNC\\srv\\share\\x\\y");
    EXPECT_EQ(long_path("//srv/share/x"), L"\\\\?\\UNC\\srv\\share\\x");
    EXPECT_EQ(long_path("\\\\?\\C:\\x\\\\y"), L"\\\\?\\C:\\x\\y");
    EXPECT_EQ(long_path("C:\\año\\日本"), L"\\\\?\\C:\\a\u00f1o\\\u65e5\u672c");
}

class Win32FileSystemTest : public ::testing::Test {
protected:
    TempFolder tmp;
    Win32FileSystem fs;
    std::string err;
};

TEST_F(Win32FileSystemTest, UnicodeNamesListAndRoundTrip) {
    const std::vector<std::string> files = {"ñandú.txt", "árbol ÁÉÍÓÚ.dat", "日本語のファイル.bin", "mapa 🗺️ 😀.jpg",
                                            "Ελλάδα.txt"};
    std::string folder = tmp / "carpeta ñ 日本";
    raw_make_folder(folder);
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_TRUE(write_file(fs, folder + "\\" + files[i], pattern_bytes(100 + i, static_cast<unsigned>(i)), &err))
            << files[i] << ": " << err;
    }
    raw_make_folder(folder + "\\subcarpeta ü");

    std::vector<Entry> entries;
    ASSERT_TRUE(fs.list(folder, &entries, &err)) << err;
    std::set<std::string> expected(files.begin(), files.end());
    expected.insert("subcarpeta ü");
    EXPECT_EQ(names(entries), expected);
    EXPECT_EQ(entries.size(), expected.size()) << "no . or .. and no repeats";

    for (std::size_t i = 0; i < files.size(); ++i) {
        const Entry* e = find(entries, files[i]);
        ASSERT_NE(e, nullptr) << files[i];
        EXPECT_FALSE(e->is_folder);
        EXPECT_EQ(e->size, 100 + i);
        // Written through the file system, checked with the plain API, and back.
        std::string path = folder + "\\" + files[i];
        EXPECT_EQ(raw_read(path), pattern_bytes(100 + i, static_cast<unsigned>(i))) << files[i];
        auto in = fs.open_read(path, &err);
        ASSERT_NE(in, nullptr) << files[i] << ": " << err;
        EXPECT_EQ(in->size(), 100 + i);
        EXPECT_EQ(read_all(*in), pattern_bytes(100 + i, static_cast<unsigned>(i)));
    }
    const Entry* sub = find(entries, "subcarpeta ü");
    ASSERT_NE(sub, nullptr);
    EXPECT_TRUE(sub->is_folder);
    EXPECT_TRUE(sub->attributes & ATTR_DIRECTORY);
    EXPECT_EQ(sub->size, 0u);
}

TEST_F(Win32FileSystemTest, TreePastMaxPathIsMadeWrittenListedAndRead) {
    std::string folder = tmp / deep(7);
    std::string file = folder + "\\último archivo.dat";
    ASSERT_GT(file.size(), 300u);
    std::string bytes = pattern_bytes(5000);

    ASSERT_TRUE(fs.make_folders(file, &err)) << err;
    EXPECT_EQ(raw_attributes(folder) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
    EXPECT_FALSE(raw_exists(file)) << "the last part is a file name, not a folder";
    ASSERT_TRUE(write_file(fs, file, bytes, &err)) << err;

    std::vector<Entry> entries;
    ASSERT_TRUE(fs.list(folder, &entries, &err)) << err;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "último archivo.dat");
    EXPECT_EQ(entries[0].size, bytes.size());

    std::uint32_t attrs = 0;
    ASSERT_TRUE(fs.attributes(file, &attrs));
    EXPECT_FALSE(attrs & ATTR_DIRECTORY);
    auto in = fs.open_read(file, &err);
    ASSERT_NE(in, nullptr) << err;
    EXPECT_EQ(read_all(*in), bytes);
    in.reset();

    ASSERT_TRUE(fs.set_attributes(file, ATTR_READONLY, &err)) << err;
    ASSERT_TRUE(fs.set_attributes(file, 0, &err)) << err;
    EXPECT_TRUE(fs.remove_file(file, &err)) << err;
    EXPECT_FALSE(raw_exists(file));
}

TEST_F(Win32FileSystemTest, SizesPast4GiB) {
    // A sparse file: a size past 32 bits without writing gigabytes.
    std::string file = tmp / "grande.bin";
    const std::uint64_t size = (std::uint64_t{5} << 30) + 3;
    {
        ScopedHandle f(CreateFileW(raw_name(file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(f.valid());
        DWORD ignored = 0;
        DeviceIoControl(f.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(f.get()));
    }
    std::vector<Entry> entries;
    ASSERT_TRUE(fs.list(tmp.path(), &entries, &err)) << err;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size, size);
    auto in = fs.open_read(file, &err);
    ASSERT_NE(in, nullptr) << err;
    EXPECT_EQ(in->size(), size);
}

TEST_F(Win32FileSystemTest, AttributesReadOnlyAndHidden) {
    std::string file = tmp / "solo lectura.txt";
    raw_write(file, "antiguo");

    std::uint32_t attrs = 0;
    EXPECT_FALSE(fs.attributes(tmp / "no existe", &attrs));
    ASSERT_TRUE(fs.set_attributes(file, ATTR_READONLY | ATTR_HIDDEN, &err)) << err;
    ASSERT_TRUE(fs.attributes(file, &attrs));
    EXPECT_EQ(attrs & (ATTR_READONLY | ATTR_HIDDEN), std::uint32_t{ATTR_READONLY | ATTR_HIDDEN});

    EXPECT_FALSE(fs.remove_file(file, &err));
    EXPECT_NE(err, "");
    EXPECT_EQ(raw_read(file), "antiguo");

    // 0 means "none": read-only and hidden both go. (Wine reports the archive
    // bit on every plain file, so it is not checked here.)
    ASSERT_TRUE(fs.set_attributes(file, 0, &err)) << err;
    ASSERT_TRUE(fs.attributes(file, &attrs));
    EXPECT_EQ(attrs & (ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM), 0u);
    EXPECT_TRUE(fs.remove_file(file, &err)) << err;
    EXPECT_FALSE(raw_exists(file));

    // A folder keeps being a folder when its attributes are cleared.
    std::string folder = tmp / "carpeta";
    raw_make_folder(folder);
    ASSERT_TRUE(fs.set_attributes(folder, ATTR_HIDDEN | ATTR_READONLY, &err)) << err;
    ASSERT_TRUE(fs.set_attributes(folder, 0, &err)) << err;
    ASSERT_TRUE(fs.attributes(folder, &attrs));
    EXPECT_EQ(attrs & (ATTR_READONLY | ATTR_HIDDEN | ATTR_DIRECTORY), std::uint32_t{ATTR_DIRECTORY});

    err.clear();
    EXPECT_FALSE(fs.set_attributes(tmp / "no existe", 0, &err));
    EXPECT_NE(err, "");
    err.clear();
    EXPECT_FALSE(fs.remove_file(folder, &err)) << "never a folder";
    EXPECT_NE(err, "");
}

TEST_F(Win32FileSystemTest, SharingWithOtherPrograms) {
    std::string file = tmp / "en uso.dat";
    raw_write(file, "datos");
    {
        // Held by "another program" that lets nobody else read.
        ScopedHandle held(CreateFileW(raw_name(file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.valid());
        EXPECT_EQ(fs.open_read(file, &err), nullptr);
        EXPECT_NE(err, "");
    }
    {
        // Another reader that shares reading does not stop ours, nor ours it.
        ScopedHandle reader(CreateFileW(raw_name(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(reader.valid());
        auto in = fs.open_read(file, &err);
        ASSERT_NE(in, nullptr) << err;
        ScopedHandle second(CreateFileW(raw_name(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_TRUE(second.valid());
        EXPECT_EQ(read_all(*in), "datos");
    }
    {
        // While the program writes a file nobody else may open it.
        auto out = fs.create(tmp / "nuevo.dat", &err);
        ASSERT_NE(out, nullptr) << err;
        ScopedHandle other(CreateFileW(raw_name(tmp / "nuevo.dat").c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        EXPECT_FALSE(other.valid());
        EXPECT_TRUE(out->close(&err)) << err;
    }
}

TEST_F(Win32FileSystemTest, CreateReplacesAndFailsWhereItMust) {
    std::string file = tmp / "a.dat";
    raw_write(file, pattern_bytes(3000));
    ASSERT_TRUE(write_file(fs, file, "corto", &err)) << err;
    EXPECT_EQ(raw_read(file), "corto") << "a longer file is truncated, not overwritten in place";

    EXPECT_EQ(fs.create(tmp / "falta\\a.dat", &err), nullptr) << "its folder is not made here";
    EXPECT_NE(err, "");
    EXPECT_FALSE(raw_exists(tmp / "falta"));

    raw_make_folder(tmp / "carpeta");
    err.clear();
    EXPECT_EQ(fs.create(tmp / "carpeta", &err), nullptr);
    EXPECT_NE(err, "");

    auto out = fs.create(tmp / "b.dat", &err);
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(out->write("x", 1, &err));
    ASSERT_TRUE(out->close(&err)) << err;
    err.clear();
    EXPECT_FALSE(out->write("y", 1, &err)) << "a closed file takes no more";
    EXPECT_NE(err, "");
    EXPECT_EQ(raw_read(tmp / "b.dat"), "x");
}

TEST_F(Win32FileSystemTest, ListEmptyMissingAndNotAFolder) {
    std::vector<Entry> entries = {Entry{"antes", false, 1, 0}};
    ASSERT_TRUE(fs.list(tmp.path(), &entries, &err)) << err;
    EXPECT_TRUE(entries.empty());

    EXPECT_FALSE(fs.list(tmp / "no existe", &entries, &err));
    EXPECT_NE(err, "");
    raw_write(tmp / "fichero", "x");
    err.clear();
    EXPECT_FALSE(fs.list(tmp / "fichero", &entries, &err));
    EXPECT_NE(err, "");
    // A trailing separator names the same folder.
    ASSERT_TRUE(fs.list(tmp.path() + "\\", &entries, &err)) << err;
    EXPECT_EQ(names(entries), std::set<std::string>{"fichero"});
    err.clear();
    EXPECT_EQ(fs.open_read(tmp / "no existe.dat", &err), nullptr);
    EXPECT_NE(err, "");
}

TEST_F(Win32FileSystemTest, DoubledSeparatorsAndSlashesAccepted) {
    // "C:\Users\..." written as "C:\\Users\\..." and with forward slashes.
    std::string doubled;
    for (char c : tmp.path()) {
        doubled += c;
        if (c == '\\') doubled += c;
    }
    ASSERT_NE(doubled, tmp.path());
    std::string slashed = tmp.path();
    std::replace(slashed.begin(), slashed.end(), '\\', '/');

    ASSERT_TRUE(fs.make_folders(doubled + "\\\\vorlan\\\\mapas\\\\", &err)) << err;
    EXPECT_TRUE(raw_attributes(tmp / "vorlan\\mapas") & FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(write_file(fs, doubled + "\\\\vorlan\\\\mapas\\\\a.dat", "abc", &err)) << err;
    EXPECT_EQ(raw_read(tmp / "vorlan\\mapas\\a.dat"), "abc");

    std::vector<Entry> entries;
    ASSERT_TRUE(fs.list(doubled + "\\\\vorlan", &entries, &err)) << err;
    EXPECT_EQ(names(entries), std::set<std::string>{"mapas"});
    ASSERT_TRUE(fs.list(slashed + "/vorlan/mapas", &entries, &err)) << err;
    EXPECT_EQ(names(entries), std::set<std::string>{"a.dat"});

    std::uint32_t attrs = 0;
    EXPECT_TRUE(fs.attributes(slashed + "/vorlan/mapas/a.dat", &attrs));
    auto in = fs.open_read(doubled + "\\\\vorlan\\\\mapas\\\\a.dat", &err);
    ASSERT_NE(in, nullptr) << err;
    EXPECT_EQ(read_all(*in), "abc");
    in.reset();
    EXPECT_TRUE(fs.remove_file(doubled + "\\\\vorlan\\\\mapas\\\\a.dat", &err)) << err;
    EXPECT_FALSE(raw_exists(tmp / "vorlan\\mapas\\a.dat"));
}

TEST_F(Win32FileSystemTest, MakeFoldersUpToTheLastSeparator) {
    ASSERT_TRUE(fs.make_folders(tmp / "a\\b\\c", &err)) << err;
    EXPECT_TRUE(raw_attributes(tmp / "a\\b") & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(raw_exists(tmp / "a\\b\\c"));

    ASSERT_TRUE(fs.make_folders(tmp / "a\\b\\c\\", &err)) << err;
    EXPECT_TRUE(raw_attributes(tmp / "a\\b\\c") & FILE_ATTRIBUTE_DIRECTORY);
    raw_write(tmp / "a\\b\\c\\keep.txt", "k");
    ASSERT_TRUE(fs.make_folders(tmp / "a\\b\\c\\", &err)) << "existing folders are left alone: " << err;
    EXPECT_EQ(raw_read(tmp / "a\\b\\c\\keep.txt"), "k");

    // A file where a folder should be.
    raw_write(tmp / "a\\tapón", "");
    err.clear();
    EXPECT_FALSE(fs.make_folders(tmp / "a\\tapón\\d\\", &err));
    EXPECT_NE(err, "");
    EXPECT_FALSE(raw_attributes(tmp / "a\\tapón") & FILE_ATTRIBUTE_DIRECTORY);

    EXPECT_TRUE(fs.make_folders("sin separador", &err)) << "nothing to make";
}

TEST_F(Win32FileSystemTest, ReadAnsiText) {
    if (GetACP() != 1252) GTEST_SKIP() << "the ANSI code page here is " << GetACP();
    std::string file = tmp / "léeme.txt";
    // "Camión año\r\nÉxito ¿sí? 50 €" in Windows-1252.
    raw_write(file, "Cami\xF3n a\xF1o\r\n\xC9xito \xBFs\xED? 50 \x80");
    std::string text;
    ASSERT_TRUE(fs.read_ansi_text(file, &text, &err)) << err;
    EXPECT_EQ(text, "Camión año\r\nÉxito ¿sí? 50 €");

    raw_write(file, "");
    ASSERT_TRUE(fs.read_ansi_text(file, &text, &err)) << err;
    EXPECT_EQ(text, "");

    EXPECT_FALSE(fs.read_ansi_text(tmp / "no existe.txt", &text, &err));
    EXPECT_NE(err, "");
    // Closed on every path: the file can be removed at once.
    EXPECT_TRUE(DeleteFileW(raw_name(file).c_str()));
}

}  // namespace
}  // namespace vorlan::test
