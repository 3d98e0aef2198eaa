#include "win32/busy_task.h"

#include "win32/dll_function.h"

namespace vorlan::win32 {

namespace {

// What Windows shows beside the program when it blocks a shutdown.
constexpr wchar_t kBusyReason[] = L"Copiando los datos de VORLAN";

using ShutdownBlockReasonCreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
using ShutdownBlockReasonDestroyFn = BOOL(WINAPI*)(HWND);

void block_shutdown(HWND hwnd, bool block) {
    static const auto create = dll_function<ShutdownBlockReasonCreateFn>(L"user32.dll", "ShutdownBlockReasonCreate");
    static const auto destroy = dll_function<ShutdownBlockReasonDestroyFn>(L"user32.dll", "ShutdownBlockReasonDestroy");
    if (block && create) create(hwnd, kBusyReason);
    if (!block && destroy) destroy(hwnd);
}

}  // namespace

void BusyTask::set(Task task, std::function<void()> abandon) {
    const bool was_busy = busy();
    task_ = task;
    abandon_ = busy() ? std::move(abandon) : nullptr;
    if (busy() != was_busy) {
        block_shutdown(hwnd_, busy());
        // Keeps the computer from sleeping; the screen may still turn off.
        SetThreadExecutionState(busy() ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
    }
    show_on_taskbar();
    if ((task == Task::Done || task == Task::Failed) && hwnd_ && GetForegroundWindow() != hwnd_) {
        FLASHWINFO flash{sizeof flash, hwnd_, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
}

void BusyTask::show_progress(int percent) {
    percent_ = percent;
    if (busy()) show_on_taskbar();
}

void BusyTask::renew_taskbar_button() {
    taskbar_asked_ = false;
    taskbar_.reset();
    show_on_taskbar();
}

void BusyTask::show_on_taskbar() {
    if (!hwnd_) return;
    const TBPFLAG state = busy() ? TBPF_NORMAL : task_ == Task::Failed ? TBPF_ERROR : TBPF_NOPROGRESS;
    if (!taskbar_) {
        // Nothing to take back before the first task: no need to ask the shell.
        if (taskbar_asked_ || state == TBPF_NOPROGRESS) return;
        taskbar_asked_ = true;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(taskbar_.out()))) ||
            FAILED(taskbar_->HrInit())) {
            taskbar_.reset();
            return;
        }
    }
    taskbar_->SetProgressState(hwnd_, state);
    if (state == TBPF_NORMAL) taskbar_->SetProgressValue(hwnd_, static_cast<ULONGLONG>(percent_), 100);
}

// The session ends although the window said no (a forced shutdown): the
// task's own clean-up runs before the process goes, and the process goes
// at once rather than at the system's time, with the task half done.
LRESULT BusyTask::on_end_session(WPARAM ending) {
    if (!ending || !busy()) return 0;
    std::function<void()> abandon = std::move(abandon_);
    try {
        if (abandon) abandon();
    } catch (...) {
        // Nobody is left to tell.
    }
    ExitProcess(0);
}

}  // namespace vorlan::win32
