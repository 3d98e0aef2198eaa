// The real program's data installation, from the click on "Instalar" to the
// final message, into C:\vorlan of the Wine prefix the tests run in.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "win32/text.h"
#include "windows/driver.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

const std::string kDest = "C:\\vorlan";

// Bytes that no text conversion or short copy would leave intact: every value
// occurs, CR and LF included.
std::string bytes(std::size_t n, unsigned seed) {
    std::string out(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

// Sizes around the 1024-byte block, an empty file, accents, spaces, a folder
// holding only a subfolder, and an empty folder that must not be created.
const std::map<std::string, std::string>& source_files() {
    static const std::map<std::string, std::string> files = {
        {"leeme datos.txt", bytes(300, 1)},
        {"vacío.dat", ""},
        {"mapas\\z0\\0_0.png", bytes(3000, 2)},
        {"mapas\\z1\\0_0.png", bytes(10240, 3)},
        {"mapas\\z1\\0_1.png", bytes(1025, 4)},
        {"capas\\ríos.shp", bytes(1024, 5)},
        {"capas\\ríos.dbf", bytes(777, 6)},
        {"simbolos\\señales\\punto.bmp", bytes(2222, 7)},
    };
    return files;
}

const std::string kFailing = "mapas\\z1\\0_1.png";

class UiInstall : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(remove_tree(kDest)) << "cannot clear " << kDest;
        ASSERT_EQ(medium.error(), "");
        for (const auto& [path, content] : source_files())
            ASSERT_TRUE(medium.add_file("vorlan\\" + path, content)) << path;
        ASSERT_TRUE(medium.add_folder("vorlan\\capas\\sin datos"));
    }
    void TearDown() override { remove_tree(kDest); }

    std::string source(const std::string& relative) const { return medium.path("vorlan\\" + relative); }

    // Starts the program and goes to the copy page.
    void open_copy_page(Wizard& w) {
        ASSERT_EQ(w.error(), "");
        w.click(btn_sig0);
        ASSERT_TRUE(w.wait_visible(Label5));
        w.click(Label5);
        ASSERT_TRUE(wait_until([&] { return w.enabled(btn_sig1); }));
        w.click(btn_sig1);
        ASSERT_TRUE(w.wait_visible(btn_inst));
    }

    // Waits for the box, checks it and presses `answer`.
    void expect_box(const Wizard& w, const std::string& text, Icon icon, const std::vector<int>& buttons, int answer,
                    std::chrono::milliseconds timeout = kWait) {
        std::optional<Box> box = w.wait_box(timeout);
        ASSERT_TRUE(box) << "no box; expected: " << text;
        EXPECT_EQ(box->text(), text);
        EXPECT_EQ(box->icon(), icon);
        EXPECT_EQ(box->buttons(), buttons);
        if (buttons.size() > 1) {
            EXPECT_EQ(box->default_button(), IDYES);
        }
        ASSERT_TRUE(box->answer_and_wait(answer));
    }

    // After No or a failed run the program shows the report button and enables
    // the page's two buttons, one after the other.
    static bool usable_again(const Wizard& w) {
        return wait_until([&] { return w.visible(btn_inferr) && w.enabled(btn_inst) && w.enabled(btn_atras3); });
    }

    static std::vector<std::string> head(const std::vector<std::string>& lines, std::size_t n) {
        return {lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(n, lines.size()))};
    }

    Medium medium;
};

const std::string kBoxB =
    "Se va a proceder a generar el directorio 'C:\\vorlan'\n  y a copiar los datos de la aplicacion.\n¿Esta usted seguro?";
const std::string kBoxA = "El directorio C:\\vorlan ya existe.\n¿Desea sobreescribirlo?";

TEST_F(UiInstall, CopiesTheTreeByteForByteAndOffersFinalizar) {
    Wizard w(medium);
    open_copy_page(w);
    const std::size_t n = source_files().size();

    w.click(btn_inst);
    expect_box(w, kBoxB, Icon::Warning, {IDYES, IDNO}, IDYES);
    {
        std::optional<Box> done = w.wait_box(std::chrono::seconds(60));
        ASSERT_TRUE(done) << "no final message";
        EXPECT_EQ(done->text(), "Copia de ficheros realizada correctamente.\n");
        EXPECT_EQ(done->icon(), Icon::Information);
        EXPECT_EQ(done->buttons(), std::vector<int>{IDOK});

        // While the box is up the copy has ended.
        std::vector<std::string> expected_files;
        for (const auto& [path, content] : source_files()) {
            expected_files.push_back(path);
            EXPECT_EQ(read_file(kDest + "\\" + path), content) << path;
        }
        std::sort(expected_files.begin(), expected_files.end());
        EXPECT_EQ(files_under(kDest), expected_files);
        EXPECT_FALSE(exists(kDest + "\\capas\\sin datos")) << "a folder without files was created";

        const std::vector<std::string> log = w.lines(ListaFicheros);
        EXPECT_EQ(head(log, 3), (std::vector<std::string>{"Analizando estructura de archivos...",
                                                          "Localizados " + std::to_string(n) + " archivos.",
                                                          "Iniciando la copia de ficheros."}));
        std::vector<std::string> copied(log.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(3, log.size())),
                                        log.end());
        std::vector<std::string> expected_lines;
        for (const auto& [path, content] : source_files())
            expected_lines.push_back("Copiando " + source(path) + " --> Ok");
        // The files of a folder come before those of its subfolders.
        ASSERT_EQ(copied.size(), n);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_TRUE(copied[i] == "Copiando " + source("leeme datos.txt") + " --> Ok" ||
                        copied[i] == "Copiando " + source("vacío.dat") + " --> Ok")
                << copied[i];
        }
        std::sort(copied.begin(), copied.end());
        std::sort(expected_lines.begin(), expected_lines.end());
        EXPECT_EQ(copied, expected_lines);
        EXPECT_TRUE(w.lines(ListaFicherosFail).empty());
        EXPECT_EQ(w.text(NumFilesToCopy), std::to_string(n));
        EXPECT_EQ(w.text(NumFilesCopy), std::to_string(n));
        EXPECT_EQ(w.progress(ProgressBarT), 100);
        EXPECT_EQ(w.progress(ProgressBar), 0);
        ASSERT_TRUE(done->answer_and_wait(IDOK));
    }
    ASSERT_TRUE(w.wait_visible(btn_fin));
    EXPECT_FALSE(w.visible(btn_Cancel));
    EXPECT_FALSE(w.visible(btn_inferr));
    EXPECT_FALSE(w.enabled(btn_inst));
    EXPECT_FALSE(w.enabled(btn_atras3));

    w.click(btn_fin);
    EXPECT_TRUE(w.wait_exit()) << "Finalizar did not end the program";
}

