#pragma once
// The copy engine's events, written down, as the engine's tests read them.

#include <string>
#include <vector>

#include "copy/tree_copy.h"

namespace vorlan::test {

// The engine's events, written down: the lines a log would show, the two bars
// and the yields.
struct Recorder : CopyEvents {
    std::vector<std::string> lines;  // "Copiando P --> Ok" or "P --> FALLO: reason"
    std::vector<double> file_bar, overall_bar;
    long yields = 0;

    void file_started(const std::string& p) override { lines.push_back("Copiando " + p + " --> "); }
    void file_done(const std::string& p, bool ok, const std::string& reason) override {
        lines.back() = ok ? lines.back() + "Ok" : p + " --> FALLO: " + reason;
    }
    void file_missing(const std::string& p, const std::string& reason) override {
        lines.push_back(p + " --> FALLO: " + reason);
    }
    void file_progress(double p) override { file_bar.push_back(p); }
    void overall_progress(double p) override { overall_bar.push_back(p); }
    void yield() override { ++yields; }
};

}  // namespace vorlan::test
