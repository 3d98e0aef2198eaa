#include "wizard/unattended.h"

#include <chrono>

#include "copy/destination_checks.h"
#include "copy/install.h"
#include "copy/paths.h"
#include "wizard/app.h"
#include "wizard/install_log.h"
#include "wizard/log_file.h"
#include "wizard/texts.h"

namespace vorlan {

namespace {

// Thrown from a yield when the process is asked to end from outside while
// no copy runs (counting, measuring, the attribute pass).
struct EndRequested {};

class LogEvents : public InstallEvents {
public:
    LogEvents(InstallLog& log, const CommandLine& line, const std::string& dest, System& system)
        : log_(log), line_(line), dest_(dest), system_(system) {}

    // What was reported so far, for a run that ends by an exception (bytes
    // once the copy has returned).
    std::int64_t found = 0, copied = 0;
    std::uint64_t bytes = 0;
    std::vector<Failure> failures;

    void counting() override { log_.counting(); }
    void counted(std::int64_t files) override {
        found = files;
        log_.counted(files);
    }
    bool confirm(bool exists) override {
        if (!exists || line_.overwrite || line_.update) return true;
        log_.log().line("El directorio " + dest_ +
                        " ya existe. No se ha copiado nada: indique /sobrescribir para "
                        "reemplazar sus archivos.");
        return false;
    }
    void copying(CopyRun* run) override {
        if (!run && run_) bytes = run_->results().bytes;
        run_ = run;
    }
    void granting() override { granting_ = std::chrono::steady_clock::now(); }
    void granted(std::int64_t entries) override { log_.granted(entries, dest_, granting_); }
    void file_started(const std::string&) override {}
    void file_noted(const std::string&, FileNote note) override { log_.file_noted(note); }
    void not_on_medium(const std::string& dest) override { log_.not_on_medium(dest); }
    void file_done(const std::string& source, bool ok, const std::string& reason) override {
        log_.file_done(source, ok);
        if (ok) ++copied;
        else failures.push_back({source, reason});
    }
    void file_missing(const std::string& source, const std::string& reason) override {
        log_.file_missing(source);
        --copied;
        failures.push_back({source, reason});
    }
    void file_progress(double) override {}
    void overall_progress(double) override {}
    // Ending from outside abandons the copy as "Cancelar" answered Yes does;
    // the run then ends as interrupted, and its summary is logged.
    void yield() override {
        if (!system_.end_requested()) return;
        if (!run_) throw EndRequested{};
        if (!run_->abandoned()) run_->abandon();
    }

private:
    InstallLog& log_;
    const CommandLine& line_;
    const std::string& dest_;
    System& system_;
    CopyRun* run_ = nullptr;
    std::chrono::steady_clock::time_point granting_;
};

// Why the log cannot be at `path`, or empty: inside the tree being copied
// from or to, a log would be copied, or would truncate a data file, or be
// replaced by one. A destination the run refuses gets nothing written, and
// its refusal is what the log must say (the user's temporary folder is in
// the profile).
std::string misplaced_log(FileSystem& fs, System& system, const std::string& path, const InstallerState& state) {
    if (const char c = bad_character(path))
        return "El registro " + path + " lleva el carácter " + std::string(1, c) +
               ", que no puede formar parte de un nombre de archivo.";
    const bool refused = !refused_destination(fs, system.known_folders(), state.data_destination).empty();
    for (const std::string* tree : {&state.data_source, &state.data_destination})
        if (!(tree == &state.data_destination && refused) && path_within(fs, path, *tree))
            return "El registro " + path + " no puede estar dentro de " + collapse_separators(*tree) +
                   ", que es la carpeta de datos que se copia o el directorio de destino.";
    return {};
}

}  // namespace

int run_unattended(FileSystem& fs, System& system, const CommandLine& line) {
    const auto start = std::chrono::steady_clock::now();
    // Nothing is written, the log included, before the command line is known
    // to be right and no other instance runs: a second instance must not
    // empty the first one's log, nor a wrong line a file of the user's.
    if (!line.error.empty() || line.help) {
        if (!line.error.empty()) system.console_line(line.error);
        system.console_line(kUsage);
        return line.error.empty() ? EXIT_INSTALLED : EXIT_USAGE;
    }
    const InstallerState state = installer_state(
        system.program_folder(), line.destination.empty() ? kDefaultDestination : system.full_path(line.destination));
    const std::string log_path = vorlan::log_path(system, line.log);
    if (const std::string wrong = misplaced_log(fs, system, log_path, state); !wrong.empty()) {
        system.console_line(wrong);
        return EXIT_USAGE;
    }
    std::optional<Log> opened;
    if (int code = 0; !open_run_log(fs, system, log_path, !line.log.empty(), &opened, &code)) return code;
    Log& log = *opened;

    system.watch_for_end();
    InstallLog install_log(log);
    LogEvents events(install_log, line, state.data_destination, system);
    InstallReport report;
    std::string thrown;
    try {
        report =
            run_install(fs, {{state.data_source, state.data_destination}, system.known_folders(), line.update}, events);
    } catch (const EndRequested&) {
        thrown = "La instalación se ha interrumpido: se ha pedido terminar el programa.";
    } catch (const std::exception& e) {
        thrown = std::string("La instalación se ha interrumpido por un error inesperado: ") + e.what();
    }
    if (!thrown.empty()) {
        // What was reported before is all there is of the run.
        report.end = InstallEnd::Interrupted;
        report.message = thrown;
        report.found = events.found;
        report.copied = events.copied;
        report.bytes = events.bytes;
        report.failures = events.failures;
    }

    install_log.report(report, start);
    switch (report.end) {
        case InstallEnd::Succeeded: return EXIT_INSTALLED;
        case InstallEnd::Declined: return EXIT_EXISTS;
        case InstallEnd::NotStarted: return EXIT_NOT_STARTED;
        case InstallEnd::Failed: return EXIT_FILES_FAILED;
        case InstallEnd::Interrupted:
        case InstallEnd::NotFinished: return EXIT_FILES_FAILED;
    }
    return EXIT_FILES_FAILED;
}

}  // namespace vorlan
