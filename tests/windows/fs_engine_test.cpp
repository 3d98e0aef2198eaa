// The copy engine on real files: the Win32 file system and program starts
// under the core, only the window and the process faked.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "fakes/fake_form.h"
#include "fakes/fake_system.h"
#include "win32/file_system.h"
#include "win32/handle.h"
#include "win32/programs.h"
#include "win32/text.h"
#include "windows/fs_temp.h"

// windows.h spells CopyFile as CopyFileW; the engine's own is meant here.
#undef CopyFile
#include "copy/copy.h"

namespace vorlan::test {
namespace {

using namespace std::chrono_literals;
using win32::ScopedHandle;

// 6 nested folders of 40-character names: past 260 characters under any root.
std::string deep_folder() {
    std::string out;
    for (int i = 0; i < 6; ++i) out += "\\subcarpeta-de-nombre-bastante-largo-n" + std::to_string(10 + i);
    return out.substr(1);
}

class EngineOnRealFiles : public ::testing::Test {
protected:
    EngineOnRealFiles() {
        raw_make_folder(tmp / "medio");
        raw_make_folder(tmp / "destino");
        app.state.AppOrigCarto = tmp / "medio\\vorlan";
        app.state.AppDest = tmp / "destino\\vorlan";
    }

    std::string src(const std::string& relative) const { return app.state.AppOrigCarto + "\\" + relative; }
    std::string dst(const std::string& relative) const { return app.state.AppDest + "\\" + relative; }

    // Writes the files under the source root, making their folders on the way.
    void make_source(const std::map<std::string, std::string>& files) {
        for (const auto& [relative, bytes] : files) {
            std::string path = src(relative);
            for (std::size_t at = app.state.AppOrigCarto.size() - 1; (at = path.find('\\', at + 1)) != std::string::npos;)
                if (!raw_exists(path.substr(0, at))) raw_make_folder(path.substr(0, at));
            raw_write(path, bytes);
        }
    }

    void expect_copied(const std::map<std::string, std::string>& files) {
        for (const auto& [relative, bytes] : files) {
            ASSERT_TRUE(raw_exists(dst(relative))) << relative;
            EXPECT_TRUE(raw_read(dst(relative)) == bytes) << relative << " differs from its source";
        }
    }

