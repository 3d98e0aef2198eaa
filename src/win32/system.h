#pragma once
// The running process: its folder, the single-instance mark, the way out.

#include <windows.h>

#include <string>

#include "platform/system.h"
#include "win32/handle.h"

namespace vorlan::win32 {

// The class of the hidden window through which a run with no window hears
// of a log-off or shutdown.
inline constexpr wchar_t kSessionWindowClass[] = L"VORLAN.instalar.sesion";

// The folder part of a module path: no trailing separator, except that a
// drive root keeps its own ("D:\").
std::wstring folder_of(const std::wstring& module_path);

class Win32System : public System {
public:
    std::string program_folder() override;
    bool claim_single_instance() override;
    std::string full_path(const std::string& path) override;
    std::string temp_folder() override;
    void console_line(const std::string& line) override;
    [[noreturn]] void end_process() override;
    // In system_end.cpp:
    void watch_for_end() override;
    bool end_requested() override;
    std::vector<KnownFolder> known_folders() override;  // in system_folders.cpp

private:
    // Attaches to the console of the program that started this one, and
    // finds where console lines go.
    void look_up_console();

    // Held for the life of the process: the mark is gone when its last handle is.
    UniqueHandle instance_mark_;
    // Where console lines go: the standard output when it was redirected, else
    // the console of the program that started this one; null when neither.
    HANDLE console_ = nullptr;
    UniqueHandle opened_console_;  // the console's own output, when console_ is that
    bool console_is_file_ = false;
    bool console_looked_up_ = false;
};

}  // namespace vorlan::win32
