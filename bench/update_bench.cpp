// What checking the medium against SHA256SUMS costs the installation, and
// what /actualizar saves: the real instalar.exe run as an administrator runs
// it, side by side in one run. A figure printer, not a test.
//
//   vorlan_update_bench [MIB] [FILES] [RUNS]
//
// Makes a medium in a temporary folder twice over: 4 files of MIB mebibytes
// (default 256), and FILES files of 4 KiB (default 20,000) in folders of 100,
// each with its SHA256SUMS. Each of RUNS rounds (default 3) then times, into a
// fresh destination each (removed after, not timed):
//   large plain / large verified   /datos of the large medium without and with its list
//   small plain / small verified   the same on the small medium
//   update unchanged               /datos /actualizar over a complete copy of the small medium
//   update after half              the same with every other file of the copy deleted first
// Every medium file has just been written, so it is read from the system's
// cache. Prints each run, each way's best, and the ratios the targets are
// given in; exits 1 when a run does not end with code 0.

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "copy/checksums.h"
#include "ui/files.h"
#include "ui/medium.h"
#include "ui/process.h"
#include "win32/text.h"

namespace {

using namespace vorlan;
using Clock = std::chrono::steady_clock;

std::string random_bytes(std::size_t n, std::uint64_t seed) {
    std::string out(n, '\0');
    std::uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        for (int b = 0; b < 8; ++b) out[i + b] = static_cast<char>(x >> (8 * b));
    }
    return out;
}

// The medium's data tree, and its list kept aside to put in place or take away.
struct Tree {
    ui::Medium medium;
    std::string list;
    std::vector<std::string> files;  // relative to the data tree

    explicit Tree(const char* name) : medium(name) {}
    bool add(const std::string& relative, const std::string& bytes, std::vector<ChecksumEntry>* lines) {
        files.push_back(relative);
        std::string listed = relative;
        std::replace(listed.begin(), listed.end(), '\\', '/');
        lines->push_back({listed, sha256_of(bytes)});
        return medium.add_file("vorlan\\" + relative, bytes);
    }
    bool listed(bool on) {
        const std::string path = medium.path("vorlan\\SHA256SUMS");
        return on ? ui::write_file(path, list) : (DeleteFileW(win32::widen(path).c_str()) || !ui::exists(path));
    }
};

// One run of the medium's instalar.exe; its seconds, or -1 when it did not end with 0.
double timed(const Tree& tree, const std::string& args) {
    const auto start = Clock::now();
    std::string err;
    const ui::Process p = ui::Process::start(tree.medium.path("instalar.exe"), tree.medium.folder(), &err, args);
    const bool ok = p && p.wait_exit(ui::milliseconds(1800000)) && p.exit_code() == 0u;
    const double s = std::chrono::duration<double>(Clock::now() - start).count();
    return ok ? s : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int mib = argc > 1 ? std::atoi(argv[1]) : 256;
    const int small = argc > 2 ? std::atoi(argv[2]) : 20000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    if (mib < 1 || small < 2 || runs < 1) {
        std::fprintf(stderr, "usage: vorlan_update_bench [MIB] [FILES] [RUNS]\n");
        return 2;
    }
    Tree large("bench grande"), little("bench pequeño");
    std::vector<ChecksumEntry> lines;
    for (int i = 0; i < 4; ++i)
        if (!large.add("orto\\orto-" + std::to_string(i) + ".tif", random_bytes(std::size_t(mib) << 20, i + 1), &lines))
            return std::fprintf(stderr, "cannot write the large medium\n"), 2;
    large.list = write_checksums(lines);
    lines.clear();
    for (int i = 0; i < small; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "teselas\\z%03d\\t%05d.png", i / 100, i);
        if (!little.add(name, random_bytes(4096, 1000 + i), &lines))
            return std::fprintf(stderr, "cannot write the small medium\n"), 2;
    }
    little.list = write_checksums(lines);
    ui::TempFolder out("bench destino");
    const std::string log = out / "registro.log";
    std::printf("large: 4 files of %d MiB; small: %d files of 4 KiB\n", mib, small);

    const char* const ways[] = {"large plain",    "large verified",   "small plain",
                                "small verified", "update unchanged", "update after half"};
    double best[6] = {1e30, 1e30, 1e30, 1e30, 1e30, 1e30};
    bool all_ok = true;
    for (int run = 0; run < runs; ++run) {
        for (int way = 0; way < 6; ++way) {
            Tree& tree = way < 2 ? large : little;
            const std::string dest = out / "datos";
            const std::string line = "/datos /destino:\"" + dest + "\" /registro:\"" + log + "\"";
            bool ready = tree.listed(way != 0 && way != 2);
            if (way >= 4) {
                // A complete copy first, then half of it gone for the second.
                ready = ready && timed(tree, line) >= 0;
                for (std::size_t i = 0; way == 5 && i < tree.files.size(); i += 2)
                    ready = ready && DeleteFileW(win32::widen(dest + "\\" + tree.files[i]).c_str());
            }
            const double s = ready ? timed(tree, line + (way >= 4 ? " /actualizar" : "")) : -1;
            all_ok = all_ok && s >= 0;
            if (s >= 0) best[way] = std::min(best[way], s);
            std::printf("run %d  %-18s %8.2f s%s\n", run + 1, ways[way], s, s >= 0 ? "" : "  FAILED");
            ui::remove_tree(dest);
        }
    }
    const double large_mib = 4.0 * mib;
    for (int way = 0; way < 6; ++way)
        std::printf("best   %-18s %8.2f s  %10.1f %s\n", ways[way], best[way],
                    way < 2 ? large_mib / best[way] : small / best[way], way < 2 ? "MiB/s" : "files/s");
    std::printf("verified / plain throughput, large: %.2f\n", best[0] / best[1]);
    std::printf("verified / plain time, small:       %.2f\n", best[3] / best[2]);
    std::printf("update unchanged / full:            %.2f\n", best[4] / best[3]);
    std::printf("update after half / full:           %.2f\n", best[5] / best[3]);
    return all_ok ? 0 : 1;
}
