#pragma once
// Drives the real instalar.exe from outside, as a user would: builds a
// distribution medium in a temporary folder, starts the program on it, reads
// and clicks its controls by id and answers its message boxes. Used by the
// Windows tests (its file helpers too), the demo helper and the benchmark.
//
// Every wait has a timeout. A started program is ended by its Process guard
// whatever happens, and a temporary folder is removed when it goes.

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "win32/handle.h"

namespace vorlan::ui {

using std::chrono::milliseconds;
inline constexpr milliseconds kWait{15000};

inline constexpr const char* kWindowCaption = "Instalar la aplicación VORLAN";
inline constexpr const char* kBoxTitle = "VorLan";

// Polls `done` every few milliseconds until it holds or `timeout` passes.
bool wait_until(const std::function<bool()>& done, milliseconds timeout = kWait);

// The folder that holds the running program (the build's bin folder).
std::string own_folder();

// Files through the plain Win32 API, so that what is under test never checks
// itself. Paths in UTF-8, full, of any length.
bool write_file(const std::string& path, const std::string& bytes);
std::optional<std::string> read_file(const std::string& path);
DWORD attributes(const std::string& path);  // INVALID_FILE_ATTRIBUTES when nothing is there
bool exists(const std::string& path);
bool make_folders(const std::string& path);
bool copy_file(const std::string& from, const std::string& to);
// Removes a tree, read-only entries included; true when nothing is left.
bool remove_tree(const std::string& path);
// Every file under `root`, as paths relative to it ("mapas\\z0\\t.png"), sorted.
std::vector<std::string> files_under(const std::string& root);
// `n` bytes that no text conversion or short copy would leave intact.
std::string test_bytes(std::size_t n, unsigned seed);

// A new folder under the user's temporary folder, removed with all it holds.
class TempFolder {
public:
    // `name` ends the folder's name; it may hold spaces and accents.
    explicit TempFolder(const std::string& name = "tmp");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// A distribution medium in a fresh temporary folder: instalar.exe, the
// stand-in as aplicacion\vorlan.exe and a leeme.txt. The data tree vorlan\ is
// the test's to fill.
class Medium {
public:
    explicit Medium(const std::string& name = "soporte");

    // Empty when the medium was made; otherwise what went wrong.
    const std::string& error() const { return error_; }
    const std::string& folder() const { return folder_.path(); }
    std::string path(const std::string& relative) const { return folder_ / relative; }

    bool add_file(const std::string& relative, const std::string& bytes);
    bool add_folder(const std::string& relative) { return make_folders(path(relative)); }

private:
    TempFolder folder_;
    std::string error_;
};

// The readme that a Medium starts with: Spanish, CR LF line ends, in UTF-8
// here and in Windows-1252 on the medium.
extern const char* const kReadme;
// Text from one code page to another (CP_UTF8 for UTF-8).
std::string recode(const std::string& text, UINT from, UINT to);

// One start of the stand-in program, as it logs it in standin-log.txt beside itself.
struct StandinStart {
    DWORD pid = 0;
    std::string show;  // STARTUPINFO's wShowWindow: "2" minimised and active, "0" hidden
    std::string command_line;
};
std::vector<StandinStart> standin_starts(const std::string& log);

// Owns a started process: ends it on destruction unless it has ended already.
class Process {
public:
    Process() = default;
    ~Process() { terminate(); }
    Process(Process&&) = default;
    Process& operator=(Process&&) = default;  // only onto a Process that owns none

    // Starts `exe` with `folder` as its working folder, and `args` after its quoted path.
    static Process start(const std::string& exe, const std::string& folder, std::string* err,
                         const std::string& args = "");
    // Takes charge of a process that something else started (to end it).
    static Process adopt(DWORD pid);

    explicit operator bool() const { return handle_.valid(); }
    DWORD pid() const { return pid_; }
    bool running() const;
    bool wait_exit(milliseconds timeout = kWait) const;
    std::optional<DWORD> exit_code() const;  // once it has ended
    void terminate();

private:
    win32::UniqueHandle handle_;
    DWORD pid_ = 0;
};

// A "VorLan" message box of the program.
class Box {
public:
    explicit Box(HWND hwnd) : hwnd_(hwnd) {}
    HWND hwnd() const { return hwnd_; }
    std::string text() const;
    // "warning", "stop", "information", "none" or "unknown": told apart by the
    // colours the icon is drawn with, so the box must be on screen.
    std::string icon() const;
    // Ids of the box's buttons (IDOK, IDYES, IDNO...), in id order.
    std::vector<int> buttons() const;
    int default_button() const;
    bool open() const { return IsWindow(hwnd_) && IsWindowVisible(hwnd_); }
    // Presses a button by its id; does not wait for the box to close.
    void answer(int id) const;
    // Presses and waits until the box has gone.
    bool answer_and_wait(int id, milliseconds timeout = kWait) const;

private:
    std::string icon_now() const;
    HWND hwnd_;
};

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

// Visible top-level windows of a process with the given class and caption (any when empty).
std::vector<HWND> top_windows(DWORD pid, const std::string& window_class, const std::string& caption);
// The "VorLan" box that process `pid` shows now, if any.
std::optional<Box> find_box(DWORD pid);

}  // namespace vorlan::ui
