#include "win32/deferred_updates.h"

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

DeferredUpdates::DeferredUpdates(std::function<void(MSG&)> dispatch, std::function<void(int, int)> bar_shown)
    : dispatch_(std::move(dispatch)), bar_shown_(std::move(bar_shown)) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    pump_interval_ = frequency.QuadPart / kPumpsPerSecond;
    paint_interval_ = frequency.QuadPart / kPaintsPerSecond;
    show_interval_ = frequency.QuadPart / kShowsPerSecond;
    list_show_interval_ = frequency.QuadPart / kListShowsPerSecond;
}

void DeferredUpdates::add_control(int id, HWND hwnd) { at(id).hwnd = hwnd; }

void DeferredUpdates::paced_yield() {
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
    deferring_ = true;
    if (now.QuadPart - last_show_.QuadPart >= show_interval_) {
        last_show_ = now;
        const bool lists = now.QuadPart - last_list_show_.QuadPart >= list_show_interval_;
        if (lists) last_list_show_ = now;
        show_waiting(lists);
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
        dispatch_(msg);
    }
    QueryPerformanceCounter(&last_pump_);
}

void DeferredUpdates::stop_deferring() {
    deferring_ = false;
    show_waiting();
}

void DeferredUpdates::read_clock_at_next_yield() {
    clock_stride_ = 1;
    calls_to_clock_read_ = 1;
}

void DeferredUpdates::set_text(int id, std::wstring text) {
    Waiting& w = at(id);
    if (deferring_ && design(id).kind == Kind::Text) {
        w.text = std::move(text);
        waiting_ = true;
        return;
    }
    w.text.reset();
    SetWindowTextW(w.hwnd, text.c_str());
}

const std::wstring* DeferredUpdates::waiting_text(int id) const {
    const std::optional<std::wstring>& text = at(id).text;
    return text ? &*text : nullptr;
}

void DeferredUpdates::list_changing(int id) {
    Waiting& w = at(id);
    if (!deferring_ || w.redraw_off || !IsWindowVisible(w.hwnd)) return;
    SendMessageW(w.hwnd, WM_SETREDRAW, FALSE, 0);
    w.redraw_off = true;
    waiting_ = true;
}

void DeferredUpdates::before_show_or_hide(int id) {
    if (at(id).redraw_off) show_waiting();
}

void DeferredUpdates::select(int id, int index) {
    Waiting& w = at(id);
    if (w.redraw_off) {
        w.selection = index;
        return;
    }
    SendMessageW(w.hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool DeferredUpdates::selected_on_screen(int id, int index) const {
    const Waiting& w = at(id);
    return !w.selection && SendMessageW(w.hwnd, LB_GETCURSEL, 0, 0) == index;
}

void DeferredUpdates::forget_selection(int id) { at(id).selection.reset(); }

void DeferredUpdates::set_progress(int id, int position) {
    Waiting& w = at(id);
    if (position != w.progress) read_clock_at_next_yield();
    w.progress = position;
    if (position == w.shown_progress) return;
    if (deferring_) {
        waiting_ = true;
        return;
    }
    show_progress(id, w);
}

void DeferredUpdates::show_progress(int id, Waiting& w) {
    w.shown_progress = w.progress;
    SendMessageW(w.hwnd, PBM_SETPOS, static_cast<WPARAM>(w.progress), 0);
    bar_shown_(id, w.progress);
}

void DeferredUpdates::show_waiting(bool lists) {
    if (!waiting_) return;
    waiting_ = false;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        Waiting& w = controls_[i];
        bool painted = false;
        if (w.redraw_off && !lists) {
            waiting_ = true;
        } else if (w.redraw_off) {
            // Selected while the redraw is still off, so that the list paints once.
            if (w.selection) SendMessageW(w.hwnd, LB_SETCURSEL, static_cast<WPARAM>(*w.selection), 0);
            w.selection.reset();
            w.redraw_off = false;
            SendMessageW(w.hwnd, WM_SETREDRAW, TRUE, 0);
            painted = true;
        }
        if (w.shown_progress != w.progress) {
            show_progress(Picture2 + static_cast<int>(i), w);
            painted = true;
        }
        if (w.text) {
            const std::wstring text = std::move(*w.text);
            w.text.reset();
            SetWindowTextW(w.hwnd, text.c_str());
            painted = true;
        }
        if (painted) answer_sent_messages();
    }
}

void DeferredUpdates::answer_sent_messages() {
    MSG msg;
    if (HIWORD(GetQueueStatus(QS_SENDMESSAGE))) PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace vorlan::win32
