// The plainest Win32 copy of a tree, which bench/run measures the wizard against.
//
//   vorlan_plain_copy SRC DST THREADS [GO]
//
// Walks SRC (FindFirstFileW/FindNextFileW), makes each folder of DST before the
// files in it, and copies each file with CreateFileW, ReadFile and WriteFile in
// 64 KiB chunks from a page-aligned buffer. With THREADS=1 the files are copied
// one at a time as the walk finds them; with more, the walk lists them (making
// the folders) and the threads take them from that list in turn. GO: bench/run's
// go-ahead, as vorlan_bench's wait_for_go takes it. The clock runs from the
// go-ahead to the last file closed. Prints "ok=1 seconds=... files=... bytes=..."
// or "ok=0 error=..."; exit code 0, 1 when the copy failed, 2 on a usage error.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kChunk = 64 * 1024;

int print(const std::string& line, int code) {
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return code;
}

std::string narrow(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

// A full path in the \\?\ form, which takes any length, without a trailing backslash.
std::wstring long_path(const std::wstring& path) {
    std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
    full.resize(GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
    while (!full.empty() && full.back() == L'\\') full.pop_back();
    if (full.rfind(L"\\\\?\\", 0) == 0) return full;
    return full.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
}

struct Tree {
    const std::wstring src, dst;
    std::atomic<unsigned long long> files{0}, bytes{0};
    std::atomic<bool> failed{false};
    std::mutex mutex{};
    std::string error{};

    // Makes DST\rel and walks SRC\rel: its files go to `found` (as paths
    // relative to the roots) before its folders are walked.
    bool walk(const std::wstring& rel, const std::function<bool(const std::wstring&)>& found) {
        const std::wstring folder = dst + rel;
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return fail(L"cannot make ", folder);
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((src + rel + L"\\*").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) return fail(L"cannot list ", src + rel);
        std::vector<std::wstring> folders;
        bool ok = true;
        for (BOOL more = TRUE; more && ok; more = FindNextFileW(find, &entry)) {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) folders.push_back(rel + L"\\" + name);
            else ok = found(rel + L"\\" + name);
        }
        if (ok && GetLastError() != ERROR_NO_MORE_FILES) ok = fail(L"cannot list ", src + rel);
        FindClose(find);
        for (const std::wstring& f : folders)
            if (!ok || !(ok = walk(f, found))) break;
        return ok;
    }

    bool copy(const std::wstring& rel, char* buffer) {
        const std::wstring from = src + rel, to = dst + rel;
        HANDLE in = CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
        if (in == INVALID_HANDLE_VALUE) return fail(L"cannot open ", from);
        HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (out == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            CloseHandle(in);
            return fail(L"cannot create ", to, code);
        }
        unsigned long long copied = 0;
        bool ok = true;
        for (DWORD got = 0, put = 0; ok; copied += got) {
            if (!ReadFile(in, buffer, kChunk, &got, nullptr)) ok = fail(L"cannot read ", from);
            else if (got == 0) break;
            else if (!WriteFile(out, buffer, got, &put, nullptr) || put != got) ok = fail(L"cannot write ", to);
        }
        CloseHandle(in);
        if (!CloseHandle(out) && ok) ok = fail(L"cannot close ", to);
        if (ok) {
            ++files;
            bytes += copied;
        }
        return ok;
    }

    // The first failure is the one reported; it stops every thread.
    bool fail(const std::wstring& what, const std::wstring& path, DWORD code = GetLastError()) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!failed.exchange(true)) error = narrow(what + path) + " (error " + std::to_string(code) + ")";
        return false;
    }
};

// bench/run's go-ahead, as vorlan_bench waits for it: "GO.ready" says this side
// is ready, and GO appears once the destination has been removed.
bool wait_for_go(const std::wstring& go) {
    const std::wstring ready = go + L".ready";
    HANDLE h = CreateFileW(ready.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    const Clock::time_point deadline = Clock::now() + std::chrono::minutes(5);
    bool given = false;
    while (!(given = GetFileAttributesW(go.c_str()) != INVALID_FILE_ATTRIBUTES) && Clock::now() < deadline) Sleep(5);
    DeleteFileW(go.c_str());
    DeleteFileW(ready.c_str());
    return given;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t* end = nullptr;
    const long threads = argc == 4 || argc == 5 ? std::wcstol(argv[3], &end, 10) : 0;
    if (threads < 1 || threads > 64 || *end != L'\0')
        return print("usage: vorlan_plain_copy SRC DST THREADS [GO]   (THREADS from 1 to 64)", 2);
    Tree tree{long_path(argv[1]), long_path(argv[2])};
    std::vector<char*> buffers;
    for (long i = 0; i < threads; ++i)
        if (void* b = VirtualAlloc(nullptr, kChunk, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))
            buffers.push_back(static_cast<char*>(b));
        else return print("ok=0 error=\"out of memory\"", 1);
    if (argc == 5 && !wait_for_go(argv[4])) return print("ok=0 error=\"no go-ahead\"", 1);

    const Clock::time_point start = Clock::now();
    if (threads == 1) {
        tree.walk(L"", [&](const std::wstring& rel) { return tree.copy(rel, buffers[0]); });
    } else {
        std::vector<std::wstring> files;
        if (tree.walk(L"", [&](const std::wstring& rel) {
                files.push_back(rel);
                return true;
            })) {
            std::atomic<std::size_t> next{0};
            std::vector<std::thread> workers;
            for (char* buffer : buffers)
                workers.emplace_back([&, buffer] {
                    for (std::size_t i = next++; i < files.size() && !tree.failed; i = next++)
                        tree.copy(files[i], buffer);
                });
            for (std::thread& w : workers) w.join();
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (char* buffer : buffers) VirtualFree(buffer, 0, MEM_RELEASE);

    if (tree.failed) return print("ok=0 error=\"" + tree.error + "\"", 1);
    char figures[128];
    std::snprintf(figures, sizeof figures, "ok=1 seconds=%.3f files=%llu bytes=%llu", seconds, tree.files.load(),
                  tree.bytes.load());
    return print(figures, 0);
}
