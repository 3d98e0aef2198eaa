// instalar.exe: the window, the platform and the core put together.

#include <windows.h>

#include <objbase.h>

#include <string>

#include "win32/file_system.h"
#include "win32/programs.h"
#include "win32/system.h"
#include "win32/text.h"
#include "win32/window.h"
#include "wizard/app.h"

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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
    load_libraries_from_system_only();
    std::string err;
    if (!vorlan::win32::load_common_controls(&err)) {
        report_start_failure(err);
        return 1;
    }
    // WIC and the shell run in this thread's apartment.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    vorlan::win32::Win32Form form;
    if (!form.create(instance, &err)) {
        report_start_failure(err);
        return 1;
    }
    vorlan::win32::Win32System system;
    vorlan::win32::Win32FileSystem fs;
    vorlan::win32::Win32Programs programs;
    vorlan::App app{form, fs, programs, system, {}};
    form.attach(&app);

    vorlan::Form_Load(app);
    form.show(show_command);
    return form.run();
}
