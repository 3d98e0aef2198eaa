#include "wizard/log_file.h"

#include <cstdio>

#include "wizard/command_line.h"
#include "wizard/texts.h"

namespace vorlan {

Log::Log(FileSystem& fs, System& system, const std::string& path, bool echo) : system_(system), echo_(echo) {
    std::string err;
    file_ = fs.create(path, &err);
    if (!file_) error_ = "No se puede crear el registro " + path + ": " + err;
}

Log::~Log() {
    std::string ignored;
    if (file_) file_->close(&ignored);
}

void Log::line(const std::string& text) {
    if (echo_) system_.console_line(text);
    if (!file_) return;
    const std::string out = with_crlf(text + "\n");
    std::string ignored;
    file_->write(out.data(), out.size(), &ignored);
}

bool open_run_log(FileSystem& fs, System& system, const std::string& path, bool asked, std::optional<Log>* log,
                  int* exit_code) {
    if (!system.claim_single_instance()) {
        system.console_line(kAlreadyRunning);
        *exit_code = EXIT_RUNNING;
        return false;
    }
    log->emplace(fs, system, path);
    if ((*log)->error().empty()) return true;
    system.console_line((*log)->error());
    *exit_code = EXIT_USAGE;
    return !asked;
}

std::string log_path(System& system, const std::string& asked) {
    return asked.empty() ? system.temp_folder() + "\\instalar-vorlan.log" : system.full_path(asked);
}

std::string seconds_since(std::chrono::steady_clock::time_point start) {
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", s);
    return text;
}

}  // namespace vorlan