TEST_F(UiInstall, AFileThatCannotBeWrittenFailsTheRunAndShowsInTheReport) {
    // A read-only file already at the destination cannot be replaced.
    const std::string blocked = kDest + "\\" + kFailing;
    ASSERT_TRUE(make_folders(kDest + "\\mapas\\z1"));
    ASSERT_TRUE(write_file(blocked, "viejo"));
    ASSERT_TRUE(SetFileAttributesW(win32::widen(blocked).c_str(), FILE_ATTRIBUTE_READONLY));
    const std::size_t n = source_files().size();
    const std::string fail_line = source(kFailing) + " --> FALLO";

    Wizard w(medium);
    open_copy_page(w);

    // No first: nothing is copied and the page is usable again.
    w.click(btn_inst);
    expect_box(w, kBoxA, Icon::Warning, {IDYES, IDNO}, IDNO);
    expect_box(w, "Copia de ficheros no realizada por petición del usuario.", Icon::Stop, {IDOK}, IDOK);
    EXPECT_TRUE(usable_again(w)) << "btn_inferr shown, btn_inst and btn_atras3 enabled";
    EXPECT_EQ(w.lines(ListaFicheros),
              (std::vector<std::string>{"Analizando estructura de archivos...",
                                        "Localizados " + std::to_string(n) + " archivos.",
                                        "Iniciando la copia de ficheros."}));
    EXPECT_EQ(w.text(NumFilesCopy), "0");
    EXPECT_EQ(files_under(kDest), std::vector<std::string>{kFailing});

    // Yes: every other file is copied, the blocked one is reported.
    w.click(btn_inst);
    expect_box(w, kBoxA, Icon::Warning, {IDYES, IDNO}, IDYES);
    expect_box(w, "Copia de ficheros fallida.\nCompruebe el informe de errores.", Icon::Stop, {IDOK}, IDOK,
               std::chrono::seconds(60));
    EXPECT_TRUE(usable_again(w)) << "btn_inferr shown, btn_inst and btn_atras3 enabled";
    EXPECT_TRUE(w.enabled(btn_inferr));
    EXPECT_TRUE(w.visible(btn_Cancel));
    EXPECT_FALSE(w.visible(btn_fin));
    EXPECT_EQ(w.text(NumFilesToCopy), std::to_string(n));
    EXPECT_EQ(w.text(NumFilesCopy), std::to_string(n - 1));
    EXPECT_EQ(read_file(blocked), "viejo");
    for (const auto& [path, content] : source_files()) {
        if (path != kFailing) {
            EXPECT_EQ(read_file(kDest + "\\" + path), content) << path;
        }
    }
    const std::vector<std::string> log = w.lines(ListaFicheros);
    EXPECT_EQ(std::count(log.begin(), log.end(), fail_line), 1) << "no " << fail_line;
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) { return line.size() > 6 && line.ends_with(" --> Ok"); }),
              static_cast<std::ptrdiff_t>(n - 1));

    w.click(btn_inferr);
    ASSERT_TRUE(w.wait_visible(ListaFicherosFail));
    EXPECT_FALSE(w.visible(ListaFicheros));
    EXPECT_EQ(w.lines(ListaFicherosFail), std::vector<std::string>{fail_line});
    EXPECT_EQ(w.text(btn_inferr), "Ocultar Informe");
    w.click(btn_inferr);
    ASSERT_TRUE(w.wait_visible(ListaFicheros));
    EXPECT_FALSE(w.visible(ListaFicherosFail));
    EXPECT_EQ(w.text(btn_inferr), "Informe de errores");

    // Leaving the page and coming back brings the report button back.
    w.click(btn_atras3);
    ASSERT_TRUE(w.wait_visible(Leeme));
    EXPECT_FALSE(w.visible(btn_inferr));
    w.click(btn_sig1);
    ASSERT_TRUE(w.wait_visible(btn_inferr));
    EXPECT_TRUE(w.visible(ListaFicheros));
    EXPECT_FALSE(w.visible(ListaFicherosFail));
}

}  // namespace
}  // namespace vorlan::ui
