#include "wizard/install_log.h"

#include "wizard/texts.h"

namespace vorlan {

void InstallLog::counting() { log_.line(kCountingLine); }

void InstallLog::counted(std::int64_t files) {
    log_.line(found_line(files));
    log_.line(kStartingLine);
}

void InstallLog::file_done(const std::string& source, bool ok) {
    if (ok && note_ == FileNote::Unchanged) log_.line(source + " --> sin cambios");
    else if (ok && note_ == FileNote::Unchecked) log_.line(file_line(source, ok) + " (sin comprobar)");
    else log_.line(file_line(source, ok));
    note_.reset();
}

void InstallLog::file_missing(const std::string& source) { log_.line(file_line(source, false)); }

void InstallLog::not_on_medium(const std::string& dest) { log_.line(dest + " --> no está en el soporte (se deja)"); }

void InstallLog::granted(std::int64_t entries, const std::string& dest, std::chrono::steady_clock::time_point since) {
    log_.line("Dado control total a todos los usuarios sobre " + std::to_string(entries) + " elementos de " + dest +
              ", en " + seconds_since(since) + " segundos.");
}

void InstallLog::report(const InstallReport& report, std::chrono::steady_clock::time_point start) {
    for (const Failure& f : report.failures) log_.line(f.path + ": " + f.reason);
    for (const Failure& f : report.not_granted) log_.line(not_granted_line(f.path, f.reason));
    if (!report.message.empty()) log_.line(report.message);
    if (report.end != InstallEnd::NotStarted && report.end != InstallEnd::Declined) {
        const std::string unchanged =
            report.unchanged > 0 ? " (" + std::to_string(report.unchanged) + " sin cambios)" : "";
        log_.line("Copiados " + std::to_string(report.copied) + " de " + std::to_string(report.found) + " archivos" +
                  unchanged + ", " + std::to_string(report.bytes) + " bytes, en " + seconds_since(start) +
                  " segundos.");
    }
    if (report.end == InstallEnd::Succeeded) log_.line("Copia de ficheros realizada correctamente.");
    if (report.end == InstallEnd::Failed) log_.line("Copia de ficheros fallida.");
}

}  // namespace vorlan
