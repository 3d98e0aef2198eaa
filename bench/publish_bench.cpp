// What it costs to publish each new file whole, whatever ends the process,
// on many small files: the ways a copy could write a new file, side by side.
// A figure printer, not a test.
//
//   vorlan_publish_bench FOLDER [FILES] [RUNS]
//
// Makes FOLDER\origen, FILES files of 4 KiB (20,000) in folders of 100, as
// bench/make-tree's small tree, then copies it to FOLDER\destino on four
// threads (as the wizard's workers) in each of three ways:
//   plain    CREATE_NEW, write, close: what a kill leaves is a partial file
//            under its real name
//   rename   written under a temporary name beside it and renamed to its own
//            name once closed: a kill leaves the temporary
//   pending  created under its own name with DELETE access and marked for
//            deletion at once; the mark is cleared once the file is complete:
//            a kill leaves nothing, the system removes the file
// Each of RUNS rounds (3) runs every way once, in an order that rotates by one
// way each round, each right after the previous destination's removal (not
// timed). Prints each run and each way's best, in seconds and files a second.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kFileSize = 4096;
constexpr int kPerFolder = 100;
constexpr int kThreads = 4;

enum class Way { Plain, Rename, Pending };
const char* name_of(Way w) { return w == Way::Plain ? "plain" : w == Way::Rename ? "rename" : "pending"; }

std::wstring file_name(int i) {
    wchar_t buf[64];
    std::swprintf(buf, 64, L"carpeta_%03d\\archivo_%05d.dat", i / kPerFolder, i);
    return buf;
}

bool set_pending(HANDLE h, bool pending) {
    FILE_DISPOSITION_INFO d{};
    d.DeleteFile = pending ? TRUE : FALSE;
    return SetFileInformationByHandle(h, FileDispositionInfo, &d, sizeof d) != FALSE;
}

bool make_source(const std::wstring& root, int files) {
    CreateDirectoryW(root.c_str(), nullptr);
    std::vector<char> bytes(kFileSize);
    for (int i = 0; i < files; ++i) {
        if (i % kPerFolder == 0) CreateDirectoryW((root + L"\\" + file_name(i).substr(0, 12)).c_str(), nullptr);
        for (DWORD b = 0; b < kFileSize; ++b) bytes[b] = static_cast<char>(i * 31 + b);
        HANDLE h =
            CreateFileW((root + L"\\" + file_name(i)).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        const bool ok = h != INVALID_HANDLE_VALUE && WriteFile(h, bytes.data(), kFileSize, &written, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        if (!ok) return false;
    }
    return true;
}

void remove_tree(const std::wstring& root, int files) {
    for (int i = 0; i < files; ++i) DeleteFileW((root + L"\\" + file_name(i)).c_str());
    for (int i = 0; i < files; i += kPerFolder) RemoveDirectoryW((root + L"\\" + file_name(i).substr(0, 12)).c_str());
    RemoveDirectoryW(root.c_str());
}

bool copy_one(Way way, const std::wstring& from, const std::wstring& to, char* buffer) {
    HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE) return false;
    DWORD got = 0;
    const bool read = ReadFile(in, buffer, kFileSize, &got, nullptr) && got == kFileSize;
    CloseHandle(in);
    if (!read) return false;
    const std::wstring temporary =
        to.substr(0, to.rfind(L'\\') + 1) + L"~vorlan;" + std::to_wstring(GetCurrentThreadId()) + L".tmp";
    const std::wstring& created = way == Way::Rename ? temporary : to;
    const DWORD access = GENERIC_WRITE | (way == Way::Pending ? DELETE : 0);
    HANDLE out = CreateFileW(created.c_str(), access, 0, nullptr, CREATE_NEW, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    bool ok = way != Way::Pending || set_pending(out, true);
    DWORD written = 0;
    ok = ok && WriteFile(out, buffer, got, &written, nullptr) && written == got;
    if (way == Way::Pending) ok = ok && set_pending(out, false);
    CloseHandle(out);
    if (ok && way == Way::Rename) ok = MoveFileExW(temporary.c_str(), to.c_str(), 0) != FALSE;
    return ok;
}

double copy_tree(Way way, const std::wstring& src, const std::wstring& dst, int files) {
    const auto start = Clock::now();
    CreateDirectoryW(dst.c_str(), nullptr);
    // Folders first, as the wizard's walk makes each before handing over its files.
    for (int i = 0; i < files; i += kPerFolder)
        CreateDirectoryW((dst + L"\\" + file_name(i).substr(0, 12)).c_str(), nullptr);
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&] {
            std::vector<char> buffer(kFileSize);
            for (int i; (i = next++) < files;)
                if (!copy_one(way, src + L"\\" + file_name(i), dst + L"\\" + file_name(i), buffer.data()))
                    failed = true;
        });
    for (std::thread& t : threads) t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return failed ? -1 : seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: vorlan_publish_bench FOLDER [FILES] [RUNS]\n");
        return 2;
    }
    const std::wstring root = argv[1];
    const int files = argc > 2 ? std::max(1, _wtoi(argv[2])) : 20000;
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 3;
    const std::wstring src = root + L"\\origen", dst = root + L"\\destino";
    CreateDirectoryW(root.c_str(), nullptr);
    remove_tree(dst, files);
    if (!make_source(src, files)) {
        std::fprintf(stderr, "cannot make the source tree\n");
        return 1;
    }
    const Way ways[] = {Way::Plain, Way::Rename, Way::Pending};
    double best[3] = {1e9, 1e9, 1e9};
    for (int run = 0; run < runs; ++run) {
        for (int k = 0; k < 3; ++k) {
            const int w = (run + k) % 3;
            remove_tree(dst, files);
            const double s = copy_tree(ways[w], src, dst, files);
            if (s < 0) {
                std::printf("%-8s run %d FAILED\n", name_of(ways[w]), run + 1);
                return 1;
            }
            best[w] = std::min(best[w], s);
            std::printf("%-8s run %d %.2f s %.0f files/s\n", name_of(ways[w]), run + 1, s, files / s);
            std::fflush(stdout);
        }
    }
    remove_tree(dst, files);
    remove_tree(src, files);
    for (int w = 0; w < 3; ++w)
        std::printf("best %-8s %.2f s %.0f files/s\n", name_of(ways[w]), best[w], files / best[w]);
    return 0;
}
