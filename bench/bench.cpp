// Measures one copy for bench/run and prints its figures as "key=value" words on one line.
//
//   vorlan_bench wizard MEDIUM TIMEOUT_S [GO]   one data installation by the
//                                               real wizard started from MEDIUM
//   vorlan_bench xcopy SRC DST [GO]             one "xcopy SRC DST /E /I /Q /Y"
//
// With GO, a file path, the copy waits for bench/run's go-ahead: see wait_for_go.
//
// The wizard is driven as a person would: page 0, 1 (the option "Copiar datos"),
// 3, "Instalar", Yes. The clock runs from the answer Yes to the final box.
// Meanwhile a probe thread asks the log's list box for its number of lines
// every 10 ms and times each round trip: a sent message is handled only when
// the window's thread pumps its queue, so the round trip is how long a click
// or a repaint would wait. The copy is over when the log holds a line for
// every file counted; what follows is the look at the written tree, the
// attribute pass and the grant, and the final box.
// The same probe runs for two seconds on the idle window first, which shows
// what the machine itself adds. After the final box the wizard's log and
// counters are read and its peak memory taken, and it is ended.
//
// Exit code 0 when the copy was measured, 1 when it failed, 2 on a usage error.

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ui/files.h"
#include "ui/process.h"
#include "ui/wizard.h"
#include "win32/text.h"
#include "wizard/controls.h"

namespace {

using namespace vorlan;
using namespace vorlan::ui;
using Clock = std::chrono::steady_clock;
using win32::narrow;
using win32::widen;

void print(const std::string& utf8) {
    const std::string line = utf8 + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

int fail(const std::string& why) {
    std::string quoted = why;
    std::replace(quoted.begin(), quoted.end(), '\n', ' ');
    std::replace(quoted.begin(), quoted.end(), '"', '\'');
    print("ok=0 error=\"" + quoted + "\"");
    return 1;
}

double seconds_between(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

std::string fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
    return sorted[std::clamp<std::size_t>(rank, 1, sorted.size()) - 1];
}

// Round trips of LB_GETCOUNT to a list box, one every 10 ms while it runs.
class Probe {
public:
    struct Trip {
        Clock::time_point sent;
        double ms;
        LRESULT lines;  // the list's, as the answer gave them
        Clock::time_point answered() const {
            return sent + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));
        }
    };

    explicit Probe(HWND hwnd) : hwnd_(hwnd), thread_([this] { run(); }) {}
    ~Probe() { stop(); }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    void stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    // After stop(): the trips sent from `from` on and answered before `to`.
    std::vector<Trip> between(Clock::time_point from, Clock::time_point to) const {
        std::vector<Trip> out;
        for (const Trip& t : trips_)
            if (t.sent >= from && t.answered() <= to) out.push_back(t);
        return out;
    }
    int timeouts() const { return timeouts_; }
    // After stop(): when a trip first found at least `lines` lines.
    std::optional<Clock::time_point> reached(LRESULT lines) const {
        for (const Trip& t : trips_)
            if (t.lines >= lines) return t.answered();
        return std::nullopt;
    }

private:
    void run() {
        constexpr auto kPeriod = std::chrono::milliseconds(10);
        auto next = Clock::now();
        while (running_) {
            const Clock::time_point sent = Clock::now();
            DWORD_PTR result = 0;
            // Plain: a window that hangs is what the probe is there to time.
            LRESULT lines = -1;
            if (!SendMessageTimeoutW(hwnd_, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &result)) {
                ++timeouts_;
                if (!IsWindow(hwnd_)) break;
            } else {
                lines = static_cast<LRESULT>(result);
            }
            trips_.push_back({sent, std::chrono::duration<double, std::milli>(Clock::now() - sent).count(), lines});
            next += kPeriod;
            const auto now = Clock::now();
            if (next > now) std::this_thread::sleep_for(next - now);
            else next = now;  // a slow answer delays the next probe rather than bunching them
        }
    }

    HWND hwnd_;
    std::atomic<bool> running_{true};
    std::vector<Trip> trips_;
    int timeouts_ = 0;
    std::thread thread_;
};

struct TripFigures {
    std::size_t count = 0;
    double median = 0, p99 = 0, max = 0;
    std::string slowest;  // "ms@seconds-after-start", the five slowest
};

