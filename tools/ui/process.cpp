#include "ui/process.h"

#include "win32/text.h"

namespace vorlan::ui {

using win32::UniqueHandle;
using win32::widen;

Process Process::start(const std::string& exe, const std::string& folder, std::string* err, const std::string& args) {
    Process p;
    std::wstring command = L"\"" + widen(exe) + L"\"" + (args.empty() ? L"" : L" " + widen(args));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(widen(exe).c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, widen(folder).c_str(),
                        &si, &pi)) {
        *err = "cannot start " + exe + ": " + win32::error_text(GetLastError());
        return p;
    }
    const UniqueHandle thread(pi.hThread);
    p.handle_ = UniqueHandle(pi.hProcess);
    p.pid_ = pi.dwProcessId;
    return p;
}

Process Process::adopt(DWORD pid) {
    Process p;
    p.handle_ = UniqueHandle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    p.pid_ = pid;
    return p;
}

bool Process::running() const { return handle_.valid() && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT; }

bool Process::wait_exit(milliseconds timeout) const {
    return handle_.valid() && WaitForSingleObject(handle_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::optional<DWORD> Process::exit_code() const {
    DWORD code = 0;
    if (running() || !handle_.valid() || !GetExitCodeProcess(handle_.get(), &code)) return std::nullopt;
    return code;
}

void Process::terminate() {
    if (!running()) return;
    TerminateProcess(handle_.get(), 1);
    WaitForSingleObject(handle_.get(), 5000);
}

}  // namespace vorlan::ui
