// The in-memory file system's Windows rules that the engine's tests lean on
// without failing when they are broken: were the fake more lenient than
// Windows here, a copy that forgets to delete the old file first, or that
// mistakes one file for another, would still pass.

#include <gtest/gtest.h>

#include <functional>

#include "fakes/memory_file_system.h"

namespace vorlan::test {
namespace {

TEST(MemoryFileSystem, RefusesWhatWindowsRefuses) {
    using Op = std::function<bool(MemoryFileSystem&, std::string*)>;
    const Op cases[] = {
        [](auto& fs, auto* e) { return !!fs.create("c:\\D\\\\RO.TXT", e); },
        [](auto& fs, auto* e) { return !!fs.create("C:\\d\\hidden.txt", e); },
        [](auto& fs, auto* e) { return !!fs.create("C:\\d\\held.txt", e); },
        [](auto& fs, auto* e) { return fs.create("C:\\d\\Ñandú.txt", e) && fs.open_read("C:\\d\\ñANDÚ.txt", e); },
    };
    for (const Op& op : cases) {
        MemoryFileSystem fs;
        fs.add_file("C:\\d\\ro.txt", "ro", ATTR_READONLY);
        fs.add_file("C:\\d\\held.txt", "held");
        fs.faults("C:\\D\\held.txt").held = true;
        fs.add_file("C:\\d\\hidden.txt", "h", ATTR_HIDDEN);
        std::string err;
        EXPECT_FALSE(op(fs, &err)) << &op - cases;
        EXPECT_TRUE(err == "Acceso denegado." || err.starts_with("El proceso no tiene acceso")) << err;
        EXPECT_EQ(fs.contents("C:\\d\\ro.txt") + fs.contents("C:\\d\\held.txt"), "roheld");
    }
}

// Large files keep no bytes, yet a copy of one is told from a near miss.
TEST(MemoryFileSystem, ComparesLargeFilesByteForByte) {
    const std::uint64_t size = 3 * 1000 * 1000 + 1;  // past the pattern's period
    for (std::uint64_t flip : {size, size - 2, std::uint64_t{0}}) {
        MemoryFileSystem fs;
        fs.add_large_file("E:\\big", size);
        fs.add_large_file("E:\\short", size - 1);
        std::string err;
        auto in = fs.open_read("E:\\big", &err);
        auto out = fs.create("E:\\copy", &err);
        std::vector<char> buf(777777);
        std::size_t got = 0;
        for (std::uint64_t at = 0; in->read(buf.data(), buf.size(), &got, &err) && got > 0; at += got) {
            if (flip >= at && flip < at + got) buf[flip - at] ^= 1;
            ASSERT_TRUE(out->write(buf.data(), got, &err));
        }
        ASSERT_TRUE(out->close(&err));
        EXPECT_EQ(fs.same_contents("E:\\big", "E:\\copy"), flip == size) << flip;
        EXPECT_FALSE(fs.same_contents("E:\\big", "E:\\short"));
    }
}

}  // namespace
}  // namespace vorlan::test
