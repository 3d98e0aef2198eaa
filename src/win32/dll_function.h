#pragma once
// Functions of newer Windows versions, found at run time so that the program
// still starts on the versions that lack them.

#include <windows.h>

namespace vorlan::win32 {

// The address of `name` in `dll`, a library the process has loaded already
// (kernel32.dll, user32.dll); null where that version of it has no such function.
FARPROC find_dll_function(const wchar_t* dll, const char* name);

template <class F>
F dll_function(const wchar_t* dll, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(find_dll_function(dll, name)));
}

}  // namespace vorlan::win32
