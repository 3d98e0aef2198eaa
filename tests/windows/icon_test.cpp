// The program's icon, as the system takes it from the program's resources.

#include <windows.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ui/medium.h"
#include "win32/handle.h"
#include "win32/resources.h"
#include "win32/text.h"

namespace vorlan::win32 {
namespace {

// The program's icon as its resources hold it: an image of exactly the size
// each screen asks for (16 and 32 at 100 %, 20 and 40 at 125 %, 24 and 48 at
// 150 %, 32 and 64 at 200 %, 256 for Explorer's large views), and the
// design's five images as they were.
TEST(Icon, HasAnImageOfEverySizeAScreenAsksFor) {
    const std::wstring exe = widen(vorlan::ui::own_folder() + "\\instalar.exe");
    const HMODULE module =
        LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(module) << GetLastError();
    HRSRC group = FindResourceW(module, MAKEINTRESOURCEW(IDI_VORLAN), RT_GROUP_ICON);
    ASSERT_TRUE(group);
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    ASSERT_TRUE(dir);
    const int count = dir[4] | (dir[5] << 8);
    std::set<int> sizes;
    std::set<std::pair<int, int>> formats;  // size and bits per pixel
    for (int i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + 14 * i;  // GRPICONDIRENTRY: packed, 14 bytes
        const int size = entry[0] ? entry[0] : 256;
        const int bits = entry[6] | (entry[7] << 8);
        const int id = entry[12] | (entry[13] << 8);
        HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_TRUE(image) << size;
        auto* data = static_cast<BYTE*>(LockResource(LoadResource(module, image)));
        const DWORD length = SizeofResource(module, image);
        // Made as the system makes it, at that size: the image is what the entry says.
        const UniqueIcon icon(CreateIconFromResourceEx(data, length, TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR));
        ASSERT_TRUE(icon) << size << " px, " << bits << " bits";
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon.get(), &info));
        const UniqueGdi<HBITMAP> colour(info.hbmColor), mask(info.hbmMask);
        BITMAP bm{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        if (size == 256) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(data) + 1, 3), "PNG");
        }
        sizes.insert(size);
        formats.insert({size, bits});
    }
    FreeLibrary(module);
    EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48, 64, 256}));
    for (const std::pair<int, int>& design : {std::pair{16, 4}, {16, 8}, {32, 4}, {32, 8}, {48, 32}})
        EXPECT_TRUE(formats.count(design)) << design.first << " px in " << design.second << " bits";
}
}  // namespace
}  // namespace vorlan::win32