    TempFolder tmp;
    FakeForm form;
    win32::Win32FileSystem fs;
    win32::Win32Programs programs;
    FakeSystem system;
    App app{form, fs, programs, system, {}};
};

const std::map<std::string, std::string> kTree = {
    {"ñandú y árbol.txt", pattern_bytes(100, 1)},
    {"vacío.dat", ""},
    {"1025.bin", pattern_bytes(1025, 2)},
    {"mapas\\日本\\😀 mapa.jpg", pattern_bytes(3000, 3)},
    {"mapas\\solo lectura.dat", pattern_bytes(50, 4)},
    {deep_folder() + "\\largo.dat", pattern_bytes(2000, 5)},
};

TEST_F(EngineOnRealFiles, TreeIsCopiedByteForByte) {
    make_source(kTree);
    ASSERT_GT(dst(deep_folder() + "\\largo.dat").size(), 260u);
    SetFileAttributesW(raw_name(src("mapas\\solo lectura.dat")).c_str(), FILE_ATTRIBUTE_READONLY);
    raw_make_folder(src("sin ficheros"));
    raw_make_folder(src("sin ficheros\\tampoco"));

    const Folder root{app.state.AppOrigCarto};
    std::string err;
    std::int64_t count = 0;
    ASSERT_TRUE(NumFiles(app, root, true, &count, &err)) << err;
    EXPECT_EQ(count, 6);
    std::uint64_t size = 0;
    ASSERT_TRUE(FolderSize(app, root, &size, &err)) << err;
    EXPECT_EQ(size, 100u + 0 + 1025 + 3000 + 50 + 2000);

    form.set_text(NumFilesCopy, "0");
    double TamPgrs = 0;
    std::int64_t copied = 0;
    ASSERT_TRUE(ListFilesCopy(app, root, true, static_cast<double>(size), TamPgrs, &copied, &err)) << err;
    EXPECT_EQ(copied, 6) << form.describe();
    EXPECT_EQ(form.at(ListaFicherosFail).lines, std::vector<std::string>{});
    expect_copied(kTree);

    // The log names each source file as listed, the root's own files first.
    const auto& log = form.at(ListaFicheros).lines;
    ASSERT_EQ(log.size(), 6u);
    for (const auto& line : log) {
        EXPECT_EQ(line.rfind("Copiando " + app.state.AppOrigCarto + "\\", 0), 0u) << line;
        EXPECT_EQ(line.substr(line.size() - 7), " --> Ok") << line;
    }
    std::vector<std::string> first(log.begin(), log.begin() + 3);
    std::sort(first.begin(), first.end());
    EXPECT_EQ(first, (std::vector<std::string>{"Copiando " + src("1025.bin") + " --> Ok",
                                               "Copiando " + src("vacío.dat") + " --> Ok",
                                               "Copiando " + src("ñandú y árbol.txt") + " --> Ok"}));
    EXPECT_EQ(form.text(NumFilesCopy), "6");
    EXPECT_EQ(form.at(ProgressBarT).progress, 100);

    // Folders only on the way to a file; a copy is a new file.
    EXPECT_FALSE(raw_exists(dst("sin ficheros")));
    EXPECT_EQ(raw_attributes(dst("mapas\\solo lectura.dat")) & FILE_ATTRIBUTE_READONLY, 0u);
}

// Files that cannot be copied are recorded, keep what was at the destination,
// and do not stop the walk.
TEST_F(EngineOnRealFiles, FaultsAreRecordedAndTheRestCopied) {
    make_source(kTree);
    raw_make_folder(app.state.AppDest);
    raw_make_folder(dst("mapas"));
    raw_write(dst("mapas\\solo lectura.dat"), "antiguo");
    SetFileAttributesW(raw_name(dst("mapas\\solo lectura.dat")).c_str(), FILE_ATTRIBUTE_READONLY);
    raw_write(dst("1025.bin"), "antiguo también");
    // Held by "another program" that lets nobody else read it.
    ScopedHandle held(CreateFileW(raw_name(src("1025.bin")).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());

    form.set_text(NumFilesCopy, "0");
    double TamPgrs = 0;
    std::int64_t copied = 0;
    std::string err;
    ASSERT_TRUE(ListFilesCopy(app, Folder{app.state.AppOrigCarto}, true, 6175, TamPgrs, &copied, &err)) << err;
    EXPECT_EQ(copied, 4);
    EXPECT_EQ(form.at(ListaFicherosFail).lines,
              (std::vector<std::string>{src("1025.bin") + " --> FALLO", src("mapas\\solo lectura.dat") + " --> FALLO"}));
    EXPECT_EQ(raw_read(dst("mapas\\solo lectura.dat")), "antiguo");
    EXPECT_EQ(raw_read(dst("1025.bin")), "antiguo también");
    auto rest = kTree;
    rest.erase("mapas\\solo lectura.dat");
    rest.erase("1025.bin");
    expect_copied(rest);
    EXPECT_EQ(form.text(NumFilesCopy), "4");
    EXPECT_EQ(form.at(ProgressBar).progress, 0);

    // Once the other program lets go, the file copies.
    held.close();
    ASSERT_TRUE(CopyFile(app, src("1025.bin"), dst("1025.bin")));
    EXPECT_EQ(raw_read(dst("1025.bin")), kTree.at("1025.bin"));
}

// "Instalar" from start to end, the wizard started from a drive root (a
// doubled separator in the source root) and the grant run by the real cacls.
TEST_F(EngineOnRealFiles, InstallCommandFromStartToEnd) {
    make_source(kTree);
    app.state.AppOrigCarto = tmp / "medio\\\\vorlan";
    raw_make_folder(app.state.AppDest);
    raw_write(dst("ñandú y árbol.txt"), "una versión anterior, más larga que la nueva: " + pattern_bytes(500));
    raw_make_folder(dst("mapas"));
    SetFileAttributesW(raw_name(dst("mapas")).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    form.answers = {ANSWER_YES};

    btn_inst_Click(app);

    ASSERT_EQ(form.boxes.size(), 2u) << form.describe();
    EXPECT_EQ(form.boxes[0].text, "El directorio " + app.state.AppDest + " ya existe.\n¿Desea sobreescribirlo?");
    EXPECT_EQ(form.boxes[1].text, "Copia de ficheros realizada correctamente.\n");
    EXPECT_EQ(form.boxes[1].style, MB_STYLE_INFO);
    EXPECT_TRUE(form.visible(btn_fin));
    EXPECT_FALSE(form.visible(btn_Cancel));
    EXPECT_EQ(form.text(NumFilesToCopy), "6");
    EXPECT_EQ(form.text(NumFilesCopy), "6");
    expect_copied(kTree);
    // Files at the top and first-level folders made normal.
    EXPECT_EQ(raw_attributes(app.state.AppDest + "\\1025.bin") & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(raw_attributes(dst("mapas")) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);

    // The two cacls runs are not awaited; they end before the tree goes.
    wchar_t system_folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(system_folder, MAX_PATH);
    std::string cacls = win32::narrow(system_folder, n) + "\\cacls.exe";
    EXPECT_TRUE(wait_for([&] { return running_processes(cacls) == 0; }, 30s));
    end_processes(cacls);
}

}  // namespace
}  // namespace vorlan::test
