#pragma once
// The wizard's one window: a top-level window and the 27 controls of the
// design table, each a real child window kept by its id.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/form.h"
#include "win32/handle.h"
#include "wizard/app.h"
#include "wizard/controls.h"

namespace vorlan::win32 {

// Design units to pixels at a given DPI: 1440 twips to the inch, 72 points.
int twips_to_pixels(int twips, UINT dpi);
float pixels_to_twips(int pixels, UINT dpi);
// The LOGFONT height of a font of `points`: negative, so that it is the
// character height without the internal leading, as point sizes are meant.
LONG font_height(float points, UINT dpi);
// The face that draws a design face at `dpi`: the first of its candidates
// that is installed, or the first candidate, left to the font mapper, when
// none is. Above 96 DPI a bitmap face is no candidate.
std::wstring face_for(Face face, UINT dpi, const std::function<bool(const std::wstring&)>& installed);
// Text as a multi-line edit control shows it: every line break as CR LF.
std::wstring with_crlf(const std::wstring& text);

// Loads the common controls from the system folder and registers the classes
// the window uses.
bool load_common_controls(std::string* err);

class Fonts;
class Picture;
class TaskbarButton;

class Win32Form : public Form {
public:
    Win32Form();
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    // Builds the window, hidden, with every control in its design state.
    bool create(HINSTANCE instance, std::string* err);
    // From now on clicks and the close command run the core's handlers.
    void attach(App* app) { app_ = app; }
    // Shows the window and puts the focus on the first control in tab order.
    void show(int show_command);
    // Runs the event loop until the window is destroyed; returns the exit code.
    int run();
    HWND hwnd() const { return hwnd_; }
    HWND control(int id) const;

    void set_visible(int id, bool visible) override;
    bool visible(int id) const override;
    void set_enabled(int id, bool enabled) override;
    bool enabled(int id) const override;
    void set_text(int id, const std::string& text) override;
    std::string text(int id) const override;
    void set_checked(int id, bool checked) override;
    bool checked(int id) const override;
    void list_add(int id, const std::string& line) override;
    void list_clear(int id) override;
    int list_count(int id) const override;
    std::string list_line(int id, int index) const override;
    void list_set_line(int id, int index, const std::string& line) override;
    void list_select(int id, int index) override;
    void set_progress(int id, double percent) override;
    void set_back_color(int id, std::uint32_t bgr) override;
    void set_fore_color(int id, std::uint32_t bgr) override;
    void set_bold(int id, bool bold) override;
    int message_box(const std::string& text, int style, const std::string& title) override;
    void yield() override;
    void set_task(Task task, std::function<void()> abandon) override;
    Twips outer_size() const override;
    Twips screen_size() const override;
    void move(std::int32_t left, std::int32_t top) override;

private:
    // What the window keeps for each control beyond what the control itself holds.
    struct Control {
        HWND hwnd = nullptr;
        bool own_back = false, own_fore = false;
        COLORREF back = 0, fore = 0;
        UniqueGdi<HBRUSH> back_brush;  // only with own_back
        bool bold = false;
        int progress = 0;         // the bar's position as last set
        int shown_progress = 0;   // and as the bar shows it
        int widest_line = 0;      // list boxes: pixels, for the horizontal extent
        bool redraw_held = false;              // list boxes: WM_SETREDRAW is off
        std::optional<int> held_select;       // list boxes: a selection not shown yet
        std::optional<std::wstring> held_text;  // text boxes: a text not shown yet
    };

    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp) noexcept;
    LRESULT handle_message(UINT msg, WPARAM wp, LPARAM lp);
    // Tells of an exception that a handler let through; the window goes on.
    void report_unexpected(const char* what) noexcept;

    bool create_controls(std::string* err);
    void stack_controls();
    void apply_dpi(UINT dpi);
    void lay_out();
    void apply_fonts();
    // The title bar's and the taskbar's icons at the sizes of `dpi`.
    void load_icons(UINT dpi);
    SIZE outer_pixels(UINT dpi) const;

    LRESULT on_command(WPARAM wp, LPARAM lp);
    LRESULT on_ctl_color(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT on_dpi_changed(WPARAM wp, LPARAM lp);
    LRESULT on_get_dpi_scaled_size(WPARAM wp, LPARAM lp);
    LRESULT on_activate(WPARAM wp);
    LRESULT on_next_control(WPARAM wp, LPARAM lp);
    LRESULT on_close();
    LRESULT on_end_session(WPARAM wp);
    void forward_to_controls(UINT msg, WPARAM wp, LPARAM lp);

    // Sets the intervals of the pacing from the clock's frequency.
    void start_pacing();
    // Runs one queued message through the keyboard interface and the window.
    void dispatch(MSG& msg);
    // Updates held back while a handler yields: shown now and then, and for
    // good when the handler returns or shows a message box.
    void show_held_updates(bool lists = true);
    void release_held_updates();
    void hold_redraw(Control& c);
    void answer_sent_messages();
    // The next yield() reads the clock whatever the calls before it did.
    void read_clock_at_next_yield();
    // Moves the focus on when the control that holds it is hidden or disabled.
    void move_focus_from(HWND leaving);
    void settle_option_tab_stop();
    void update_list_extent(int id, const std::wstring& line);
    void measure_list(int id);
    HFONT font_of(int id) const;
    // The taskbar button after the task's state and the overall bar as shown.
    void show_task_on_taskbar();

    Control& at(int id);
    const Control& at(int id) const;

    HWND hwnd_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the focus when the window was last deactivated
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    App* app_ = nullptr;
    std::array<Control, kControlCount> controls_{};
    std::unique_ptr<Fonts> fonts_;
    std::unique_ptr<Picture> picture_;
    // Performance-counter ticks between two pumps of the queue, two pumps
    // that repaint, and two showings of held updates, of lists and of the rest.
    LONGLONG pump_interval_ = 0, paint_interval_ = 0, show_interval_ = 0, list_show_interval_ = 0;
    LARGE_INTEGER last_pump_{}, last_paint_{}, last_show_{}, last_list_show_{};
    LARGE_INTEGER last_clock_read_{};
    int clock_stride_ = 1;         // calls of yield() between two clock reads
    int calls_to_clock_read_ = 1;  // calls left until the next
    bool holding_ = false;  // a handler is running and yielding
    bool held_ = false;     // some update waits to be shown
    UniqueDc measure_dc_;      // measures list lines without drawing
    UniqueIcon icons_[2];      // the big and the small icon at the window's DPI
    Task task_ = Task::Idle;
    std::function<void()> abandon_;  // while Busy: what to do if the session ends all the same
    std::unique_ptr<TaskbarButton> taskbar_;
    int handler_depth_ = 0;  // messages being handled, one inside another while a handler yields
};

}  // namespace vorlan::win32
