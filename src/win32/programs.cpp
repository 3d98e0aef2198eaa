#include "win32/programs.h"

#include <windows.h>

#include <shellapi.h>

#include <cwctype>

#include "win32/handle.h"
#include "win32/long_path.h"
#include "win32/text.h"

namespace vorlan::win32 {

namespace {

// Some system messages name the file as "%1".
std::string error_text_for(DWORD code, const std::string& name) {
    std::string text = error_text(code);
    std::size_t at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, name);
    return text;
}

bool has_exe_extension(const std::wstring& path) {
    std::size_t dot = path.rfind(L'.');
    std::size_t sep = path.rfind(L'\\');
    if (dot == std::wstring::npos || (sep != std::wstring::npos && dot < sep)) return false;
    std::wstring ext = path.substr(dot);
    for (auto& c : ext) c = static_cast<wchar_t>(std::towlower(c));
    return ext == L".exe";
}

// ShellExecuteEx does not always set the last error; its older result codes
// then tell what went wrong.
DWORD shell_error(const SHELLEXECUTEINFOW& sei) {
    DWORD code = GetLastError();
    if (code != ERROR_SUCCESS) return code;
    switch (reinterpret_cast<INT_PTR>(sei.hInstApp)) {
        case SE_ERR_FNF: return ERROR_FILE_NOT_FOUND;
        case SE_ERR_PNF: return ERROR_PATH_NOT_FOUND;
        case SE_ERR_ACCESSDENIED: return ERROR_ACCESS_DENIED;
        case SE_ERR_OOM: return ERROR_NOT_ENOUGH_MEMORY;
        case SE_ERR_SHARE: return ERROR_SHARING_VIOLATION;
        case SE_ERR_DLLNOTFOUND: return ERROR_DLL_NOT_FOUND;
        default: return ERROR_BAD_EXE_FORMAT;
    }
}

}  // namespace

bool Win32Programs::start_minimized(const std::string& path, std::string* err) {
    std::wstring file = clean_separators(widen(path));
    std::string shown = narrow(file);

    // The shell would open a folder, or a document with whatever program its
    // type belongs to; only a program file itself may run.
    DWORD attrs = GetFileAttributesW(long_path(path).c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        *err = error_text_for(GetLastError(), shown);
        return false;
    }
    if ((attrs & FILE_ATTRIBUTE_DIRECTORY) || !has_exe_extension(file)) {
        *err = error_text_for(ERROR_BAD_EXE_FORMAT, shown);
        return false;
    }

    // A setup program finds its own files from the current folder.
    std::wstring folder;
    std::size_t sep = file.rfind(L'\\');
    if (sep != std::wstring::npos) folder = file.substr(0, sep + 1);

    // Shell execution may hand the work to COM objects, which need the thread
    // in an apartment.
    ComApartment com;
    // The shell, not CreateProcess, so that a program asking for elevation
    // gets the prompt instead of failing; lpFile names the file and is never
    // split at a space the way a command line would be.
    SHELLEXECUTEINFOW sei = {};
    sei.cbSize = sizeof(sei);
    sei.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    sei.hwnd = owner_;
    sei.lpVerb = L"open";
    sei.lpFile = file.c_str();
    sei.lpParameters = nullptr;
    sei.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    sei.nShow = SW_SHOWMINIMIZED;
    SetLastError(ERROR_SUCCESS);
    if (!ShellExecuteExW(&sei)) {
        *err = error_text_for(shell_error(sei), shown);
        return false;
    }
    UniqueHandle process(sei.hProcess);
    return true;
}

}  // namespace vorlan::win32
