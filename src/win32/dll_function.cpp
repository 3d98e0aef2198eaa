#include "win32/dll_function.h"

namespace vorlan::win32 {

FARPROC find_dll_function(const wchar_t* dll, const char* name) {
    const HMODULE module = GetModuleHandleW(dll);
    return module ? GetProcAddress(module, name) : nullptr;
}

}  // namespace vorlan::win32
