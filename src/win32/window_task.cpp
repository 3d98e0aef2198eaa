// A long task as the rest of the system sees it: a log-off or shutdown held
// back, the computer kept awake, the taskbar button's progress and flash.

#include "win32/window.h"

#include "win32/window_parts.h"

namespace vorlan::win32 {

namespace {

// What Windows shows beside the program when it holds back a shutdown.
constexpr wchar_t kBusyReason[] = L"Copiando los datos de VORLAN";

using ShutdownBlockReasonCreateFn = BOOL(WINAPI*)(HWND, LPCWSTR);
using ShutdownBlockReasonDestroyFn = BOOL(WINAPI*)(HWND);

void hold_shutdown(HWND hwnd, bool hold) {
    static const auto create = user32_function<ShutdownBlockReasonCreateFn>("ShutdownBlockReasonCreate");
    static const auto destroy = user32_function<ShutdownBlockReasonDestroyFn>("ShutdownBlockReasonDestroy");
    if (hold && create) create(hwnd, kBusyReason);
    if (!hold && destroy) destroy(hwnd);
}

}  // namespace

void TaskbarButton::show(HWND hwnd, TBPFLAG state, int percent) {
    if (!list_.get()) {
        // Nothing to take back before the first task: no need to ask the shell.
        if (tried_ || state == TBPF_NOPROGRESS) return;
        tried_ = true;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(list_.out())))) {
            list_.reset();
            return;
        }
        if (FAILED(list_->HrInit())) {
            list_.reset();
            return;
        }
    }
    list_->SetProgressState(hwnd, state);
    if (state == TBPF_NORMAL) list_->SetProgressValue(hwnd, static_cast<ULONGLONG>(percent), 100);
}

void Win32Form::set_task(Task task, std::function<void()> abandon) {
    const bool was_busy = task_ == Task::Busy;
    const bool busy = task == Task::Busy;
    task_ = task;
    abandon_ = busy ? std::move(abandon) : nullptr;
    if (busy != was_busy) {
        hold_shutdown(hwnd_, busy);
        // Keeps the computer from sleeping; the screen may still turn off.
        SetThreadExecutionState(busy ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
    }
    show_task_on_taskbar();
    if ((task == Task::Done || task == Task::Failed) && hwnd_ && GetForegroundWindow() != hwnd_) {
        FLASHWINFO flash{sizeof flash, hwnd_, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
}

void Win32Form::show_task_on_taskbar() {
    if (!hwnd_) return;
    const TBPFLAG state = task_ == Task::Busy ? TBPF_NORMAL : task_ == Task::Failed ? TBPF_ERROR : TBPF_NOPROGRESS;
    taskbar_->show(hwnd_, state, at(ProgressBarT).shown_progress);
}

// The session ends although the window said no (a forced shutdown): the
// task's own clean-up runs before the process goes, and the process goes
// at once rather than at the system's time, with the task half done.
LRESULT Win32Form::on_end_session(WPARAM wp) {
    if (!wp || task_ != Task::Busy) return 0;
    std::function<void()> abandon = std::move(abandon_);
    try {
        if (abandon) abandon();
    } catch (...) {
        // Nobody is left to tell.
    }
    ExitProcess(0);
}

}  // namespace vorlan::win32
