#pragma once
// A long task as the rest of the system sees it. While the data are copied a
// log-off or shutdown is held back, the computer is kept awake and the
// taskbar button shows the overall bar; a session that ends all the same
// (a forced shutdown) abandons the task before the process goes. A task that
// ends, well or badly, flashes the button of a window in the background.

#include <windows.h>

#include <shobjidl.h>

#include <functional>

#include "platform/form.h"
#include "win32/handle.h"

namespace vorlan::win32 {

class BusyTask {
public:
    using Task = Form::Task;

    BusyTask() = default;
    BusyTask(const BusyTask&) = delete;
    BusyTask& operator=(const BusyTask&) = delete;

    // The window the task is shown on; nothing shows on the taskbar before.
    void attach(HWND hwnd) { hwnd_ = hwnd; }
    Task task() const { return task_; }
    bool busy() const { return task_ == Task::Busy; }
    // `abandon` is kept while the task is Busy: it runs if the session ends all the same.
    void set(Task task, std::function<void()> abandon);
    // The overall bar as the window shows it now; the taskbar button follows it while busy.
    void show_progress(int percent);
    // The shell has made the taskbar button, or made it again after a restart.
    void renew_taskbar_button();

    // WM_QUERYENDSESSION: a log-off or shutdown waits while the task is busy.
    LRESULT on_query_end_session() const { return busy() ? FALSE : TRUE; }
    // WM_ENDSESSION.
    LRESULT on_end_session(WPARAM ending);

private:
    void show_on_taskbar();

    HWND hwnd_ = nullptr;
    Task task_ = Task::Idle;
    std::function<void()> abandon_;
    int percent_ = 0;
    // Where the shell lacks the interface (Wine may), the button shows nothing.
    UniqueCom<ITaskbarList3> taskbar_;
    bool taskbar_asked_ = false;
};

}  // namespace vorlan::win32
