// instalar.exe: the window, the platform and the core put together.

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "win32/dll_function.h"
#include "win32/file_system.h"
#include "win32/handle.h"
#include "win32/programs.h"
#include "win32/system.h"
#include "win32/text.h"
#include "win32/window.h"
#include "wizard/app.h"
#include "wizard/unattended.h"
#include "wizard/verify_run.h"

namespace {

// The program runs from a removable medium, where anyone may have put a DLL
// beside it: libraries come from the system folder only, and the current
// folder is never searched. The functions are recent updates to older Windows
// versions, so they are looked up rather than imported.
void load_libraries_from_system_only() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
    using vorlan::win32::dll_function;
    if (auto set_default = dll_function<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories")) {
        set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    if (auto set_mode = dll_function<SetSearchPathModeFn>(L"kernel32.dll", "SetSearchPathMode")) {
        set_mode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    }
    SetDllDirectoryW(L"");
}

// Loaded by hand so that the import table names only libraries that are always
// loaded from the system; the manifest still selects version 6.
bool load_common_controls(std::string* err) {
    HMODULE comctl = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search flags refuse the call as a whole.
    if (!comctl && GetLastError() == ERROR_INVALID_PARAMETER) {
        wchar_t system[MAX_PATH];
        const UINT n = GetSystemDirectoryW(system, MAX_PATH);
        if (n > 0 && n < MAX_PATH) comctl = LoadLibraryW((std::wstring(system, n) + L"\\comctl32.dll").c_str());
    }
    if (!comctl) {
        *err = "comctl32.dll: " + vorlan::win32::error_text(GetLastError());
        return false;
    }
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void (*)()>(GetProcAddress(comctl, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    if (!init || !init(&classes)) {
        *err = "InitCommonControlsEx: " + vorlan::win32::error_text(GetLastError());
        return false;
    }
    return true;
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
    // A medium taken out, or a disc the drive cannot read, fails the file
    // being read, with its reason; Windows' own "no disk" box would stop the
    // copy until someone answers it.
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const vorlan::CommandLine line = vorlan::parse_command_line(arguments());
    vorlan::win32::Win32System system;
    vorlan::win32::Win32FileSystem fs;
    vorlan::win32::Win32Programs programs;
    if (line.unattended) return vorlan::run_unattended(fs, system, line);
    if (line.verify) return vorlan::run_verify(fs, system, line);
    if (!line.error.empty() || line.help) {
        const std::wstring text =
            vorlan::win32::widen((line.error.empty() ? "" : line.error + "\n\n") + vorlan::kUsage);
        MessageBoxW(nullptr, text.c_str(), L"VorLan",
                    (line.error.empty() ? MB_ICONINFORMATION : MB_ICONWARNING) | MB_OK | MB_SETFOREGROUND);
        return line.error.empty() ? vorlan::EXIT_INSTALLED : vorlan::EXIT_USAGE;
    }

    std::string err;
    if (!load_common_controls(&err)) {
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
    programs.set_owner(form.hwnd());
    vorlan::App app{form, fs, programs, system, {}};
    if (!line.destination.empty()) app.destination = system.full_path(line.destination);
    form.attach(&app);

    vorlan::Form_Load(app);
    form.show(show_command);
    return form.run();
}
