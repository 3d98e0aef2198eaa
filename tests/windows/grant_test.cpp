// Entries held as themselves and granted through their handles, on real
// files, checked with the plain Win32 API; the system's own folders.

#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ui/files.h"
#include "ui/medium.h"
#include "win32/file_system.h"
#include "win32/system.h"
#include "win32/text.h"

namespace vorlan::test {
namespace {

using namespace vorlan::ui;

// What full control adds to the read-only rights that every user has.
constexpr DWORD kWrite = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | DELETE;

bool writable_by_all(const std::string& path) { return (everyone_rights(path) & kWrite) == kWrite; }

std::string short_name(const std::string& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetShortPathNameW(win32::widen(path).c_str(), buffer, MAX_PATH);
    return n == 0 || n >= MAX_PATH ? path : win32::narrow(buffer, n);
}

TEST(Win32Held, LooksChangesAndKeepsInPlaceThroughOneHandle) {
    // Removed after the link to it: Wine lists no link whose target is gone.
    TempFolder outside("fuera");
    TempFolder tmp;
    const std::string folder = tmp / "datos", file = folder + "\\mapa.dat", sub = folder + "\\capas";
    ASSERT_TRUE(make_folders(sub) && write_file(file, "m") && write_file(sub + "\\c.dat", "c"));
    ASSERT_TRUE(
        CreateHardLinkW(win32::widen(folder + "\\otro nombre.dat").c_str(), win32::widen(file).c_str(), nullptr));
    const bool linked = make_unix_link(folder + "\\enlace", outside.path());
    win32::Win32FileSystem fs;
    std::string err;

    std::unique_ptr<HeldEntry> held = fs.hold(folder, Hold::Folder, &err);
    ASSERT_TRUE(held) << err;
    EXPECT_TRUE(held->facts().is_folder && !held->facts().is_link);
    std::vector<Entry> entries;
    ASSERT_TRUE(held->list(&entries, &err)) << err;
    std::map<std::string, Entry> listed;
    for (const Entry& e : entries) listed[e.name] = e;
    EXPECT_EQ(listed.size(), linked ? 4u : 3u) << "no . or ..";
    EXPECT_TRUE(listed["capas"].is_folder && listed["mapa.dat"].size == 1);
    if (linked) {
        EXPECT_NE(listed["enlace"].attributes & ATTR_REPARSE_POINT, 0u) << "a link shows in the listing";
    }

    // Held, the folder cannot be renamed, so its path keeps leading through it.
    EXPECT_FALSE(MoveFileW(win32::widen(folder).c_str(), win32::widen(tmp / "movida").c_str()));
    std::unique_ptr<HeldEntry> above = fs.hold(sub, Hold::Above, &err);
    ASSERT_TRUE(above) << err;
    EXPECT_FALSE(MoveFileW(win32::widen(sub).c_str(), win32::widen(folder + "\\movida").c_str()));
    above.reset();

    std::unique_ptr<HeldEntry> named_twice = fs.hold(file, Hold::File, &err);
    ASSERT_TRUE(named_twice) << err;
    EXPECT_EQ(named_twice->facts().names, 2u);
    EXPECT_FALSE(named_twice->facts().is_folder);

    // The grant reaches the held folder and nothing that it holds.
    EXPECT_FALSE(writable_by_all(folder));
    ASSERT_TRUE(held->grant_all_users(&err)) << err;
    EXPECT_TRUE(writable_by_all(folder)) << std::hex << everyone_rights(folder);
    for (const std::string& below : {sub, file, sub + "\\c.dat", outside.path()})
        EXPECT_FALSE(writable_by_all(below)) << below << " " << std::hex << everyone_rights(below);
    held.reset();
    named_twice.reset();
    EXPECT_TRUE(MoveFileW(win32::widen(folder).c_str(), win32::widen(tmp / "movida").c_str())) << GetLastError();
    MoveFileW(win32::widen(tmp / "movida").c_str(), win32::widen(folder).c_str());
}

// Two spellings of one folder are one entry; two folders are two.
TEST(Win32Held, IdentityOfWhatAPathReaches) {
    TempFolder tmp;
    const std::string folder = tmp / "Carpeta de nombre largo";
    ASSERT_TRUE(make_folders(folder + "\\dentro") && make_folders(tmp / "otra"));
    win32::Win32FileSystem fs;
    FileId a, b, c, d;
    ASSERT_TRUE(fs.identify(folder, &a));
    ASSERT_TRUE(fs.identify(short_name(folder), &b)) << short_name(folder);
    ASSERT_TRUE(fs.identify(tmp.path() + "\\\\CARPETA DE NOMBRE LARGO\\", &c));
    ASSERT_TRUE(fs.identify(tmp / "otra", &d));
    EXPECT_TRUE(a == b && a == c);
    EXPECT_FALSE(a == d);
    EXPECT_FALSE(fs.identify(tmp / "no existe", &d));
}

TEST(Win32System, KnownFoldersAreTheSystemsOwn) {
    wchar_t buffer[MAX_PATH];
    const std::string windows = win32::narrow(buffer, GetWindowsDirectoryW(buffer, MAX_PATH));
    const std::string profile = win32::narrow(buffer, GetEnvironmentVariableW(L"USERPROFILE", buffer, MAX_PATH));
    std::map<KnownFolder::Kind, std::vector<std::string>> by_kind;
    for (const KnownFolder& k : win32::Win32System().known_folders()) by_kind[k.kind].push_back(k.path);
    const auto has = [&](KnownFolder::Kind kind, const std::string& path) {
        for (const std::string& p : by_kind[kind])
            if (CompareStringOrdinal(win32::widen(p).c_str(), -1, win32::widen(path).c_str(), -1, TRUE) == CSTR_EQUAL)
                return true;
        return false;
    };
    EXPECT_TRUE(has(KnownFolder::Kind::Windows, windows));
    EXPECT_TRUE(has(KnownFolder::Kind::Profile, profile));
    EXPECT_EQ(by_kind[KnownFolder::Kind::ProgramFiles].size(), 2u);
    EXPECT_EQ(by_kind[KnownFolder::Kind::ProgramData].size(), 1u);
    EXPECT_EQ(by_kind[KnownFolder::Kind::Users].size(), 1u);
}

}  // namespace
}  // namespace vorlan::test
