#pragma once
// The wizard's one window: a top-level window and the 27 controls of the
// design table, each a real child window kept by its id.

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/form.h"
#include "win32/accessible_names.h"
#include "win32/busy_task.h"
#include "win32/deferred_updates.h"
#include "win32/handle.h"
#include "wizard/app.h"
#include "wizard/controls.h"

namespace vorlan::win32 {

// The option that starts the option group: the first in tab order.
const ControlDesign* first_option();

class Fonts;
class Picture;

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
    // Gives the controls their names for screen readers through `services`,
    // the system's when null (create does that); see AccessibleNames::apply.
    HRESULT name_controls(IAccPropServices* services = nullptr);
    // How the window learns whether high-contrast mode is on: the system's
    // setting unless a test says otherwise (Wine has no such mode). Asked at
    // creation and at every change of the system's settings or colours.
    void set_high_contrast_query(std::function<bool()> query);

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
    WorkArea work_area() const override;
    void move(std::int32_t left, std::int32_t top) override;
    void set_focus(int id) override;

private:
    // What the window keeps for each control beyond what the control itself holds.
    struct Control {
        HWND hwnd = nullptr;
        bool own_back = false, own_fore = false;
        COLORREF back = 0, fore = 0;
        UniqueGdi<HBRUSH> back_brush;  // only with own_back
        bool bold = false;
        int widest_line = 0;  // list boxes: pixels, for the horizontal extent
        float points = 0;     // single-line text boxes: the size their text fits at; 0 for the design's
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
    // The system's settings or colours changed: high contrast may have come or gone.
    void on_look_changed();
    void forward_to_controls(UINT msg, WPARAM wp, LPARAM lp);

    // Runs one queued message through the keyboard interface and the window.
    void dispatch(MSG& msg);
    // Moves the focus on when the control that holds it is hidden or disabled.
    void move_focus_from(HWND leaving);
    // SetFocus that selects no option: see window_look.cpp.
    void focus_quietly(HWND control);
    // A single-line text box's font at the size its whole text fits in its
    // box; `font_set`: the window has just given it the design's font anew.
    void fit_text(int id, bool font_set = false);
    void settle_option_tab_stop();
    void update_list_extent(int id, const std::wstring& line);
    void measure_list(int id);
    HFONT font_of(int id) const;

    Control& at(int id);
    const Control& at(int id) const;

    HWND hwnd_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the focus when the window was last deactivated
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    App* app_ = nullptr;
    std::array<Control, kControlCount> controls_{};
    std::unique_ptr<Fonts> fonts_;
    std::unique_ptr<Picture> picture_;
    UniqueDc measure_dc_;  // measures list lines without drawing
    UniqueIcon icons_[2];  // the big and the small icon at the window's DPI
    BusyTask busy_;
    DeferredUpdates deferred_;
    int handler_depth_ = 0;  // messages being handled, one inside another while a handler yields
    std::function<bool()> high_contrast_query_;
    bool high_contrast_ = false;
    bool focusing_quietly_ = false;
    AccessibleNames names_;
};

}  // namespace vorlan::win32
