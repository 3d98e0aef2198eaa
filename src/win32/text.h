#pragma once
// UTF-8 inside the program, UTF-16 at the Windows API.

#include <windows.h>

#include <string>

namespace vorlan::win32 {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);
std::string narrow(const wchar_t* utf16, std::size_t n);
// The message of a GetLastError() code, in the system's language.
std::string error_text(DWORD code);

// Text as a multi-line edit control shows it: every line break as CR LF.
std::wstring with_crlf(const std::wstring& text);

}  // namespace vorlan::win32
