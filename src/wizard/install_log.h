#pragma once
// What an installation writes to its log file, line by line: the same lines
// whether it runs without a window (/datos) or from the copy page.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "copy/install.h"
#include "wizard/log_file.h"

namespace vorlan {

class InstallLog {
public:
    explicit InstallLog(Log& log) : log_(log) {}
    Log& log() { return log_; }

    void counting();
    void counted(std::int64_t files);
    // A note comes right before its file's file_done, and goes into its line.
    void file_noted(FileNote note) { note_ = note; }
    void file_done(const std::string& source, bool ok);
    void file_missing(const std::string& source);
    void not_on_medium(const std::string& dest);
    void granted(std::int64_t entries, const std::string& dest, std::chrono::steady_clock::time_point since);
    // The failures with their reasons, what stopped the run, the summary and the verdict.
    void report(const InstallReport& report, std::chrono::steady_clock::time_point start);

private:
    Log& log_;
    std::optional<FileNote> note_;
};

}  // namespace vorlan
