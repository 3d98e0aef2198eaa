// The process's paths and console, for the unattended installation.

#include "win32/system.h"
#include "win32/text.h"
#include "wizard/texts.h"

namespace vorlan::win32 {

std::string Win32System::full_path(const std::string& path) {
    const std::wstring wide = widen(path);
    DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(wide.c_str(), n, out.data(), nullptr);
    if (n == 0 || n >= out.size()) return path;
    out.resize(n);
    // "D:\datos\" names the same folder as "D:\datos"; a drive root keeps its separator.
    while (out.size() > 3 && out.back() == L'\\') out.pop_back();
    return narrow(out);
}

std::string Win32System::temp_folder() {
    wchar_t buffer[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH) return ".";
    std::wstring folder(buffer, n);
    while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
    return narrow(folder);
}

void Win32System::look_up_console() {
    if (console_looked_up_) return;
    console_looked_up_ = true;
    // A windows program has no console of its own. Output redirected by
    // the caller (a script's "> file") is inherited as a handle; a person
    // at a console ("start /wait instalar.exe /datos") is reached through
    // the console of the program that started this one. Attached to that
    // console either way, the process hears its Ctrl+C and its closing.
    // Wine attaches a child to its parent's console by itself: the call then
    // says ERROR_ACCESS_DENIED.
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    const bool redirected =
        out && out != INVALID_HANDLE_VALUE && !GetConsoleMode(out, &mode) && GetFileType(out) != FILE_TYPE_UNKNOWN;
    const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED;
    if (redirected) {
        console_ = out;
        console_is_file_ = true;
    } else if (attached) {
        opened_console_.reset(CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
        console_ = opened_console_.get();
    }
}

void Win32System::console_line(const std::string& line) {
    look_up_console();
    if (!console_) return;
    const std::string text = with_crlf(line + "\n");
    DWORD written = 0;
    if (console_is_file_) {
        WriteFile(console_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        const std::wstring wide = widen(text);
        WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    }
}

}  // namespace vorlan::win32