TripFigures figures(std::vector<Probe::Trip> trips, Clock::time_point start) {
    TripFigures f;
    f.count = trips.size();
    std::vector<double> ms;
    for (const Probe::Trip& t : trips) ms.push_back(t.ms);
    std::sort(ms.begin(), ms.end());
    f.median = percentile(ms, 50);
    f.p99 = percentile(ms, 99);
    f.max = ms.empty() ? 0 : ms.back();
    std::sort(trips.begin(), trips.end(), [](const Probe::Trip& a, const Probe::Trip& b) { return a.ms > b.ms; });
    for (std::size_t i = 0; i < trips.size() && i < 5; ++i) {
        if (i) f.slowest += ',';
        f.slowest += fixed(trips[i].ms, 1);
        f.slowest += '@';
        f.slowest += fixed(seconds_between(start, trips[i].sent), 2);
    }
    return f;
}

LRESULT send(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_NORMAL, 5000, &result)) return -1;
    return static_cast<LRESULT>(result);
}

std::string list_line(HWND list, int index) {
    const LRESULT length = send(list, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length < 0) return {};
    std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = send(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(line.data()));
    line.resize(got < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(got), line.size()));
    return narrow(line);
}

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Every line of the copy log after the first three must be a file copied
// ("Copiando ... --> Ok"): their number, or -1 and the first line that is not one.
long long copied_lines(HWND list, std::string* bad) {
    const LRESULT count = send(list, LB_GETCOUNT);
    if (count < 3) {
        *bad = "the log has " + std::to_string(count) + " lines";
        return -1;
    }
    for (LRESULT i = 3; i < count; ++i) {
        const std::string line = list_line(list, static_cast<int>(i));
        if (line.rfind("Copiando ", 0) != 0 || !ends_with(line, " --> Ok")) {
            *bad = "log line " + std::to_string(i) + ": " + line;
            return -1;
        }
    }
    return count - 3;
}

// bench/run removes the destination only when this side is ready to copy, so
// that every tool starts its copy within a moment of the removal: on this
// virtual machine memory that stays free for a few seconds goes back to the
// host, and a copy into such memory runs several times slower. "GO.ready"
// says this side is ready; GO appears when the destination is gone.
bool wait_for_go(const std::string& go) {
    if (go.empty()) return true;
    if (!write_file(go + ".ready", "")) return false;
    const bool given = wait_until([&] { return exists(go); }, std::chrono::minutes(5));
    DeleteFileW(widen(go).c_str());
    DeleteFileW(widen(go + ".ready").c_str());
    return given;
}

// A "VorLan" box of process `pid` other than `old`. One class lookup: the
// driver's search through every window would load the Wine server, which
// the wizard shares, two hundred times a second.
HWND new_box(DWORD pid, HWND old) {
    const std::wstring title = widen(kBoxTitle);
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", title.c_str()); w;
         w = FindWindowExW(nullptr, w, L"#32770", title.c_str())) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && w != old && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

