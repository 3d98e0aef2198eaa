#include "ui/files.h"

#include <aclapi.h>

#include <algorithm>

#include "ui/wait.h"
#include "win32/handle.h"
#include "win32/text.h"

namespace vorlan::ui {

using win32::narrow;
using win32::UniqueHandle;
using win32::widen;

namespace {

// The "\\?\" form of a full path, built by hand: past 260 characters, and
// never cleaned by the system.
std::wstring raw(const std::string& path) { return L"\\\\?\\" + widen(path); }

template <typename Visit>
void each_entry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAW data;
    const win32::UniqueFind find(FindFirstFileW((raw(folder) + L"\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") visit(narrow(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(find.get(), &data));
}

void files_under(const std::string& root, const std::string& relative, std::vector<std::string>* out) {
    each_entry(relative.empty() ? root : root + "\\" + relative, [&](const std::string& name, bool folder) {
        const std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (folder) files_under(root, rel, out);
        else out->push_back(rel);
    });
}

}  // namespace

bool write_file(const std::string& path, const std::string& bytes) {
    UniqueHandle file(
        CreateFileW(raw(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() && (bytes.empty() ||
                            (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                             written == bytes.size()));
}

std::optional<std::string> read_file(const std::string& path) {
    UniqueHandle file(CreateFileW(raw(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char buf[64 * 1024];
    DWORD got = 0;
    while (ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    return bytes;
}

DWORD attributes(const std::string& path) { return GetFileAttributesW(raw(path).c_str()); }

bool exists(const std::string& path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool make_folders(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryW(raw(path.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW(raw(path).c_str(), nullptr);
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool copy_file(const std::string& from, const std::string& to) {
    return CopyFileW(raw(from).c_str(), raw(to).c_str(), FALSE) != FALSE;
}

bool remove_tree(const std::string& path) {
    const DWORD attrs = attributes(path);
    if (attrs == INVALID_FILE_ATTRIBUTES) return true;
    SetFileAttributesW(raw(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(raw(path).c_str()) != FALSE;
    // The link itself. Wine removes no Unix link itself: its RemoveDirectoryW
    // would remove the empty folder the link leads to.
    if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) return remove_unix_link(path) || RemoveDirectoryW(raw(path).c_str());
    each_entry(path, [&](const std::string& name, bool) { remove_tree(path + "\\" + name); });
    return RemoveDirectoryW(raw(path).c_str()) != FALSE;
}

std::vector<std::string> files_under(const std::string& root) {
    std::vector<std::string> out;
    files_under(root, "", &out);
    std::sort(out.begin(), out.end());
    return out;
}

std::string test_bytes(std::size_t n, unsigned seed) {
    std::string out(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

DWORD everyone_rights(const std::string& path) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR raw_descriptor = nullptr;
    if (GetNamedSecurityInfoW(raw(path).c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list,
                              nullptr, &raw_descriptor) != ERROR_SUCCESS)
        return 0;
    const win32::UniqueLocal<PSECURITY_DESCRIPTOR> descriptor(raw_descriptor);
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    if (!list || !CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size)) return 0;
    DWORD rights = 0;
    for (DWORD i = 0; i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(list, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            !(ace->Header.AceFlags & INHERIT_ONLY_ACE) && EqualSid(&ace->SidStart, everyone))
            rights |= ace->Mask;
    }
    return rights;
}

namespace {

// Starts a Unix command whose words are `words`, Windows paths among them
// marked by a leading '|' and given in their Unix form; false when it
// cannot start (not under Wine). Wine gives no handle to wait on.
bool run_unix(const std::vector<std::string>& words) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unix_name = reinterpret_cast<UnixName>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unix_name) return false;
    std::string line;
    for (const std::string& word : words) {
        std::string unix_word = word;
        if (!word.empty() && word[0] == '|') {
            char* name = unix_name(widen(word.substr(1)).c_str());
            unix_word = name ? name : "";
            HeapFree(GetProcessHeap(), 0, name);
        }
        line += (line.empty() ? "\"" : " \"") + unix_word + "\"";
    }
    // Wine runs a Unix program named by its Unix path as it is.
    std::wstring command = widen(line);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        return false;
    const UniqueHandle process(started.hProcess), thread(started.hThread);
    return true;
}

}  // namespace

bool make_unix_link(const std::string& link, const std::string& target) {
    return run_unix({"/bin/ln", "-s", "|" + target, "|" + link}) &&
           wait_until([&] { return exists(link) && (attributes(link) & FILE_ATTRIBUTE_REPARSE_POINT); });
}

bool remove_unix_link(const std::string& link) {
    return run_unix({"/bin/rm", "|" + link}) && wait_until([&] { return !exists(link); });
}

}  // namespace vorlan::ui
