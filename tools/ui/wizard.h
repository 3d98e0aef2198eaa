#pragma once
// The real instalar.exe driven from outside, as a user would: started on a
// medium, its controls read and clicked by id, its boxes answered.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/box.h"
#include "ui/medium.h"
#include "ui/process.h"
#include "ui/wait.h"

namespace vorlan::ui {

inline constexpr const char* kWindowCaption = "Instalar la aplicación VORLAN";

// The wizard's window, seen from outside.
class Wizard {
public:
    // Starts instalar.exe of `medium` and waits for its window.
    explicit Wizard(const Medium& medium, milliseconds timeout = kWait);
    // Finds a wizard that is already running (started by someone else); never ends it.
    static std::optional<Wizard> find(milliseconds timeout = kWait);

    const std::string& error() const { return error_; }
    HWND hwnd() const { return hwnd_; }
    DWORD pid() const { return pid_; }

    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    bool visible(int id) const { return IsWindowVisible(control(id)) != FALSE; }
    bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    std::string text(int id) const;  // caption or text, UTF-8
    bool checked(int id) const;
    std::vector<std::string> lines(int id) const;
    int progress(int id) const;
    // The control's rectangle in the window's client coordinates, pixels.
    RECT rect(int id) const;
    SIZE client_size() const;
    RECT window_rect() const;
    // Id of the control with the keyboard focus, 0 for none.
    int focus_id() const;

    // Clicks a button or option (BM_CLICK), or a label (STN_CLICKED to the window).
    // Posted: the handler may open a modal box.
    void click(int id) const;
    void post_close() const { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }
    void post_system_close() const { PostMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0); }

    std::optional<Box> wait_box(milliseconds timeout = kWait) const;
    // The open box, if there is one now.
    std::optional<Box> box() const;

    bool wait_visible(int id, bool visible = true, milliseconds timeout = kWait) const;
    // From the first page to the copy page, choosing the data: empty when it
    // shows, or the step that failed.
    std::string open_copy_page() const;
    bool wait_exit(milliseconds timeout = kWait) const { return process_ && process_.wait_exit(timeout); }
    bool running() const { return process_ ? process_.running() : IsWindow(hwnd_) != FALSE; }

private:
    Wizard() = default;
    Process process_;
    DWORD pid_ = 0;
    HWND hwnd_ = nullptr;
    std::string error_;
};

}  // namespace vorlan::ui
