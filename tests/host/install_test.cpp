// The "Instalar" command and the error report, from the click to the final box.

#include <gtest/gtest.h>

#include "host/test_app.h"

namespace vorlan::test {
namespace {

const char* const kBoxB =
    "Se va a proceder a generar el directorio 'C:\\vorlan'\n  y a copiar los datos de la aplicacion.\n¿Esta usted seguro?";
const char* const kBoxA = "El directorio C:\\vorlan ya existe.\n¿Desea sobreescribirlo?";
const char* const kBoxE = "Copia de ficheros fallida.\nCompruebe el informe de errores.";

// The copy page of a wizard run from E:\instalar, as the user reaches it.
struct CopyPage {
    CopyPage() {
        t.fs.add_file("E:\\instalar\\vorlan\\a.dat", std::string(1000, 'a'));
        t.fs.add_file("E:\\instalar\\vorlan\\b.dat", std::string(2000, 'b'), ATTR_READONLY);
        t.fs.add_file("E:\\instalar\\vorlan\\mapas\\c.dat", std::string(1000, 'c'), ATTR_READONLY);
        t.fs.add_folder("E:\\instalar\\vorlan\\vacia");
        // On the copy page, as the user reaches it.
        on_click(t.app, btn_sig0);
        on_click(t.app, Label5);
        on_click(t.app, btn_sig1);
        t.form.boxes.clear();
    }

    void expect_retry_offered() {
        EXPECT_TRUE(t.form.visible(btn_inferr)) << t.form.describe();
        EXPECT_TRUE(t.form.enabled(btn_inst));
        EXPECT_TRUE(t.form.enabled(btn_atras3));
        EXPECT_TRUE(t.form.visible(btn_Cancel));
        EXPECT_FALSE(t.form.visible(btn_fin));
    }

    std::vector<std::string> log() const { return t.form.at(ListaFicheros).lines; }

