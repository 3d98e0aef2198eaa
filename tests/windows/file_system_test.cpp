// The Win32 file system on real files, made and checked with the plain Win32 API.

#include "win32/file_system.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <map>

#include "ui/files.h"
#include "ui/medium.h"
#include "win32/handle.h"
#include "win32/long_path.h"

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
    ASSERT_TRUE(write_file(tmp / "nuevo.txt", "nuevo"));
    EXPECT_FALSE(fs.replace(tmp / "nuevo.txt", file, &err));
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

}  // namespace
}  // namespace vorlan::test
