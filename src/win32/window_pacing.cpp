// The pace of a handler that yields (a copy): how often the queue is pumped,
// the window repainted and the held updates shown.
//
// Under Wine a list box repaints its selected lines and its themed scroll bar
// at once for every line added, replaced or selected, a progress bar repaints
// itself at every move, and a text box takes a round of notifications for
// every text: for a copy of small files, all that costs more than the copy.
// So while a handler yields, a visible list keeps its redraw off and its
// selection waits, bars and text boxes keep their new value, and all of it is
// shown in one go a few times a second, when the handler returns, and before
// a message box.

#include "win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

namespace vorlan::win32 {

namespace {

// Pumping the queue at most this often keeps a copy fast, and the window
// still answers within a frame.
constexpr LONGLONG kPumpsPerSecond = 200;
// Repainting costs more than answering: pending repaints are done (and, under
// Wine, the window's picture sent to the screen) at this rate only; the pumps
// in between take input and sent messages.
constexpr LONGLONG kPaintsPerSecond = 30;
// What a copy changes in the bars and counters is shown at this rate, in the
// lists at the second: under Wine's default theme a list's showing holds the
// window for over ten milliseconds, mostly to draw its scroll bar, and a
// bar's for two.
constexpr LONGLONG kShowsPerSecond = 5;
constexpr LONGLONG kListShowsPerSecond = 2;
// What the pumps between two repaints take, as a PeekMessage filter and as
// GetQueueStatus flags.
constexpr UINT kInputOnly = PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
constexpr UINT kInputQueued = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_HOTKEY | QS_SENDMESSAGE;
// A flood of input cannot hold a copy up for longer than this many messages.
constexpr int kMostMessagesPerPump = 64;
// Under Wine a read of the clock costs a tenth of a microsecond, as much as
// copying a kilobyte; while yields come much faster than the pumps, the clock
// is read once in up to this many of them.
constexpr int kMostCallsPerClockRead = 64;

}  // namespace

void Win32Form::start_pacing() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    pump_interval_ = frequency.QuadPart / kPumpsPerSecond;
    paint_interval_ = frequency.QuadPart / kPaintsPerSecond;
    show_interval_ = frequency.QuadPart / kShowsPerSecond;
    list_show_interval_ = frequency.QuadPart / kListShowsPerSecond;
}

void Win32Form::yield() {
    // Called once per kilobyte of a copy: most calls return at once.
    if (--calls_to_clock_read_ > 0) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (now.QuadPart - last_clock_read_.QuadPart < pump_interval_ / 16) {
        clock_stride_ = std::min(2 * clock_stride_, kMostCallsPerClockRead);
    } else {
        clock_stride_ = 1;
    }
    calls_to_clock_read_ = clock_stride_;
    last_clock_read_ = now;
    if (now.QuadPart - last_pump_.QuadPart < pump_interval_) return;
    holding_ = true;
    if (now.QuadPart - last_show_.QuadPart >= show_interval_) {
        last_show_ = now;
        const bool lists = now.QuadPart - last_list_show_.QuadPart >= list_show_interval_;
        if (lists) last_list_show_ = now;
        show_held_updates(lists);
    }
    UINT filter = kInputOnly;
    if (now.QuadPart - last_paint_.QuadPart >= paint_interval_) {
        last_paint_ = now;
        filter = 0;
    } else if (!HIWORD(GetQueueStatus(kInputQueued))) {
        // An empty peek is dear under Wine; the status is a cheap first look.
        last_pump_ = now;
        return;
    }
    MSG msg;
    for (int n = 0; n < kMostMessagesPerPump && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | filter); ++n) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
            break;
        }
        dispatch(msg);
    }
    QueryPerformanceCounter(&last_pump_);
}

// A visible list's redraw goes off at its first change while a handler yields.
void Win32Form::hold_redraw(Control& c) {
    if (!holding_ || c.redraw_held || !IsWindowVisible(c.hwnd)) return;
    SendMessageW(c.hwnd, WM_SETREDRAW, FALSE, 0);
    c.redraw_held = true;
    held_ = true;
}

// Each control's update paints it at once; messages sent from elsewhere are
// answered between two of them.
void Win32Form::show_held_updates(bool lists) {
    if (!held_) return;
    held_ = false;
    for (Control& c : controls_) {
        bool painted = false;
        if (c.redraw_held && !lists) {
            held_ = true;
        } else if (c.redraw_held) {
            // Selected while the redraw is still off, so that the list paints once.
            if (c.held_select) SendMessageW(c.hwnd, LB_SETCURSEL, static_cast<WPARAM>(*c.held_select), 0);
            c.held_select.reset();
            c.redraw_held = false;
            SendMessageW(c.hwnd, WM_SETREDRAW, TRUE, 0);
            painted = true;
        }
        if (c.shown_progress != c.progress) {
            c.shown_progress = c.progress;
            SendMessageW(c.hwnd, PBM_SETPOS, static_cast<WPARAM>(c.progress), 0);
            // The taskbar button mirrors the overall bar as shown, at the same pace.
            if (&c == &at(ProgressBarT) && task_ == Task::Busy) show_task_on_taskbar();
            painted = true;
        }
        if (c.held_text) {
            const std::wstring text = std::move(*c.held_text);
            c.held_text.reset();
            SetWindowTextW(c.hwnd, text.c_str());
            painted = true;
        }
        if (painted) answer_sent_messages();
    }
}

// A new line or a moved bar means a new file or a new stretch of one: the
// calls that follow may come at another pace.
void Win32Form::read_clock_at_next_yield() {
    clock_stride_ = 1;
    calls_to_clock_read_ = 1;
}

void Win32Form::answer_sent_messages() {
    MSG msg;
    if (HIWORD(GetQueueStatus(QS_SENDMESSAGE))) PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void Win32Form::release_held_updates() {
    holding_ = false;
    show_held_updates();
}
}  // namespace vorlan::win32
