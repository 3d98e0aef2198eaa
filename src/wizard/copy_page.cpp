// The copy page: "Instalar" runs the data installation and shows what it
// reports in the page's controls; "Informe de errores" switches the lists.

#include <chrono>

#include "copy/install.h"
#include "wizard/app.h"
#include "wizard/install_log.h"
#include "wizard/running_copy.h"
#include "wizard/texts.h"

namespace vorlan {

namespace {

void offer_retry(Form& form) {
    form.set_visible(btn_inferr, true);
    form.set_enabled(btn_inst, true);
    form.set_enabled(btn_atras3, true);
    // Back where the user started the run (it went on to "Cancelar" when
    // "Instalar" was disabled).
    form.set_focus(btn_inst);
}

void select_last(Form& form) { form.list_select(ListaFicheros, form.list_count(ListaFicheros) - 1); }

// The installation's events, as the page shows them.
class PageEvents : public InstallEvents {
public:
    PageEvents(App& app, RunningCopy& running, InstallLog& log)
        : app_(app), form_(app.form), running_(running), log_(log) {}

    void counting() override {
        log_.counting();
        form_.list_add(ListaFicheros, kCountingLine);
    }

    void counted(std::int64_t files) override {
        log_.counted(files);
        form_.set_text(NumFilesToCopy, std::to_string(files));
        form_.list_add(ListaFicheros, found_line(files));
        form_.list_add(ListaFicheros, kStartingLine);
        select_last(form_);
    }

    bool confirm(bool exists) override {
        const std::string& dest = app_.state.data_destination;
        const std::string question = exists ? "El directorio " + dest + " ya existe.\n¿Desea sobreescribirlo?"
                                            : "Se va a proceder a generar el directorio '" + dest +
                                                  "'\n  y a copiar los datos de la aplicacion.\n¿Esta usted seguro?";
        return form_.message_box(question, MB_STYLE_WARN_YES_NO, kTitle) != ANSWER_NO;
    }

    void copying(CopyRun* run) override {
        if (run) {
            running_.start(*run);
        } else {
            running_.stop();
        }
    }

    // A file's line goes into the list when the window next gets to show it:
    // a file already copied when it is reported gets its whole line in one
    // go, which halves the list's work per file.
    void file_started(const std::string& source) override {
        started_ = copying_line(source);
        shown_ = false;
    }

    void granting() override { granting_ = std::chrono::steady_clock::now(); }
    void granted(std::int64_t entries) override { log_.granted(entries, app_.state.data_destination, granting_); }
    void file_noted(const std::string&, FileNote note) override { log_.file_noted(note); }
    void not_on_medium(const std::string& dest) override { log_.not_on_medium(dest); }

    void file_done(const std::string& source, bool ok, const std::string&) override {
        log_.file_done(source, ok);
        const std::string line = file_line(source, ok);
        if (shown_) {
            form_.list_set_line(ListaFicheros, form_.list_count(ListaFicheros) - 1, line);
        } else {
            form_.list_add(ListaFicheros, line);
        }
        shown_ = true;
        select_last(form_);
        if (ok) {
            form_.set_text(NumFilesCopy, std::to_string(++copied_));
        } else {
            form_.list_add(ListaFicherosFail, line);
        }
    }

    // The file's "Ok" line stays, as true as it was then; the failure that
    // the look at its folder found comes after it, in both lists, as any
    // failure's line, and the count of copied files goes back by one.
    void file_missing(const std::string& source, const std::string&) override {
        log_.file_missing(source);
        const std::string line = file_line(source, false);
        form_.list_add(ListaFicheros, line);
        select_last(form_);
        form_.list_add(ListaFicherosFail, line);
        form_.set_text(NumFilesCopy, std::to_string(--copied_));
    }

    void file_progress(double percent) override { form_.set_progress(ProgressBar, percent); }
    void overall_progress(double percent) override { form_.set_progress(ProgressBarT, percent); }
    void yield() override {
        if (!shown_) {
            form_.list_add(ListaFicheros, started_);
            select_last(form_);
            shown_ = true;
        }
        form_.yield();
    }

private:
    App& app_;
    Form& form_;
    RunningCopy& running_;
    InstallLog& log_;
    std::chrono::steady_clock::time_point granting_;
    std::int64_t copied_ = 0;
    std::string started_;  // the line of the file being reported
    bool shown_ = true;    // whether it is in the list yet
};

}  // namespace

void btn_inst_Click(App& app) {
    Form& form = app.form;
    form.set_visible(btn_inferr, false);
    form.set_enabled(btn_inst, false);
    form.set_enabled(btn_atras3, false);
    form.set_text(NumFilesCopy, "0");
    form.list_clear(ListaFicheros);
    form.list_clear(ListaFicherosFail);
    form.set_progress(ProgressBar, 0);
    form.set_progress(ProgressBarT, 0);

    // The same log as a run without a window writes, for support to ask for;
    // a log that cannot be written costs the installation nothing.
    const auto start = std::chrono::steady_clock::now();
    const std::string log_at = log_path(app.system, "");
    Log log(app.fs, app.system, log_at, false);
    InstallLog install_log(log);
    RunningCopy running(app);
    PageEvents events(app, running, install_log);
    const InstallReport report =
        run_install(app.fs, {{app.state.data_source, app.state.data_destination}, app.system.known_folders()}, events);
    install_log.report(report, start);
    // The failure report ends saying where the log is.
    if (report.end != InstallEnd::Succeeded && report.end != InstallEnd::Declined && log.error().empty())
        form.list_add(ListaFicherosFail, kLogIsAt + log_at);
    switch (report.end) {
        case InstallEnd::Succeeded:
            running.end(Form::Task::Done);
            form.message_box("Copia de ficheros realizada correctamente.\n", MB_STYLE_INFO, kTitle);
            form.set_visible(btn_Cancel, false);
            form.set_visible(btn_fin, true);
            form.set_focus(btn_fin);
            return;
        case InstallEnd::Declined:
            form.message_box("Copia de ficheros no realizada por petición del usuario.", MB_STYLE_STOP, kTitle);
            break;
        case InstallEnd::Failed:
            running.end(Form::Task::Failed);
            form.message_box("Copia de ficheros fallida.\nCompruebe el informe de errores.", MB_STYLE_STOP, kTitle);
            break;
        case InstallEnd::NotFinished:
            for (const Failure& f : report.not_granted)
                form.list_add(ListaFicherosFail, not_granted_line(f.path, f.reason));
            [[fallthrough]];
        case InstallEnd::Interrupted: running.end(Form::Task::Failed); [[fallthrough]];
        case InstallEnd::NotStarted:
            // The user is told what failed, and can look at the report, try
            // again or go back.
            form.message_box(report.message, MB_STYLE_STOP, kTitle);
            break;
    }
    offer_retry(form);
}

void btn_inferr_Click(App& app) {
    Form& form = app.form;
    form.set_fore_color(ListaFicherosFail, kRed);
    if (form.visible(ListaFicherosFail)) {
        form.set_visible(ListaFicherosFail, false);
        form.set_visible(ListaFicheros, true);
        form.set_text(btn_inferr, "Informe de errores");
    } else {
        form.set_visible(ListaFicheros, false);
        form.set_visible(ListaFicherosFail, true);
        form.set_text(btn_inferr, "Ocultar Informe");
    }
}

}  // namespace vorlan
