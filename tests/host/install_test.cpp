// The "Instalar" command and the error report, from the click to the final box.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "host/test_app.h"

namespace vorlan::test {
namespace {

TEST(Install, ACompleteCopyIsGrantedAndReported) {
    CopyPage p;
    EXPECT_EQ(p.install({ANSWER_YES}), (std::vector<std::string>{box(52, kBoxB), box(64, kDone)}));
    EXPECT_EQ(p.log(), (std::vector<std::string>{
                           "Analizando estructura de archivos...",
                           "Localizados 3 archivos.",
                           "Iniciando la copia de ficheros.",
                           "Copiando E:\\instalar\\vorlan\\a.dat --> Ok",
                           "Copiando E:\\instalar\\vorlan\\b.dat --> Ok",
                           "Copiando E:\\instalar\\vorlan\\mapas\\c.dat --> Ok",
                       }));
    EXPECT_EQ(p.form.text(NumFilesToCopy) + " " + p.form.text(NumFilesCopy), "3 3");
    EXPECT_EQ(p.form.at(ProgressBarT).progress, 100);
    // Only the top level loses its attributes.
    EXPECT_EQ(p.fs.attrs_of("C:\\vorlan\\b.dat"), 0u);
    EXPECT_EQ(p.fs.attrs_of("C:\\vorlan\\mapas\\c.dat"), ATTR_ARCHIVE);
    // The grant, before the box, on the whole tree.
    for (const char* entry : {"", "\\a.dat", "\\b.dat", "\\mapas", "\\mapas\\c.dat"})
        EXPECT_EQ(p.fs.grants(std::string("C:\\vorlan") + entry), 1) << entry << "\n" << p.fs.describe();
    EXPECT_TRUE(!p.form.visible(btn_Cancel) && p.form.visible(btn_fin) && !p.form.visible(btn_inferr) &&
                !p.form.enabled(btn_inst) && !p.form.enabled(btn_atras3));
}

TEST(Install, TheQuestionNamesAnExistingDestinationAndNoCopiesNothing) {
    const std::pair<std::function<void(MemoryFileSystem&)>, const char*> cases[] = {
        {[](MemoryFileSystem& fs) { fs.add_folder("C:\\vorlan"); }, kBoxA},
        {[](MemoryFileSystem& fs) { fs.add_file("C:\\vorlan", "x"); }, kBoxA},  // a plain file
        {[](MemoryFileSystem& fs) { fs.add_folder("C:\\vorlan", ATTR_HIDDEN); }, kBoxA},
        {[](MemoryFileSystem& fs) { fs.add_folder("C:\\vorlan", ATTR_SYSTEM | ATTR_HIDDEN); }, kBoxA},
        {[](MemoryFileSystem&) {}, kBoxB},
    };
    for (const auto& [make, question] : cases) {
        CopyPage p;
        make(p.fs);
        const std::string before = p.fs.describe();
        EXPECT_EQ(p.install({ANSWER_NO}), (std::vector<std::string>{
                                              box(52, question),
                                              box(16, "Copia de ficheros no realizada por petición del usuario."),
                                          }));
        EXPECT_EQ(p.log().size(), 3u);
        EXPECT_EQ(p.form.text(NumFilesCopy), "0");
        EXPECT_EQ(p.fs.describe(), before);
        p.expect_retry_offered();
    }
}

// The report ends saying where the log is, which has the lines the list
// shows, each failure with its reason, and the verdict, as a run without a
// window writes it; nothing goes to a console.
TEST(Install, AFileThatFailsFailsTheRunAndTheReportShowsIt) {
    CopyPage p;
    p.fs.add_folder("C:\\temp");
    p.fs.add_file("C:\\vorlan\\a.dat", "old");
    p.fs.faults("C:\\vorlan\\a.dat").held = true;
    EXPECT_EQ(p.install({ANSWER_YES}), (std::vector<std::string>{
                                           box(52, kBoxA),
                                           box(16, "Copia de ficheros fallida.\nCompruebe el informe de errores."),
                                       }));
    EXPECT_TRUE(p.programs.starts.empty());
    EXPECT_EQ(p.fs.attrs_of("C:\\vorlan\\b.dat"), ATTR_ARCHIVE);  // no attribute pass
    EXPECT_EQ(p.form.text(NumFilesCopy), "2");
    EXPECT_EQ(p.form.at(ListaFicherosFail).lines,
              (std::vector<std::string>{"E:\\instalar\\vorlan\\a.dat --> FALLO",
                                        "Registro de la copia: C:\\temp\\instalar-vorlan.log"}));
    p.expect_retry_offered();
    std::string lines;
    for (const std::string& line : p.log()) lines += line + "\r\n";
    const std::string written = p.fs.contents("C:\\temp\\instalar-vorlan.log");
    EXPECT_TRUE(written.starts_with(lines + "E:\\instalar\\vorlan\\a.dat: El proceso no tiene acceso")) << written;
    EXPECT_TRUE(written.ends_with(" segundos.\r\nCopia de ficheros fallida.\r\n")) << written;
    EXPECT_TRUE(p.system.console.empty());

    // A new run with the report showing: everything is reset before counting,
    // and the report stays showing with its caption.
    on_click(p.app, btn_inferr);
    p.form.set_progress(ProgressBar, 30);
    p.form.yields = 0;
    p.form.on_every_yield = [&p] {
        if (p.form.yields != 1) return;
        EXPECT_EQ(p.form.list_count(ListaFicherosFail), 0);
        EXPECT_EQ(p.log(), std::vector<std::string>{"Analizando estructura de archivos..."});
        EXPECT_EQ(p.form.text(NumFilesCopy), "0");
        EXPECT_EQ(p.form.at(ProgressBar).progress + p.form.at(ProgressBarT).progress, 0);
        EXPECT_FALSE(p.form.visible(btn_inferr) || p.form.enabled(btn_inst) || p.form.enabled(btn_atras3));
    };
    p.install({ANSWER_YES});
    EXPECT_GT(p.form.yields, 1);
    EXPECT_TRUE(p.form.visible(ListaFicherosFail) && p.form.text(btn_inferr) == "Ocultar Informe");
    EXPECT_EQ(p.form.list_count(ListaFicherosFail), 2);

    // Leaving hides the report and its button; coming back brings the button
    // back, with its caption, and the counters keep their values.
    const double bar = p.form.at(ProgressBarT).progress;
    for (int id : {btn_atras3, btn_sig1}) on_click(p.app, id);
    EXPECT_TRUE(p.form.visible(btn_inferr) && p.form.visible(ListaFicheros) && !p.form.visible(ListaFicherosFail));
    EXPECT_EQ(p.form.text(btn_inferr) + " " + p.form.text(NumFilesCopy), "Ocultar Informe 2");
    EXPECT_EQ(p.form.at(ProgressBarT).progress, bar);
}

TEST(Install, PlatformFailuresAreReportedAndLeaveThePageUsable) {
    const struct {
        std::function<void(TestApp&)> make;
        const char* says;                // in the last box
        const char* reported = nullptr;  // the failure list's one line, if any
    } cases[] = {
        {[](TestApp& a) { a.app.state.data_source = "E:\\otro\\vorlan"; }, "E:\\otro\\vorlan"},  // source missing
        {[](TestApp& a) { a.fs.faults("E:\\instalar\\vorlan\\mapas").list_fails = true; }, "mapas"},
        {[](TestApp& a) { a.fs.faults("C:\\vorlan\\mapas\\c.dat").grant_fails = true; },
         "control total sobre 1 elemento de C:\\vorlan:\nC:\\vorlan\\mapas\\c.dat: Acceso denegado.",
         "C:\\vorlan\\mapas\\c.dat --> FALLO al dar permisos: Acceso denegado."},
        {[](TestApp& a) { a.app.state.data_destination = "c:\\windows\\"; }, "es la carpeta de Windows"},
        {[](TestApp& a) {  // run from drive C:, named in lower case
             a.app.state = installer_state("c:\\");
             a.fs.add_file("C:\\vorlan\\a.dat", "datos");
         },
         "solapan"},
    };
    for (const auto& c : cases) {
        CopyPage p;
        c.make(p);
        const std::vector<std::string> shown = p.install({ANSWER_YES});
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back().substr(0, 3), "16 ");
        EXPECT_NE(shown.back().find(c.says), std::string::npos) << shown.back();
        EXPECT_EQ(p.form.at(ListaFicherosFail).lines,
                  c.reported ? std::vector<std::string>{c.reported} : std::vector<std::string>{});
        p.expect_retry_offered();
    }
}

// Ways a run could once report success, or lose data, that it must not.
TEST(Install, NeverSuccessWithAFileMissingNorAnythingTouchedWithoutRoom) {
    {  // a file added to the medium after the count makes up for one that fails
        CopyPage p;
        p.fs.faults("E:\\instalar\\vorlan\\a.dat").read_fails_at = 1;
        const std::string added = "E:\\instalar\\vorlan\\nuevo.dat";
        p.form.on_every_yield = [&p, added] {
            // Once: a file replaced while it is being read is nothing Windows allows.
            if (p.form.list_count(ListaFicheros) == 3 && !p.fs.exists(added)) p.fs.add_file(added, "n");
        };
        EXPECT_EQ(p.install({ANSWER_YES}).back(),
                  box(16, "Copia de ficheros fallida.\nCompruebe el informe de errores."));
        EXPECT_EQ(p.form.text(NumFilesToCopy) + " " + p.form.text(NumFilesCopy), "3 3");
        EXPECT_EQ(p.form.tasks, (std::vector<Form::Task>{Form::Task::Busy, Form::Task::Failed}));
    }
    {  // an older tree and too little room: nothing is replaced or written
        CopyPage p;
        p.fs.add_file("C:\\vorlan\\a.dat", "viejo");
        p.fs.space = 4000 - 5 - 1;  // the copy needs 4000 bytes, and a.dat gives back its 5
        const std::string before = p.fs.describe();
        EXPECT_EQ(p.install({ANSWER_YES}).back(),
                  box(16,
                      "No hay espacio suficiente en el disco para copiar los datos a C:\\vorlan.\nSe necesitan 1 MB "
                      "y hay 0 MB libres."));
        EXPECT_EQ(p.fs.describe(), before);
        p.expect_retry_offered();
    }
    {  // a destination that is a junction is refused before anything is counted
        CopyPage p;
        p.fs.add_folder("C:\\vorlan", ATTR_REPARSE_POINT);
        const std::vector<std::string> shown = p.install({ANSWER_YES});
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_NE(shown[0].find("C:\\vorlan es una unión"), std::string::npos) << shown[0];
        EXPECT_FALSE(p.fs.exists("C:\\vorlan\\a.dat"));
    }
}

// "Cancelar" answered Yes, the session ending, or the process killed, with
// several files in flight: the process ends with no partial file under any
// name (a killed one leaves only files that the system removes as it goes),
// and an older file kept. Answered No, the copy goes on where it was and
// completes.
TEST(Install, EndingInTheMiddleOfTheCopyLeavesNothingPartial) {
    enum End { CancelYes, SessionEnd, Killed, CancelNo };
    const std::string medium = "E:\\instalar\\vorlan\\";
    for (bool replacing : {false, true}) {
        for (End end : {CancelYes, SessionEnd, Killed, CancelNo}) {
            SCOPED_TRACE(std::string(replacing ? "replacing " : "fresh ") + std::to_string(end));
            CopyPage p;
            for (const char* name : {"g1.dat", "g2.dat", "g3.dat"}) {
                p.fs.add_large_file(medium + name, 300 * 1024);
                p.fs.faults(medium + name).stalls_at = 3;  // two chunks written, then a slow read
            }
            if (replacing) p.fs.add_file("C:\\vorlan\\g2.dat", "viejo");
            bool asked = false;
            p.form.on_every_yield = [&] {
                if (asked || p.fs.stalled < 2) return;
                asked = true;
                try {
                    if (end == CancelYes || end == CancelNo) on_click(p.app, btn_Cancel);
                    if (end == CancelNo) return;
                    if (end == SessionEnd) p.form.abandon();
                } catch (const ProcessEnded&) {
                }
                // What the disk holds when the process would end: whole copies, and the older file.
                std::vector<Entry> left;
                std::string err;
                p.fs.list("C:\\vorlan", &left, &err);
                for (const Entry& e : left) {
                    const std::string path = "C:\\vorlan\\" + e.name, from = medium + e.name;
                    if (end == Killed && p.fs.provisional(path)) continue;
                    const bool old = replacing && e.name == "g2.dat" && p.fs.contents(path) == "viejo";
                    EXPECT_TRUE(e.is_folder || old || (p.fs.exists(from) && p.fs.same_contents(path, from)))
                        << e.name << " is not complete\n"
                        << p.fs.describe();
                }
                throw ProcessEnded{};
            };
            if (end == CancelNo) {
                EXPECT_EQ(p.install({ANSWER_YES, ANSWER_NO}).back(), box(64, kDone));
                EXPECT_TRUE(p.fs.same_contents("C:\\vorlan\\g2.dat", medium + "g2.dat"));
                continue;
            }
            p.form.answers = {ANSWER_YES, ANSWER_YES};
            EXPECT_THROW(on_click(p.app, btn_inst), ProcessEnded);
            EXPECT_TRUE(!replacing || p.fs.exists("C:\\vorlan\\g2.dat")) << p.fs.describe();
            EXPECT_EQ(p.fs.open_count(), 0);
        }
    }
}

// A close request from outside (a management tool, taskkill without /F)
// while the question about quitting is open: no second question, and the
// answer to the one on screen decides, on a page or in the middle of a copy.
TEST(Install, OneQuestionAboutQuittingAtATime) {
    const char* const quit =
        "¿Está seguro de que desea salir del programa?\nSe cerrarán todos los procesos pendientes.";
    for (bool copying : {false, true}) {
        for (int answer : {ANSWER_NO, ANSWER_YES}) {
            SCOPED_TRACE(std::string(copying ? "copying, " : "on the page, ") + (answer == ANSWER_YES ? "yes" : "no"));
            CopyPage p;
            int requests = 0;
            p.form.while_box_open = [&] {
                if (p.form.boxes.back().text == quit && requests++ == 0) Form_Close(p.app);
            };
            auto ask = [&] { on_click(p.app, btn_Cancel); };
            if (!copying) {
                p.form.answers = {answer};
                if (answer == ANSWER_YES) EXPECT_THROW(ask(), ProcessEnded);
                else ask();
                EXPECT_EQ(p.form.boxes.size(), 1u);
                continue;
            }
            bool asked = false;
            p.form.on_every_yield = [&] {
                if (asked || p.form.list_count(ListaFicheros) < 4) return;
                asked = true;
                ask();
            };
            if (answer == ANSWER_YES) {
                p.form.answers = {ANSWER_YES, ANSWER_YES};
                EXPECT_THROW(on_click(p.app, btn_inst), ProcessEnded);
                EXPECT_EQ(std::count_if(p.form.boxes.begin(), p.form.boxes.end(),
                                        [&](const MessageBoxCall& b) { return b.text == quit; }),
                          1);
                continue;
            }
            // The copy was held while the question was open and goes on to its end.
            EXPECT_EQ(p.install({ANSWER_YES, ANSWER_NO}),
                      (std::vector<std::string>{box(52, kBoxB), box(52, quit), box(64, kDone)}));
            EXPECT_EQ(p.form.text(NumFilesCopy), "3");
        }
    }
}

// A handler that throws while the copy yields (the window reports it and
// stays up): the workers are stopped and their files removed before the
// exception leaves the click, the page's pointer to the gone run is cleared,
// and the window is no longer busy for it, so neither a later "Cancelar" nor
// the end of the session can reach it.
TEST(Install, AnExceptionInTheMiddleOfTheCopyLeavesNothingRunningNorReachable) {
    CopyPage p;
    const std::string medium = "E:\\instalar\\vorlan\\";
    for (const char* name : {"g1.dat", "g2.dat"}) {
        p.fs.add_large_file(medium + name, 300 * 1024);
        p.fs.faults(medium + name).stalls_at = 3;
    }
    bool thrown = false;
    p.form.on_every_yield = [&] {
        if (thrown || p.fs.stalled < 2) return;
        thrown = true;
        throw std::runtime_error("a handler failed");
    };
    p.form.answers = {ANSWER_YES};
    EXPECT_THROW(on_click(p.app, btn_inst), std::runtime_error);
    ASSERT_EQ(p.app.copy_run, nullptr);  // else a "Cancelar" now would reach the gone run
    EXPECT_EQ(p.form.tasks, (std::vector<Form::Task>{Form::Task::Busy, Form::Task::Failed}));
    EXPECT_FALSE(p.form.abandon);
    EXPECT_EQ(p.fs.open_count(), 0);
    for (const char* name : {"g1.dat", "g2.dat"}) {
        const std::string path = std::string("C:\\vorlan\\") + name;
        EXPECT_TRUE(!p.fs.exists(path) || p.fs.same_contents(path, medium + name)) << name << " is partial";
    }
}

}  // namespace
}  // namespace vorlan::test
