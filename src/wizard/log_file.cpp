#include "wizard/log_file.h"

#include <cstdio>

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
