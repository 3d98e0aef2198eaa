#include "wizard/verify_run.h"

#include <chrono>

#include "copy/paths.h"
#include "copy/verify.h"
#include "wizard/app.h"
#include "wizard/log_file.h"
#include "wizard/texts.h"

namespace vorlan {
namespace {

class LogVerify : public VerifyEvents {
public:
    LogVerify(Log& log, System& system) : log_(log), system_(system) {}

    void checked(const CheckedFile& file) override {
        switch (file.state) {
            case FileState::Equal: return;
            case FileState::Missing: log_.line("Falta " + file.path + "."); return;
            case FileState::Different: log_.line("Distinto: " + file.path + ": " + file.reason + "."); return;
            case FileState::Unreadable: log_.line("No se puede comprobar " + file.path + ": " + file.reason); return;
        }
    }
    void unlisted(const std::string& path) override { log_.line("No está en SHA256SUMS: " + path + "."); }
    bool go_on() override { return !system_.end_requested(); }

private:
    Log& log_;
    System& system_;
};

std::string count(std::int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int run_verify(FileSystem& fs, System& system, const CommandLine& line) {
    const auto start = std::chrono::steady_clock::now();
    if (!line.error.empty() || line.help) {
        if (!line.error.empty()) system.console_line(line.error);
        system.console_line(kUsage);
        return line.error.empty() ? EXIT_INSTALLED : EXIT_USAGE;
    }
    const std::string tree =
        collapse_separators(line.destination.empty() ? kDefaultDestination : system.full_path(line.destination));
    const std::string log_path = vorlan::log_path(system, line.log);
    // A log inside the tree would be one of its files, and unlisted.
    if (path_within(fs, log_path, tree)) {
        system.console_line("El registro " + log_path + " no puede estar dentro de " + tree +
                            ", que es la carpeta que se comprueba.");
        return EXIT_USAGE;
    }
    if (const char c = bad_character(log_path)) {
        system.console_line("El registro " + log_path + " lleva el carácter " + std::string(1, c) +
                            ", que no puede formar parte de un nombre de archivo.");
        return EXIT_USAGE;
    }
    // A run copying into the tree would change it under the check, and the
    // default log is that run's too.
    std::optional<Log> opened;
    if (int code = 0; !open_run_log(fs, system, log_path, !line.log.empty(), &opened, &code)) return code;
    Log& log = *opened;

    system.watch_for_end();
    log.line("Comprobando " + tree + " con su lista SHA256SUMS...");
    LogVerify events(log, system);
    VerifyReport report;
    try {
        report = verify_tree(fs, tree, events);
    } catch (const std::exception& e) {
        report.end = VerifyEnd::Interrupted;
        report.message = std::string("La comprobación se ha interrumpido por un error inesperado: ") + e.what();
    }
    if (report.end == VerifyEnd::NoTree || report.end == VerifyEnd::NoList) {
        log.line(report.message);
        log.line("No se ha podido comprobar " + tree + ".");
        return EXIT_NOT_STARTED;
    }
    if (report.end == VerifyEnd::Interrupted)
        log.line(report.message.empty() ? "La comprobación se ha interrumpido: se ha pedido terminar el programa."
                                        : report.message);
    log.line("Comprobados " + std::to_string(report.equal + report.missing + report.different + report.unreadable) +
             " de " + count(report.listed, "archivo", "archivos") + " de la lista: " +
             count(report.equal, "igual", "iguales") + ", " + count(report.different, "distinto", "distintos") + ", " +
             count(report.missing, "que falta", "que faltan") + ", " +
             count(report.unreadable, "que no se puede leer", "que no se pueden leer") + "; " +
             count(report.unlisted, "archivo", "archivos") + " fuera de la lista; " + std::to_string(report.bytes) +
             " bytes leídos en " + seconds_since(start) + " segundos.");
    if (report.all_equal()) {
        log.line("Los datos de " + tree + " están completos y son iguales a los de SHA256SUMS.");
        return EXIT_INSTALLED;
    }
    if (report.end == VerifyEnd::Checked) log.line("Los datos de " + tree + " no coinciden con SHA256SUMS.");
    return EXIT_FILES_FAILED;
}

}  // namespace vorlan
