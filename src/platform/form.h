#pragma once
// The window as the core sees it: controls addressed by id, one property at a time.
// The Win32 window implements it; tests use a recording fake.

#include <cstdint>
#include <functional>
#include <string>

namespace vorlan {

// A size or position in twips (1/1440 inch).
struct Twips {
    float width = 0;
    float height = 0;
};

// The part of a screen that windows may use (the screen less the taskbar and
// other docked bars), in twips from the primary screen's top-left corner.
struct WorkArea {
    float left = 0;
    float top = 0;
    Twips size;
};

// Message box styles and answers, with the platform's numbers.
enum : int {
    MB_STYLE_STOP = 16,         // stop icon, OK
    MB_STYLE_WARN = 48,         // warning icon, OK
    MB_STYLE_WARN_YES_NO = 52,  // warning icon, Yes and No, Yes the default
    MB_STYLE_INFO = 64,         // information icon, OK
    ANSWER_OK = 1,
    ANSWER_YES = 6,
    ANSWER_NO = 7,
};

class Form {
public:
    virtual ~Form() = default;

    virtual void set_visible(int id, bool visible) = 0;
    virtual bool visible(int id) const = 0;
    virtual void set_enabled(int id, bool enabled) = 0;
    virtual bool enabled(int id) const = 0;

    // Caption of a button or label, text of a text box. UTF-8.
    virtual void set_text(int id, const std::string& text) = 0;
    virtual std::string text(int id) const = 0;

    // Option buttons. Setting the state never runs a click handler.
    virtual void set_checked(int id, bool checked) = 0;
    virtual bool checked(int id) const = 0;

    // List boxes.
    virtual void list_add(int id, const std::string& line) = 0;
    virtual void list_clear(int id) = 0;
    virtual int list_count(int id) const = 0;
    virtual std::string list_line(int id, int index) const = 0;
    virtual void list_set_line(int id, int index, const std::string& line) = 0;
    // Selects a line and scrolls it into view.
    virtual void list_select(int id, int index) = 0;

    // Progress bars, 0 to 100.
    virtual void set_progress(int id, double percent) = 0;

    // Colours in 0x00BBGGRR form.
    virtual void set_back_color(int id, std::uint32_t bgr) = 0;
    virtual void set_fore_color(int id, std::uint32_t bgr) = 0;
    virtual void set_bold(int id, bool bold) = 0;

    // Modal box; returns the button pressed (ANSWER_*). Lines are separated by "\n".
    virtual int message_box(const std::string& text, int style, const std::string& title) = 0;

    // Lets the window handle pending events (repaint, clicks) and returns.
    // Handlers of the window may run inside it.
    virtual void yield() = 0;

    // A long task as the rest of the system sees it. While Busy the window
    // holds back a log-off, a shutdown and the computer's sleep, and its
    // taskbar button shows the overall bar (ProgressBarT); should the session
    // end all the same, `abandon` runs before the process goes. Done and
    // Failed end the task (Failed leaves the taskbar button in its error
    // state); either flashes the button when the window is not in front.
    enum class Task { Idle, Busy, Done, Failed };
    virtual void set_task(Task task, std::function<void()> abandon = {}) = 0;

    // The window's outer size, the work area of the screen it is on, and a
    // move that keeps the size.
    virtual Twips outer_size() const = 0;
    virtual WorkArea work_area() const = 0;
    virtual void move(std::int32_t left, std::int32_t top) = 0;

    // Puts the keyboard focus on a control, without clicking it (an option
    // stays as it was). A window in the background takes it when it comes
    // back to the front.
    virtual void set_focus(int id) = 0;
};

}  // namespace vorlan
