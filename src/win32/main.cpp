// instalar.exe: the window, the platform and the core put together.

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "win32/file_system.h"
#include "win32/handle.h"
#include "win32/programs.h"
#include "win32/system.h"
#include "win32/text.h"
#include "win32/window.h"
#include "wizard/app.h"
#include "wizard/unattended.h"

namespace {

template <class F>
F kernel32_function(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name);
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(found));
}

// The program runs from a removable medium, where anyone may have put a DLL
// beside it: libraries come from the system folder only, and the current
// folder is never searched. The functions are recent updates to older Windows
// versions, so they are looked up rather than imported.
void load_libraries_from_system_only() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
    if (auto set_default = kernel32_function<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
        set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    if (auto set_mode = kernel32_function<SetSearchPathModeFn>("SetSearchPathMode")) {
        set_mode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    }
    SetDllDirectoryW(L"");
}

void report_start_failure(const std::string& reason) {
    const std::wstring text = vorlan::win32::widen("No se puede abrir la ventana del instalador.\n" + reason);
    MessageBoxW(nullptr, text.c_str(), L"VorLan", MB_ICONSTOP | MB_OK | MB_SETFOREGROUND);
}

// The arguments after the program's name, split as Windows programs split
// them: /destino:"D:\datos vorlan" arrives as /destino:D:\datos vorlan.
std::vector<std::string> arguments() {
    std::vector<std::string> out;
    int count = 0;
    const vorlan::win32::UniqueLocal<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &count));
    for (int i = 1; argv && i < count; ++i) out.push_back(vorlan::win32::narrow(argv.get()[i]));
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    load_libraries_from_system_only();
    const vorlan::CommandLine line = vorlan::parse_command_line(arguments());
    vorlan::win32::Win32System system;
    vorlan::win32::Win32FileSystem fs;
    vorlan::win32::Win32Programs programs;
    if (line.unattended) return vorlan::run_unattended(fs, programs, system, line);
    if (!line.error.empty() || line.help) {
        const std::wstring text = vorlan::win32::widen((line.error.empty() ? "" : line.error + "\n\n") + vorlan::kUsage);
        MessageBoxW(nullptr, text.c_str(), L"VorLan",
                    (line.error.empty() ? MB_ICONINFORMATION : MB_ICONWARNING) | MB_OK | MB_SETFOREGROUND);
        return line.error.empty() ? vorlan::EXIT_INSTALLED : vorlan::EXIT_USAGE;
    }

    std::string err;
    if (!vorlan::win32::load_common_controls(&err)) {
        report_start_failure(err);
        return 1;
    }
    // WIC and the shell run in this thread's apartment.
    const vorlan::win32::ComApartment com;

    vorlan::win32::Win32Form form;
    if (!form.create(instance, &err)) {
        report_start_failure(err);
        return 1;
    }
    vorlan::App app{form, fs, programs, system, {}};
    if (!line.destination.empty()) app.destination = system.full_path(line.destination);
    form.attach(&app);

    vorlan::Form_Load(app);
    form.show(show_command);
    return form.run();
}
