#include "win32/file_system.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <string_view>

#include "win32/handle.h"
#include "win32/long_path.h"
#include "win32/text.h"

namespace vorlan::win32 {

namespace {

// ReadFile and WriteFile take a 32-bit count; larger requests go in pieces.
constexpr std::size_t kMaxIo = std::size_t{1} << 30;

bool fail(std::string* err) {
    DWORD code = GetLastError();
    if (err) *err = error_text(code);
    return false;
}

bool is_folder(const std::wstring& long_name) {
    DWORD a = GetFileAttributesW(long_name.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

class Win32InputFile : public InputFile {
public:
    Win32InputFile(UniqueHandle file, std::uint64_t size) : file_(std::move(file)), size_(size) {}

    std::uint64_t size() const override {
        LARGE_INTEGER n;
        if (!GetFileSizeEx(file_.get(), &n)) return size_;
        return static_cast<std::uint64_t>(n.QuadPart);
    }

    std::uint64_t last_write() const override {
        FILETIME written{};
        if (!GetFileTime(file_.get(), nullptr, nullptr, &written)) return 0;
        return std::uint64_t{written.dwHighDateTime} << 32 | written.dwLowDateTime;
    }

    bool read(void* buf, std::size_t n, std::size_t* got, std::string* err) override {
        *got = 0;
        DWORD moved = 0;
        if (cancelled_) {
            *err = error_text(ERROR_OPERATION_ABORTED);
            return false;
        }
        if (!ReadFile(file_.get(), buf, static_cast<DWORD>(std::min(n, kMaxIo)), &moved, nullptr)) return fail(err);
        *got = moved;
        return true;
    }

    // CancelIoEx ends the synchronous read of another thread on this handle;
    // the flag, a read that had not begun yet (the caller asks again until
    // the reading thread is done).
    void cancel() override {
        cancelled_ = true;
        CancelIoEx(file_.get(), nullptr);
    }

private:
    UniqueHandle file_;
    std::uint64_t size_;  // as measured at the open, for when the query fails
    std::atomic<bool> cancelled_{false};
};

class Win32OutputFile : public OutputFile {
public:
    explicit Win32OutputFile(UniqueHandle file) : file_(std::move(file)) {}

    bool write(const void* buf, std::size_t n, std::string* err) override {
        if (!file_.valid()) {
            *err = error_text(ERROR_INVALID_HANDLE);
            return false;
        }
        auto* p = static_cast<const char*>(buf);
        while (n > 0) {
            DWORD moved = 0;
            if (!WriteFile(file_.get(), p, static_cast<DWORD>(std::min(n, kMaxIo)), &moved, nullptr)) return fail(err);
            // A successful write of nothing would loop for ever.
            if (moved == 0) {
                *err = error_text(ERROR_WRITE_FAULT);
                return false;
            }
            p += moved;
            n -= moved;
        }
        return true;
    }

    bool close(std::string* err) override {
        if (!file_.close()) return fail(err);
        return true;
    }

private:
    UniqueHandle file_;
};

}  // namespace

bool Win32FileSystem::list(const std::string& folder, std::vector<Entry>* out, std::string* err) {
    out->clear();
    std::wstring dir = long_path(folder);
    std::wstring pattern = dir;
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    pattern += L'*';

    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH));
    if (!find.valid()) {
        DWORD code = GetLastError();
        // Only an empty drive root yields no entry at all: every other folder
        // has "." and "..".
        if (code == ERROR_FILE_NOT_FOUND && is_folder(dir)) return true;
        *err = error_text(code);
        return false;
    }
    do {
        std::wstring_view name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        Entry e;
        e.name = narrow(data.cFileName, name.size());
        e.attributes = data.dwFileAttributes;
        e.is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!e.is_folder) e.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
        if (!e.is_folder)
            e.last_write =
                std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 | data.ftLastWriteTime.dwLowDateTime;
        out->push_back(std::move(e));
    } while (FindNextFileW(find.get(), &data));
    DWORD code = GetLastError();
    if (code != ERROR_NO_MORE_FILES) {
        *err = error_text(code);
        return false;
    }
    return true;
}

bool Win32FileSystem::attributes(const std::string& path, std::uint32_t* attrs) {
    DWORD a = GetFileAttributesW(long_path(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    *attrs = a;
    return true;
}

bool Win32FileSystem::set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) {
    // The folder bit describes the entry and cannot be set; and Windows spells
    // "no attribute" as FILE_ATTRIBUTE_NORMAL, refusing a plain 0.
    DWORD a = attrs & ~DWORD{FILE_ATTRIBUTE_DIRECTORY};
    if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileAttributesW(long_path(path).c_str(), a)) return fail(err);
    return true;
}

