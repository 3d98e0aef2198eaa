#include "win32/system.h"

#include "win32/text.h"

namespace vorlan::win32 {

namespace {

// One name for the whole computer: every user's wizard copies to the same
// C:\vorlan. Where this user may not create global objects (a remote session
// without the privilege), the session's own name is the best there is.
constexpr wchar_t kGlobalMarkName[] = L"Global\\VORLAN.instalar.{5B0E6C1D-3F7A-4C52-9E1B-7A2D8C4F6E90}";
constexpr wchar_t kLocalMarkName[] = L"Local\\VORLAN.instalar.{5B0E6C1D-3F7A-4C52-9E1B-7A2D8C4F6E90}";

std::wstring module_path() {
    // The path may be longer than MAX_PATH; a full buffer means it was cut.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

std::wstring folder_of(const std::wstring& module_path) {
    const std::size_t separator = module_path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return {};
    std::wstring folder = module_path.substr(0, separator);
    if (!folder.empty() && folder.back() == L':') folder += L'\\';
    return folder;
}

std::string Win32System::program_folder() { return narrow(folder_of(module_path())); }

bool Win32System::claim_single_instance() {
    // Creating and testing is one step: of two instances started together,
    // exactly one creates the mark.
    HANDLE mark = CreateMutexW(nullptr, FALSE, kGlobalMarkName);
    DWORD error = GetLastError();
    if (!mark && error == ERROR_ACCESS_DENIED) {
        // Denied: either the mark exists, made by an instance of another user
        // or an elevated one, or this user may not make global marks at all.
        const UniqueHandle existing(OpenMutexW(SYNCHRONIZE, FALSE, kGlobalMarkName));
        const DWORD open_error = GetLastError();
        if (existing || open_error != ERROR_FILE_NOT_FOUND) return false;
        mark = CreateMutexW(nullptr, FALSE, kLocalMarkName);
        error = GetLastError();
    }
    if (!mark) return error != ERROR_ACCESS_DENIED;  // denied: it exists, made by an elevated instance
    instance_mark_ = UniqueHandle(mark);
    return error != ERROR_ALREADY_EXISTS;
}

void Win32System::end_process() { ExitProcess(0); }

}  // namespace vorlan::win32
