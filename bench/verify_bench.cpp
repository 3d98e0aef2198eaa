// How fast /verificar checks a tree of large files: the real instalar.exe
// run as an administrator runs it, and the check in this process with one
// reader and with four, side by side. A figure printer, not a test.
//
//   vorlan_verify_bench [FILES] [MIB] [RUNS]
//
// Makes FILES files (default 4) of MIB mebibytes each (default 256) of
// pseudo-random bytes and their SHA256SUMS in a temporary folder, then runs
// RUNS rounds (default 3) of the three. Every file has just been written, so
// it is read from the system's cache: the figures are of the check, not of a
// disk. Prints each run and each way's best in GiB/s; exits 1 when a check
// does not find the tree equal.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "copy/checksums.h"
#include "copy/verify.h"
#include "ui/files.h"
#include "ui/medium.h"
#include "ui/process.h"
#include "win32/file_system.h"

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

struct Quiet : VerifyEvents {
    void checked(const CheckedFile&) override {}
    void unlisted(const std::string&) override {}
    bool go_on() override { return true; }
};

double seconds_of(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 4;
    const int mib = argc > 2 ? std::atoi(argv[2]) : 256;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    if (files < 1 || mib < 1 || runs < 1) {
        std::fprintf(stderr, "usage: vorlan_verify_bench [FILES] [MIB] [RUNS]\n");
        return 2;
    }
    ui::TempFolder folder("verificar bench");
    const std::string tree = folder / "vorlan", log = folder / "registro.log";
    std::vector<ChecksumEntry> lines;
    if (!ui::make_folders(tree + "\\")) return std::fprintf(stderr, "cannot make %s\n", tree.c_str()), 2;
    for (int i = 0; i < files; ++i) {
        const std::string name = "orto-" + std::to_string(i) + ".tif";
        const std::string bytes = random_bytes(static_cast<std::size_t>(mib) << 20, i + 1);
        if (!ui::write_file(tree + "\\" + name, bytes))
            return std::fprintf(stderr, "cannot write %s\n", name.c_str()), 2;
        lines.push_back({name, sha256_of(bytes)});
    }
    if (!ui::write_file(tree + "\\SHA256SUMS", write_checksums(lines))) return 2;
    const double gib = static_cast<double>(files) * mib / 1024.0;
    std::printf("tree: %d files of %d MiB (%.2f GiB), %s engine\n", files, mib, gib,
                fastest_sha256_engine() == Sha256Engine::sha_ni ? "SHA-NI" : "portable");

    const char* const ways[] = {"instalar.exe /verificar", "in process, 1 reader", "in process, 4 readers"};
    double best[3] = {0, 0, 0};
    bool all_equal = true;
    for (int run = 0; run < runs; ++run) {
        for (int way = 0; way < 3; ++way) {
            const auto start = Clock::now();
            bool equal = false;
            if (way == 0) {
                std::string err;
                const ui::Process p =
                    ui::Process::start(ui::own_folder() + "\\instalar.exe", ui::own_folder(), &err,
                                       "/verificar /destino:\"" + tree + "\" /registro:\"" + log + "\"");
                equal = p && p.wait_exit(ui::milliseconds(600000)) && p.exit_code() == 0u;
            } else {
                win32::Win32FileSystem fs;
                Quiet events;
                equal = verify_tree(fs, tree, events, way == 1 ? 1 : 4).all_equal();
            }
            const double rate = gib / seconds_of(start);
            all_equal = all_equal && equal;
            best[way] = std::max(best[way], rate);
            std::printf("run %d  %-24s %6.2f GiB/s%s\n", run + 1, ways[way], rate, equal ? "" : "  NOT EQUAL");
        }
    }
    for (int way = 0; way < 3; ++way) std::printf("best   %-24s %6.2f GiB/s\n", ways[way], best[way]);
    return all_equal ? 0 : 1;
}