bool Win32FileSystem::remove_file(const std::string& path, std::string* err) {
    if (!DeleteFileW(long_path(path).c_str())) return fail(err);
    return true;
}

std::unique_ptr<InputFile> Win32FileSystem::open_read(const std::string& path, std::string* err) {
    // Others may read alongside, but a file that some program is writing is
    // refused rather than copied half-changed.
    UniqueHandle file(CreateFileW(long_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        fail(err);
        return nullptr;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        fail(err);
        return nullptr;
    }
    return std::make_unique<Win32InputFile>(std::move(file), static_cast<std::uint64_t>(size.QuadPart));
}

std::unique_ptr<OutputFile> Win32FileSystem::create(const std::string& path, std::string* err) {
    const std::wstring name = long_path(path);
    // The log, which a new run writes anew, and which others may read while
    // the run goes on. CREATE_NEW first: Wine truncates whatever it opens
    // with CREATE_ALWAYS, even a file it has just made, and Linux file systems
    // write a file that was truncated and written again to the disk as soon
    // as it is closed, which makes every close wait.
    UniqueHandle file(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid() && GetLastError() == ERROR_FILE_EXISTS) {
        file = UniqueHandle(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    }
    if (!file.valid()) {
        fail(err);
        return nullptr;
    }
    return std::make_unique<Win32OutputFile>(std::move(file));
}

std::wstring nearest_existing_folder(std::wstring folder) {
    const std::size_t root = volume_root_length(folder);
    while (folder.size() > root && !is_folder(folder)) {
        const std::size_t slash = folder.rfind(L'\\', folder.size() - 2);
        if (slash == std::wstring::npos || slash + 1 < root) break;
        folder.resize(slash + 1);
    }
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder;
}

bool Win32FileSystem::make_folders(const std::string& path, std::string* err) {
    std::wstring cleaned = clean_separators(widen(path));
    std::size_t last = cleaned.rfind(L'\\');
    if (last == std::wstring::npos) return true;
    // The separator stays: "C:" alone would name the current folder of drive C.
    std::wstring folder = long_form(cleaned.substr(0, last + 1));

    std::size_t root = volume_root_length(folder);
    for (std::size_t end = root; end <= folder.size(); ++end) {
        if (end < folder.size() && folder[end] != L'\\') continue;
        if (end == root || folder[end - 1] == L'\\') continue;
        std::wstring step = folder.substr(0, end);
        // Looking first keeps a folder that exists but whose parent refuses
        // creation (access denied) from failing the whole path.
        if (is_folder(step)) continue;
        if (!CreateDirectoryW(step.c_str(), nullptr)) {
            DWORD code = GetLastError();
            if (code == ERROR_ALREADY_EXISTS && is_folder(step)) continue;
            *err = error_text(code);
            return false;
        }
    }
    return true;
}

bool Win32FileSystem::read_ansi_text(const std::string& path, std::size_t most, std::string* utf8, bool* cut,
                                     std::string* err) {
    utf8->clear();
    *cut = false;
    UniqueHandle file(CreateFileW(long_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) return fail(err);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) return fail(err);
    // MultiByteToWideChar counts in int.
    most = std::min<std::size_t>(most, INT_MAX / 2);
    *cut = static_cast<std::uint64_t>(size.QuadPart) > most;
    std::string bytes(*cut ? most : static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t have = 0;
    while (have < bytes.size()) {
        DWORD moved = 0;
        if (!ReadFile(file.get(), bytes.data() + have, static_cast<DWORD>(bytes.size() - have), &moved, nullptr))
            return fail(err);
        if (moved == 0) break;  // the file shrank since its size was read
        have += moved;
    }
    bytes.resize(have);
    if (*cut) {
        // Cut after a line feed, which is never part of a character in any ANSI code page.
        const std::size_t end = bytes.rfind('\n');
        if (end != std::string::npos) bytes.resize(end + 1);
    }
    if (bytes.empty()) return true;

    const int count = static_cast<int>(bytes.size());
    // With UTF-8 as the ANSI code page, a readme of the media, written in
    // Windows-1252, is not UTF-8, and would show replacement characters.
    UINT page = CP_ACP;
    if (GetACP() == CP_UTF8 && !MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), count, nullptr, 0))
        page = 1252;
    int n = MultiByteToWideChar(page, 0, bytes.data(), count, nullptr, 0);
    if (n == 0) return fail(err);
    std::wstring text(static_cast<std::size_t>(n), L'\0');
    if (!MultiByteToWideChar(page, 0, bytes.data(), count, text.data(), n)) return fail(err);
    std::string().swap(bytes);  // one copy fewer alive while the UTF-8 is made
    *utf8 = narrow(text);
    return true;
}

}  // namespace vorlan::win32
