// The real program's data installation, from the click on "Instalar" to the
// final message, into C:\vorlan of the Wine prefix the tests run in.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "win32/file_system.h"
#include "win32/handle.h"
#include "ui/driver.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

const std::string kDest = "C:\\vorlan";
const std::string kFailing = "mapas\\z1\\0_1.png", kHeld = "capas\\ríos.dbf";

// Sizes around the 1024-byte block, an empty file, accents, spaces, a folder
// holding only a subfolder, and an empty folder that must not be created.
const std::map<std::string, std::string> kFiles = {
    {"leeme datos.txt", test_bytes(300, 1)},      {"vacío.dat", ""},
    {"mapas\\z0\\0_0.png", test_bytes(3000, 2)},  {"mapas\\z1\\0_0.png", test_bytes(10240, 3)},
    {kFailing, test_bytes(1025, 4)},              {"capas\\ríos.shp", test_bytes(1024, 5)},
    {kHeld, test_bytes(777, 6)},      {"simbolos\\señales\\punto.bmp", test_bytes(2222, 7)},
};
const std::vector<std::string> kHead = {"Analizando estructura de archivos...", "Localizados 8 archivos.",
                                        "Iniciando la copia de ficheros."};

struct UiInstall : testing::Test {
    void SetUp() override {
        ASSERT_TRUE(remove_tree(kDest)) << "cannot clear " << kDest;
        for (const auto& [path, content] : kFiles) ASSERT_TRUE(medium.add_file("vorlan\\" + path, content)) << path;
        ASSERT_TRUE(medium.add_folder("vorlan\\capas\\sin datos"));
    }
    void TearDown() override { remove_tree(kDest); }

    std::string source(const std::string& relative) const { return medium.path("vorlan\\" + relative); }

    // Starts the program, goes to the copy page and clicks "Instalar".
    void install(Wizard& w) {
        ASSERT_EQ(w.error(), "");
        w.click(btn_sig0);
        ASSERT_TRUE(w.wait_visible(Label5));
        w.click(Label5);
        ASSERT_TRUE(wait_until([&] { return w.enabled(btn_sig1); }));
        w.click(btn_sig1);
        ASSERT_TRUE(w.wait_visible(btn_inst));
        w.click(btn_inst);
    }

    // Waits for the box, checks it and presses `answer`.
    void expect_box(const Wizard& w, const std::string& text, const std::string& icon, int answer) {
        std::optional<Box> box = w.wait_box(std::chrono::seconds(60));
        ASSERT_TRUE(box) << "no box; expected: " << text;
        EXPECT_EQ(box->text(), text);
        EXPECT_EQ(box->icon(), icon);
        const bool question = answer != IDOK;
        EXPECT_EQ(box->buttons(), (question ? std::vector<int>{IDYES, IDNO} : std::vector<int>{IDOK}));
        EXPECT_EQ(box->default_button(), question ? IDYES : IDOK);
        ASSERT_TRUE(box->answer_and_wait(answer));
    }

    // After No or a failed run the program shows the report button and enables
    // the page's two buttons, one after the other.
    static bool usable_again(const Wizard& w) {
        return wait_until([&] { return w.visible(btn_inferr) && w.enabled(btn_inst) && w.enabled(btn_atras3); }) &&
               w.visible(btn_Cancel) && !w.visible(btn_fin);
    }

    Medium medium;
};

