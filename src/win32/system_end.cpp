// Ending from outside, for the run with no window: Ctrl+C or Ctrl+Break, the
// console closed, a log-off or shutdown. Each sets one flag, which the run
// reads as it yields: it abandons its copy, writes its summary and ends the
// process itself, with exit code 1.

#include <atomic>
#include <thread>

#include "win32/system.h"

namespace vorlan::win32 {

namespace {

std::atomic<bool> asked_to_end{false};

// How long the system's end of the process is held back, for the run to
// abandon its copy (within two seconds, whatever the medium does) and write
// its summary; it ends the process itself before. Windows ends a process
// whose console closed 5 seconds after it is told, and one that holds up a
// log-off when its patience runs out.
constexpr DWORD kHoldEnd = 10000;

BOOL WINAPI on_console_event(DWORD event) {
    asked_to_end = true;
    // Ctrl+C and Ctrl+Break leave the process to end by itself; the others
    // end it as soon as this returns.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) Sleep(kHoldEnd);
    return TRUE;
}

// A program that loads user32 hears of a log-off or shutdown only through
// its top-level windows (a message-only window hears nothing): the run with
// no window keeps a hidden one.
LRESULT CALLBACK session_window(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        // No question to ask and nothing to hold up: the copy is abandoned
        // when the session does end.
        case WM_QUERYENDSESSION: return TRUE;
        case WM_ENDSESSION:
            if (wp) {
                asked_to_end = true;
                Sleep(kHoldEnd);
            }
            return 0;
        default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void watch_the_session() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = session_window;
    window_class.hInstance = instance;
    window_class.lpszClassName = kSessionWindowClass;
    if (!RegisterClassW(&window_class)) return;
    if (!CreateWindowExW(0, kSessionWindowClass, L"VorLan", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr, instance,
                         nullptr))
        return;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
}

}  // namespace

void Win32System::watch_for_end() {
    look_up_console();
    // A process started in a process group of its own ignores Ctrl+C until told otherwise.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(on_console_event, TRUE);
    std::thread(watch_the_session).detach();
}

bool Win32System::end_requested() { return asked_to_end.load(std::memory_order_relaxed); }

}  // namespace vorlan::win32
