// Paths as the wide-character API takes them: in their "\\?\" form, which
// reaches past 260 characters and which the system takes name for name.

#include "win32/long_path.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

#include "win32/text.h"

namespace vorlan::win32 {

namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";

bool starts_with(const std::wstring& s, std::wstring_view prefix) {
    return s.size() >= prefix.size() && std::wstring_view(s).substr(0, prefix.size()) == prefix;
}

std::wstring full_path(const std::wstring& path) {
    DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring out(n, L'\0');
    n = GetFullPathNameW(path.c_str(), n, out.data(), nullptr);
    if (n == 0 || n >= out.size()) return path;
    out.resize(n);
    return out;
}

bool has_dot_steps(const std::wstring& p) {
    return p.find(L"\\.\\") != std::wstring::npos || p.find(L"\\..\\") != std::wstring::npos || p.ends_with(L"\\.") ||
           p.ends_with(L"\\..");
}

bool is_drive_absolute(const std::wstring& p) {
    const bool letter = p.size() >= 3 && ((p[0] >= L'A' && p[0] <= L'Z') || (p[0] >= L'a' && p[0] <= L'z'));
    return letter && p[1] == L':' && p[2] == L'\\' && !has_dot_steps(p);
}

}  // namespace

// The program itself passes "D:\\vorlan" when it runs from a drive root, and a
// "\\?\" name gets no such cleaning from Windows.
std::wstring clean_separators(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    std::size_t keep = 0;
    if (starts_with(path, kLongPrefix) || starts_with(path, kDevicePrefix)) {
        keep = kLongPrefix.size();
    } else if (starts_with(path, L"\\\\")) {
        keep = 2;
    }
    std::wstring out = path.substr(0, keep);
    for (std::size_t i = keep; i < path.size(); ++i) {
        if (path[i] == L'\\' && !out.empty() && out.back() == L'\\') continue;
        out.push_back(path[i]);
    }
    return out;
}

std::wstring long_path(const std::string& path) { return long_form(clean_separators(widen(path))); }

std::wstring long_form(const std::wstring& cleaned) {
    if (starts_with(cleaned, kLongPrefix) || starts_with(cleaned, kDevicePrefix)) return cleaned;
    // An absolute path goes to the system exactly as the listing spelled its
    // names: GetFullPathNameW would strip a trailing dot or space from a name
    // ("a." read as "a"), and the copy would read or write another file.
    if (is_drive_absolute(cleaned)) return std::wstring(kLongPrefix) + cleaned;
    if (starts_with(cleaned, L"\\\\") && cleaned.size() > 2 && cleaned[2] != L'\\' && !has_dot_steps(cleaned))
        return std::wstring(kLongUncPrefix) + cleaned.substr(2);
    std::wstring full = full_path(cleaned);
    if (starts_with(full, L"\\\\")) return std::wstring(kLongUncPrefix) + full.substr(2);
    return std::wstring(kLongPrefix) + full;
}

std::size_t volume_root_length(const std::wstring& path) {
    std::size_t start;
    int parts;
    if (starts_with(path, kLongUncPrefix)) {
        start = kLongUncPrefix.size();
        parts = 2;
    } else if (starts_with(path, kLongPrefix) || starts_with(path, kDevicePrefix)) {
        start = kLongPrefix.size();
        parts = 1;
    } else {
        return 0;
    }
    std::size_t pos = start;
    for (int i = 0; i < parts; ++i) {
        pos = path.find(L'\\', pos);
        if (pos == std::wstring::npos) return path.size();
        ++pos;
    }
    return pos;
}

}  // namespace vorlan::win32