int measure_wizard(const std::string& medium, std::chrono::seconds timeout, const std::string& go) {
    std::string err;
    Process process = Process::start(medium + "\\instalar.exe", medium, &err);
    if (!process) return fail(err);
    std::optional<Wizard> wizard = Wizard::find(std::chrono::seconds(30));
    if (!wizard) return fail("the wizard's window did not appear");
    if (wizard->pid() != process.pid()) return fail("another wizard is running");

    if (const std::string step = wizard->open_copy_page(); !step.empty()) return fail(step);

    TripFigures idle;
    {
        Probe probe(wizard->control(ListaFicheros));
        const Clock::time_point from = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        probe.stop();
        idle = figures(probe.between(from, Clock::now()), from);
    }

    if (!wait_for_go(go)) return fail("no go-ahead");
    wizard->click(btn_inst);
    // The files are counted before the question.
    const std::optional<Box> question = wizard->wait_box(timeout);
    if (!question) return fail("no confirmation box");
    const std::string asked = question->text();
    if (asked.rfind("Se va a proceder", 0) != 0) return fail("unexpected box: " + asked);

    // Three lines before the copy, then one for each file counted.
    const std::string counted = wizard->text(NumFilesToCopy);
    const LRESULT all_lines = 3 + std::atol(counted.c_str());
    Probe probe(wizard->control(ListaFicheros));
    const Clock::time_point start = Clock::now();
    question->answer(IDYES);
    HWND final_box = nullptr;
    const Clock::time_point deadline = start + timeout;
    while (!(final_box = new_box(wizard->pid(), question->hwnd())) && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const Clock::time_point end = Clock::now();
    probe.stop();
    if (!final_box) return fail("no final box within the timeout");
    const Box last(final_box);
    const std::string told = last.text();
    if (told != "Copia de ficheros realizada correctamente.\n") return fail("the copy failed: " + told);
    // A round trip belongs to the copy when it was answered before the last
    // file's line was there; the rest, to what follows the copy.
    const Clock::time_point copied_at = probe.reached(all_lines).value_or(end);

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    FILETIME created{}, exited{}, kernel{}, user{};
    HANDLE query = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, process.pid());
    const bool have_memory = query && GetProcessMemoryInfo(query, &memory, sizeof memory);
    // The processor time the wizard used, its start-up included: beside the
    // copy's duration, it tells work from waiting.
    const bool have_times = query && GetProcessTimes(query, &created, &exited, &kernel, &user);
    if (query) CloseHandle(query);
    const auto seconds = [&](const FILETIME& t) {
        return have_times ? fixed(static_cast<double>((ULONGLONG{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 1e7, 3)
                          : std::string("?");
    };

    const std::string to_copy = wizard->text(NumFilesToCopy);
    const std::string copied = wizard->text(NumFilesCopy);
    const LRESULT failed = send(wizard->control(ListaFicherosFail), LB_GETCOUNT);
    std::string bad;
    const long long logged = copied_lines(wizard->control(ListaFicheros), &bad);
    if (logged < 0) return fail(bad);

    const TripFigures copy = figures(probe.between(start, copied_at), start);
    std::vector<Probe::Trip> rest = probe.between(start, end);
    std::erase_if(rest, [&](const Probe::Trip& t) { return t.answered() <= copied_at; });
    const TripFigures grant = figures(rest, start);

    last.answer_and_wait(IDOK);
    if (wizard->wait_visible(btn_fin)) wizard->click(btn_fin);
    if (!process.wait_exit(std::chrono::seconds(10))) process.terminate();

    const auto kib = [&](SIZE_T bytes) { return have_memory ? std::to_string(bytes / 1024) : std::string("?"); };
    print("ok=1 seconds=" + fixed(seconds_between(start, end), 3) +
          " copy_seconds=" + fixed(seconds_between(start, copied_at), 3) + " files=" + to_copy + " copied=" + copied +
          " logged=" + std::to_string(logged) + " failed=" + std::to_string(failed) + " cpu_user_s=" + seconds(user) +
          " cpu_kernel_s=" + seconds(kernel) + " peak_ws_kib=" + kib(memory.PeakWorkingSetSize) +
          " peak_pf_kib=" + kib(memory.PeakPagefileUsage) + " probes=" + std::to_string(copy.count) +
          " probe_timeouts=" + std::to_string(probe.timeouts()) + " rtt_median_ms=" + fixed(copy.median, 2) +
          " rtt_p99_ms=" + fixed(copy.p99, 2) + " rtt_max_ms=" + fixed(copy.max, 2) +
          " grant_rtt_max_ms=" + fixed(grant.max, 2) + " idle_rtt_median_ms=" + fixed(idle.median, 2) +
          " idle_rtt_p99_ms=" + fixed(idle.p99, 2) + " idle_rtt_max_ms=" + fixed(idle.max, 2) +
          " slowest=" + copy.slowest + " grant_slowest=" + grant.slowest);
    return 0;
}

std::wstring system_program(const wchar_t* name) {
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return name;
    return std::wstring(system, n) + L"\\" + name;
}

int measure_xcopy(const std::string& src, const std::string& dst, const std::string& go) {
    const std::wstring exe = system_program(L"xcopy.exe");
    std::wstring command = L"\"" + exe + L"\" \"" + widen(src) + L"\" \"" + widen(dst) + L"\" /E /I /Q /Y";
    // Its one line of output would land in the middle of the figures.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = nul;
    si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    if (!wait_for_go(go)) {
        CloseHandle(nul);
        return fail("no go-ahead");
    }
    const Clock::time_point start = Clock::now();
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(nul);
        return fail("cannot start xcopy: " + win32::error_text(GetLastError()));
    }
    CloseHandle(pi.hThread);
    CloseHandle(nul);
    const bool ended = WaitForSingleObject(pi.hProcess, 30 * 60 * 1000) == WAIT_OBJECT_0;
    const Clock::time_point end = Clock::now();
    DWORD code = 1;
    if (!ended) TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    if (!ended) return fail("xcopy did not end within 30 minutes");
    if (code != 0) return fail("xcopy ended with code " + std::to_string(code));
    print("ok=1 seconds=" + fixed(seconds_between(start, end), 3));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    const std::string go = argc == 5 ? argv[4] : "";
    if (command == "wizard" && (argc == 4 || argc == 5))
        return measure_wizard(argv[2], std::chrono::seconds(std::atoi(argv[3])), go);
    if (command == "xcopy" && (argc == 4 || argc == 5)) return measure_xcopy(argv[2], argv[3], go);
    print("usage: vorlan_bench wizard MEDIUM TIMEOUT_S [GO] | xcopy SRC DST [GO]");
    return 2;
}