    TestApp t;
};

struct InstallTest : ::testing::Test, CopyPage {};

TEST_F(InstallTest, ACompleteCopyIsGrantedAndReported) {
    t.form.answers = {ANSWER_YES};
    on_click(t.app, btn_inst);
    EXPECT_EQ(log(), (std::vector<std::string>{
                         "Analizando estructura de archivos...",
                         "Localizados 3 archivos.",
                         "Iniciando la copia de ficheros.",
                         "Copiando E:\\instalar\\vorlan\\a.dat --> Ok",
                         "Copiando E:\\instalar\\vorlan\\b.dat --> Ok",
                         "Copiando E:\\instalar\\vorlan\\mapas\\c.dat --> Ok",
                     }));
    ASSERT_EQ(t.form.boxes.size(), 2u);
    EXPECT_EQ(t.form.boxes[0].text, kBoxB);
    EXPECT_EQ(t.form.boxes[0].style, 52);
    EXPECT_EQ(t.form.boxes[1].text, "Copia de ficheros realizada correctamente.\n");
    EXPECT_EQ(t.form.boxes[1].style, 64);
    for (const auto& b : t.form.boxes) EXPECT_EQ(b.title, "VorLan");
    EXPECT_EQ(t.form.text(NumFilesToCopy), "3");
    EXPECT_EQ(t.form.text(NumFilesCopy), "3");
    EXPECT_EQ(t.form.at(ProgressBarT).progress, 100);
    EXPECT_EQ(t.fs.contents("C:\\vorlan\\mapas\\c.dat"), std::string(1000, 'c'));
    EXPECT_FALSE(t.fs.exists("C:\\vorlan\\vacia"));
    // Only the top level loses its attributes.
    EXPECT_EQ(t.fs.attrs_of("C:\\vorlan\\b.dat") & ATTR_READONLY, 0u);
    EXPECT_EQ(t.fs.attrs_of("C:\\vorlan\\mapas") & ~ATTR_DIRECTORY, 0u);
    ASSERT_EQ(t.programs.starts.size(), 2u);
    EXPECT_EQ(t.programs.starts[0].path, "cacls.exe");
    EXPECT_EQ(t.programs.starts[0].args, "C:\\vorlan /T /E /C /G Todos:F");
    EXPECT_EQ(t.programs.starts[1].args, "C:\\vorlan /T /E /C /G Everyone:F");
    EXPECT_FALSE(t.programs.starts[0].minimized);
    EXPECT_FALSE(t.form.visible(btn_Cancel));
    EXPECT_TRUE(t.form.visible(btn_fin));
    EXPECT_FALSE(t.form.enabled(btn_inst));
    EXPECT_FALSE(t.form.enabled(btn_atras3));
    EXPECT_FALSE(t.form.visible(btn_inferr));
}

TEST_F(InstallTest, TheQuestionNamesAnExistingDestinationAndNoCopiesNothing) {
    struct Case {
        const char* what;
        std::function<void(MemoryFileSystem&)> make;
        const char* box;
    };
    const Case cases[] = {
        {"a folder", [](MemoryFileSystem& fs) { fs.add_folder("C:\\vorlan"); }, kBoxA},
        {"a plain file", [](MemoryFileSystem& fs) { fs.add_file("C:\\vorlan", "x"); }, kBoxA},
        {"a hidden folder",
         [](MemoryFileSystem& fs) {
             fs.add_folder("C:\\vorlan");
             std::string err;
             fs.set_attributes("C:\\vorlan", ATTR_DIRECTORY | ATTR_HIDDEN, &err);
         },
         kBoxB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopyPage fresh;
        c.make(fresh.t.fs);
        const std::string before = fresh.t.fs.describe();
        fresh.t.form.answers = {ANSWER_NO};
        on_click(fresh.t.app, btn_inst);
        ASSERT_EQ(fresh.t.form.boxes.size(), 2u);
        EXPECT_EQ(fresh.t.form.boxes[0].text, c.box);
        EXPECT_EQ(fresh.t.form.boxes[1].text, "Copia de ficheros no realizada por petición del usuario.");
        EXPECT_EQ(fresh.t.form.boxes[1].style, 16);
        EXPECT_EQ(fresh.log().back(), "Iniciando la copia de ficheros.");
        EXPECT_EQ(fresh.log().size(), 3u);
        EXPECT_EQ(fresh.t.form.text(NumFilesCopy), "0");
        EXPECT_EQ(fresh.t.fs.describe(), before);
        fresh.expect_retry_offered();
    }
}

TEST_F(InstallTest, AFileThatFailsFailsTheRunAndTheReportShowsIt) {
    t.fs.add_file("C:\\vorlan\\a.dat", "old", ATTR_READONLY);
    t.form.answers = {ANSWER_YES};
    on_click(t.app, btn_inst);
    ASSERT_EQ(t.form.boxes.size(), 2u);
    EXPECT_EQ(t.form.boxes[0].text, kBoxA);
    EXPECT_EQ(t.form.boxes[1].text, kBoxE);
    EXPECT_EQ(t.form.boxes[1].style, 16);
    EXPECT_TRUE(t.programs.starts.empty());
    EXPECT_EQ(t.fs.attrs_of("C:\\vorlan\\b.dat"), ATTR_ARCHIVE);  // no attribute pass
    EXPECT_EQ(t.form.text(NumFilesCopy), "2");
    EXPECT_EQ(t.form.at(ListaFicherosFail).lines,
              std::vector<std::string>{"E:\\instalar\\vorlan\\a.dat --> FALLO"});
    expect_retry_offered();

    on_click(t.app, btn_inferr);
    EXPECT_TRUE(t.form.visible(ListaFicherosFail));
    EXPECT_FALSE(t.form.visible(ListaFicheros));
    EXPECT_EQ(t.form.text(btn_inferr), "Ocultar Informe");
    EXPECT_EQ(t.form.at(ListaFicherosFail).fore, kRed);
    on_click(t.app, btn_inferr);
    EXPECT_FALSE(t.form.visible(ListaFicherosFail));
    EXPECT_TRUE(t.form.visible(ListaFicheros));
    EXPECT_EQ(t.form.text(btn_inferr), "Informe de errores");

    // A new run with the report showing: everything is reset before counting,
    // and the report stays showing with its caption.
    on_click(t.app, btn_inferr);
    t.form.set_progress(ProgressBar, 30);
    t.form.yields = 0;
    t.form.on_yield[1] = [this] {
        EXPECT_EQ(t.form.list_count(ListaFicherosFail), 0);
        EXPECT_EQ(log(), std::vector<std::string>{"Analizando estructura de archivos..."});
        EXPECT_EQ(t.form.text(NumFilesCopy), "0");
        EXPECT_EQ(t.form.at(ProgressBar).progress, 0);
        EXPECT_EQ(t.form.at(ProgressBarT).progress, 0);
        EXPECT_FALSE(t.form.visible(btn_inferr));
        EXPECT_FALSE(t.form.enabled(btn_inst));
        EXPECT_FALSE(t.form.enabled(btn_atras3));
    };
    t.form.answers = {ANSWER_YES};
    on_click(t.app, btn_inst);
    EXPECT_TRUE(t.form.on_yield.empty());
    EXPECT_TRUE(t.form.visible(ListaFicherosFail));
    EXPECT_EQ(t.form.text(btn_inferr), "Ocultar Informe");
    EXPECT_EQ(t.form.list_count(ListaFicherosFail), 1);
}

// Presses "Cancelar" once, from inside the copy, as soon as the first file is done.
void cancel_after_first_file(TestApp& a) {
    a.form.on_every_yield = [&a] {
        if (a.form.list_count(ListaFicheros) == 4 && a.form.list_line(ListaFicheros, 3).ends_with("Ok")) {
            a.form.on_every_yield = nullptr;
            on_click(a.app, btn_Cancel);
        }
    };
}

TEST_F(InstallTest, CancelDuringTheCopyAsksFromInsideIt) {
    t.form.answers = {ANSWER_YES, ANSWER_NO};
    cancel_after_first_file(t);
    on_click(t.app, btn_inst);
    ASSERT_EQ(t.form.boxes.size(), 3u);
    EXPECT_EQ(t.form.boxes[1].style, 52);  // the exit question, answered No
    EXPECT_EQ(t.form.boxes[2].text, "Copia de ficheros realizada correctamente.\n");

    CopyPage yes;
    yes.t.form.answers = {ANSWER_YES, ANSWER_YES};
    cancel_after_first_file(yes.t);
    EXPECT_THROW(on_click(yes.t.app, btn_inst), ProcessEnded);
    EXPECT_TRUE(yes.t.fs.exists("C:\\vorlan\\a.dat"));
    EXPECT_FALSE(yes.t.fs.exists("C:\\vorlan\\mapas\\c.dat"));
}

TEST_F(InstallTest, RunningFromDriveCIsRefusedBeforeAnythingIsTouched) {
    TestApp c("C:\\");
    c.fs.add_file("C:\\vorlan\\a.dat", "datos");
    const std::string before = c.fs.describe();
    on_click(c.app, btn_inst);
    ASSERT_EQ(c.form.boxes.size(), 1u);
    EXPECT_EQ(c.form.boxes[0].style, 16);
    EXPECT_NE(c.form.boxes[0].text.find("solapan"), std::string::npos) << c.form.boxes[0].text;
    EXPECT_EQ(c.fs.describe(), before);
    EXPECT_TRUE(c.form.enabled(btn_inst));
    EXPECT_TRUE(c.form.enabled(btn_atras3));
}

TEST_F(InstallTest, PlatformFailuresAreReportedAndLeaveThePageUsable) {
    struct Case {
        const char* what;
        std::function<void(TestApp&)> make;
        const char* says;
    };
    const Case cases[] = {
        {"source missing", [](TestApp& a) { a.app.state.AppOrigCarto = "E:\\otro\\vorlan"; }, "E:\\otro\\vorlan"},
        {"folder unreadable", [](TestApp& a) { a.fs.fail_listing("E:\\instalar\\vorlan\\mapas"); }, "mapas"},
        {"cacls missing", [](TestApp& a) { a.programs.fail = true; }, "cacls"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopyPage fresh;
        c.make(fresh.t);
        fresh.t.form.answers = {ANSWER_YES};
        on_click(fresh.t.app, btn_inst);
        ASSERT_FALSE(fresh.t.form.boxes.empty());
        const MessageBoxCall& last = fresh.t.form.boxes.back();
        EXPECT_EQ(last.style, 16);
        EXPECT_NE(last.text.find(c.says), std::string::npos) << last.text;
        fresh.expect_retry_offered();
    }
}

TEST_F(InstallTest, ATreeWithoutFilesStillCreatesTheDestination) {
    TestApp e;
    e.fs.add_folder("E:\\instalar\\vorlan\\vacia");
    e.form.answers = {ANSWER_YES};
    on_click(e.app, btn_inst);
    ASSERT_EQ(e.form.boxes.size(), 2u);
    EXPECT_EQ(e.form.boxes[1].style, 64);
    EXPECT_TRUE(e.fs.is_folder("C:\\vorlan"));
    EXPECT_EQ(e.programs.starts.size(), 2u);
}

}  // namespace
}  // namespace vorlan::test
