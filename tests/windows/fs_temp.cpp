#include "windows/fs_temp.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cwctype>
#include <thread>

#include "win32/handle.h"
#include "win32/text.h"

namespace vorlan::test {

using win32::error_text;
using win32::narrow;
using win32::ScopedHandle;
using win32::widen;

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::string base = narrow(temp, n);
    if (!base.empty() && base.back() == '\\') base.pop_back();
    static int serial = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = base + "\\vorlan-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        if (CreateDirectoryW(raw_name(path_).c_str(), nullptr)) return;
    }
    ADD_FAILURE() << "no temporary folder under " << base;
}

TempFolder::~TempFolder() { raw_remove_tree(raw_name(path_)); }

std::wstring raw_name(const std::string& path) {
    if (path.rfind("\\\\", 0) == 0) return L"\\\\?\\UNC\\" + widen(path.substr(2));
    return L"\\\\?\\" + widen(path);
}

void raw_make_folder(const std::string& path) {
    if (!CreateDirectoryW(raw_name(path).c_str(), nullptr))
        ADD_FAILURE() << "CreateDirectory " << path << ": " << error_text(GetLastError());
}

void raw_write(const std::string& path, const std::string& bytes) {
    ScopedHandle f(CreateFileW(raw_name(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
    if (!f.valid()) {
        ADD_FAILURE() << "create " << path << ": " << error_text(GetLastError());
        return;
    }
    DWORD moved = 0;
    if (!WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &moved, nullptr) || moved != bytes.size())
        ADD_FAILURE() << "write " << path << ": " << error_text(GetLastError());
}

std::string raw_read(const std::string& path) {
    ScopedHandle f(CreateFileW(raw_name(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f.valid()) {
        ADD_FAILURE() << "open " << path << ": " << error_text(GetLastError());
        return {};
    }
    std::string out;
    char buf[65536];
    DWORD moved = 0;
    while (ReadFile(f.get(), buf, sizeof buf, &moved, nullptr) && moved > 0) out.append(buf, moved);
    return out;
}

DWORD raw_attributes(const std::string& path) { return GetFileAttributesW(raw_name(path).c_str()); }

bool raw_exists(const std::string& path) { return raw_attributes(path) != INVALID_FILE_ATTRIBUTES; }

void raw_remove_tree(const std::wstring& raw) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((raw + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring child = raw + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                raw_remove_tree(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(raw.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(raw.c_str());
}

std::string pattern_bytes(std::size_t n, unsigned seed) {
    std::string out(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

bool wait_for(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

std::string own_folder() {
    wchar_t buf[32768];
    DWORD n = GetModuleFileNameW(nullptr, buf, 32768);
    std::string path = narrow(buf, n);
    return path.substr(0, path.rfind('\\'));
}

namespace {

std::wstring lower(std::wstring s) {
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// Runs `act` on every process whose program file's path starts with `prefix`;
// returns how many there were.
int for_processes(const std::string& prefix_utf8, const std::function<void(HANDLE)>& act) {
    std::wstring prefix = lower(widen(prefix_utf8));
    if (prefix.size() < 4) return 0;  // never "everything"
    int found = 0;
    ScopedHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.valid()) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snap.get(), &entry); more; more = Process32NextW(snap.get(), &entry)) {
        ScopedHandle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process.valid()) continue;
        // A process that has ended but is still listed is not running.
        if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) continue;
        wchar_t image[32768];
        DWORD size = 32768;
        if (!QueryFullProcessImageNameW(process.get(), 0, image, &size)) continue;
        if (lower(std::wstring(image, size)).rfind(prefix, 0) != 0) continue;
        act(process.get());
        ++found;
    }
    return found;
}

}  // namespace

int end_processes(const std::string& prefix) {
    return for_processes(prefix, [](HANDLE process) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
    });
}

int running_processes(const std::string& prefix) {
    return for_processes(prefix, [](HANDLE) {});
}

}  // namespace vorlan::test
