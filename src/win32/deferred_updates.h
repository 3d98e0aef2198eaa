#pragma once
// What a handler that runs long (the copy) changes in the window, shown at a
// pace the window can keep up with.
//
// Under Wine a list box repaints its selected lines and its themed scroll bar
// at once for every line added, replaced or selected, a progress bar repaints
// itself at every move, and a text box takes a round of notifications for
// every text: for a copy of small files, all that costs more than the copy.
// So while a handler yields, a visible list keeps its redraw off and its
// selection waits, bars and text boxes keep their new value, and all of it is
// shown in one go a few times a second, when the handler returns, and before
// a message box. The yields are paced as well: the queue is pumped, the
// window repainted and the clock read only as often as the rates in the .cpp
// say, each with its measured reason.

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "wizard/controls.h"

namespace vorlan::win32 {

class DeferredUpdates {
public:
    // `dispatch` runs one queued message through the window; `bar_shown`
    // hears of every position a bar shows (the taskbar button mirrors one).
    DeferredUpdates(std::function<void(MSG&)> dispatch, std::function<void(int id, int position)> bar_shown);
    DeferredUpdates(const DeferredUpdates&) = delete;
    DeferredUpdates& operator=(const DeferredUpdates&) = delete;

    void add_control(int id, HWND hwnd);

    // A handler lets the window run: from now until stop_deferring() updates
    // wait. Called once per kilobyte of a copy: most calls return at once.
    void yield() {
        if (--calls_to_clock_read_ > 0) return;
        paced_yield();
    }
    // The handler has returned, or shows a message box: the window shows
    // where things stand, and changes take effect at once until the next yield.
    void stop_deferring();
    // A new line or a moved bar means a new file or a new stretch of one: the
    // calls that follow may come at another pace, so the next yield reads the
    // clock whatever the calls before it did.
    void read_clock_at_next_yield();

    // Any control's text; a text box's waits while deferring.
    void set_text(int id, std::wstring text);
    // The text a control will show, when it waits; null when none does.
    const std::wstring* waiting_text(int id) const;

    // A list is about to change: while deferring, a visible list's redraw goes off.
    void list_changing(int id);
    // Windows keeps a window with its redraw off as hidden: the list says it
    // is visible all the same, and shows what waits before it is shown or hidden.
    bool redraw_off(int id) const { return at(id).redraw_off; }
    void before_show_or_hide(int id);
    void select(int id, int index);
    // Whether line `index` is the one selected on screen; never while a
    // selection waits, which is the one that counts and is shown later anyway.
    bool selected_on_screen(int id, int index) const;
    void forget_selection(int id);

    // A bar's position in whole percent; while deferring, it waits.
    void set_progress(int id, int position);

private:
    struct Waiting {
        HWND hwnd = nullptr;
        int progress = 0;                  // bars: the position as last set
        int shown_progress = 0;            // and as the bar shows it
        bool redraw_off = false;           // lists: WM_SETREDRAW is off
        std::optional<int> selection;      // lists: a selection not shown yet
        std::optional<std::wstring> text;  // text boxes: a text not shown yet
    };

    void paced_yield();
    // Each control's update paints it at once; messages sent from elsewhere
    // are answered between two of them. Lists wait for their own rate.
    void show_waiting(bool lists = true);
    void show_progress(int id, Waiting& w);
    void answer_sent_messages();
    Waiting& at(int id) { return controls_.at(static_cast<std::size_t>(id - Picture2)); }
    const Waiting& at(int id) const { return controls_.at(static_cast<std::size_t>(id - Picture2)); }

    std::function<void(MSG&)> dispatch_;
    std::function<void(int, int)> bar_shown_;
    std::array<Waiting, kControlCount> controls_{};
    bool deferring_ = false;  // a handler is running and yielding
    bool waiting_ = false;    // some update waits to be shown
    // Performance-counter ticks between two pumps of the queue, two pumps
    // that repaint, and two showings of what waits, of lists and of the rest.
    LONGLONG pump_interval_ = 0, paint_interval_ = 0, show_interval_ = 0, list_show_interval_ = 0;
    LARGE_INTEGER last_pump_{}, last_paint_{}, last_show_{}, last_list_show_{};
    LARGE_INTEGER last_clock_read_{};
    int clock_stride_ = 1;         // calls of yield() between two clock reads
    int calls_to_clock_read_ = 1;  // calls left until the next
};

}  // namespace vorlan::win32