TEST_F(UiInstall, CopiesTheTreeByteForByteAndOffersFinalizar) {
    Wizard w(medium);
    install(w);
    expect_box(w, "Se va a proceder a generar el directorio 'C:\\vorlan'\n  y a copiar los datos de la aplicacion.\n"
                  "¿Esta usted seguro?",
               "warning", IDYES);
    std::vector<std::string> files, log = kHead;
    for (const auto& [path, content] : kFiles) files.push_back(path), log.push_back("Copiando " + source(path) + " --> Ok");
    std::optional<Box> done = w.wait_box(std::chrono::seconds(60));
    ASSERT_TRUE(done) << "no final message";
    // While the box is up the copy has ended.
    for (const auto& [path, content] : kFiles) EXPECT_EQ(read_file(kDest + "\\" + path), content) << path;
    EXPECT_EQ(files_under(kDest), files) << "a folder without files was created, or a file too many";
    EXPECT_FALSE(exists(kDest + "\\capas\\sin datos"));
    std::vector<std::string> shown = w.lines(ListaFicheros);
    ASSERT_GE(shown.size(), 3u);
    std::sort(shown.begin() + 3, shown.end());
    std::sort(log.begin() + 3, log.end());
    EXPECT_EQ(shown, log);
    EXPECT_TRUE(w.lines(ListaFicherosFail).empty());
    EXPECT_EQ(w.text(NumFilesToCopy) + " " + w.text(NumFilesCopy), "8 8");
    EXPECT_EQ(w.progress(ProgressBarT), 100);
    expect_box(w, "Copia de ficheros realizada correctamente.\n", "information", IDOK);

    ASSERT_TRUE(w.wait_visible(btn_fin));
    EXPECT_FALSE(w.visible(btn_Cancel) || w.visible(btn_inferr) || w.enabled(btn_inst) || w.enabled(btn_atras3));
}

// The engine on real files: a file that cannot be replaced and one that
// another program holds fail; the rest is copied.
TEST_F(UiInstall, FilesThatCannotBeCopiedFailTheRunAndShowInTheReport) {
    const std::string blocked = kDest + "\\" + kFailing;
    ASSERT_TRUE(make_folders(kDest + "\\mapas\\z1") && write_file(blocked, "viejo"));
    ASSERT_TRUE(SetFileAttributesW(win32::long_path(blocked).c_str(), FILE_ATTRIBUTE_READONLY));
    const win32::ScopedHandle held(CreateFileW(win32::long_path(source(kHeld)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.valid());
    const std::string question = "El directorio C:\\vorlan ya existe.\n¿Desea sobreescribirlo?";

    // No first: nothing is copied and the page is usable again.
    Wizard w(medium);
    install(w);
    expect_box(w, question, "warning", IDNO);
    expect_box(w, "Copia de ficheros no realizada por petición del usuario.", "stop", IDOK);
    EXPECT_TRUE(usable_again(w));
    EXPECT_EQ(w.lines(ListaFicheros), kHead);
    EXPECT_EQ(w.text(NumFilesCopy), "0");
    EXPECT_EQ(files_under(kDest), std::vector<std::string>{kFailing});

    // Yes: every other file is copied, the two are reported.
    w.click(btn_inst);
    expect_box(w, question, "warning", IDYES);
    expect_box(w, "Copia de ficheros fallida.\nCompruebe el informe de errores.", "stop", IDOK);
    EXPECT_TRUE(usable_again(w));
    EXPECT_EQ(w.text(NumFilesToCopy) + " " + w.text(NumFilesCopy), "8 6");
    EXPECT_EQ(read_file(blocked), "viejo");
    EXPECT_FALSE(exists(kDest + "\\" + kHeld));
    for (const auto& [path, content] : kFiles) {
        if (path != kFailing && path != kHeld) {
            EXPECT_EQ(read_file(kDest + "\\" + path), content) << path;
        }
    }
    std::vector<std::string> failed = {source(kFailing) + " --> FALLO", source(kHeld) + " --> FALLO"};
    const std::vector<std::string> log = w.lines(ListaFicheros);
    for (const std::string& line : failed) EXPECT_EQ(std::count(log.begin(), log.end(), line), 1) << "no " << line;
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.ends_with(" --> Ok"); }), 6);

    w.click(btn_inferr);
    ASSERT_TRUE(wait_until([&] { return w.visible(ListaFicherosFail) && !w.visible(ListaFicheros); }));
    std::vector<std::string> reported = w.lines(ListaFicherosFail);
    std::sort(reported.begin(), reported.end());
    std::sort(failed.begin(), failed.end());
    EXPECT_EQ(reported, failed);
}

}  // namespace
}  // namespace vorlan::ui
