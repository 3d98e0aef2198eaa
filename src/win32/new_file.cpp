#include "win32/new_file.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "win32/handle.h"
#include "win32/long_path.h"
#include "win32/text.h"

namespace vorlan::win32 {

namespace {

// WriteFile takes a 32-bit count; larger requests go in pieces.
constexpr std::size_t kMaxIo = std::size_t{1} << 30;

bool fail(std::string* err, DWORD code = GetLastError()) {
    if (err) *err = error_text(code);
    return false;
}

bool mark_for_deletion(HANDLE file, bool marked) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = marked ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

class Win32NewFile : public NewFile {
public:
    Win32NewFile(UniqueHandle file, std::wstring path, bool marked)
        : file_(std::move(file)), path_(std::move(path)), marked_(marked) {}

    // Not kept: the mark goes with the handle, and so does the file. A file
    // the mark could not be set on is marked now through the handle, which
    // works while another program (an antivirus) has it open too; failing
    // that, it is deleted by name once closed.
    ~Win32NewFile() override {
        if (!file_.valid()) return;
        const bool marked = marked_ || mark_for_deletion(file_.get(), true);
        file_.close();
        if (!marked) DeleteFileW(path_.c_str());
    }

    bool write(const void* buf, std::size_t n, std::string* err) override {
        if (!file_.valid()) return fail(err, ERROR_INVALID_HANDLE);
        auto* p = static_cast<const char*>(buf);
        while (n > 0) {
            DWORD moved = 0;
            if (!WriteFile(file_.get(), p, static_cast<DWORD>(std::min(n, kMaxIo)), &moved, nullptr)) return fail(err);
            // A successful write of nothing would loop for ever.
            if (moved == 0) return fail(err, ERROR_WRITE_FAULT);
            p += moved;
            n -= moved;
        }
        return true;
    }

    bool flush(std::string* err) override { return FlushFileBuffers(file_.get()) || fail(err); }

    bool set_last_write(std::uint64_t time, std::string* err) override {
        FILETIME written{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
        return SetFileTime(file_.get(), nullptr, nullptr, &written) || fail(err);
    }

    bool keep(std::string* err) override {
        if (marked_ && !mark_for_deletion(file_.get(), false)) return fail(err);
        marked_ = false;
        if (!file_.close()) return fail(err);
        return true;
    }

    // Renamed over the older file through its own handle, right after the
    // mark is cleared: a process killed between the two is all that can leave
    // the temporary behind (the next run removes it).
    bool keep_as(const std::string& older, std::string* err) override {
        const std::wstring target = long_path(older);
        // Windows refuses to replace a read-only file; Wine does not, and is
        // made to, so that what the tests show is what Windows does.
        const DWORD attrs = GetFileAttributesW(target.c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY))
            return fail(err, ERROR_ACCESS_DENIED);
        if (marked_ && !mark_for_deletion(file_.get(), false)) return fail(err);
        marked_ = false;
        const std::size_t name_bytes = target.size() * sizeof(wchar_t);
        std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        rename->ReplaceIfExists = TRUE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(name_bytes);
        std::copy_n(target.data(), target.size(), rename->FileName);
        if (!SetFileInformationByHandle(file_.get(), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
            const DWORD code = GetLastError();
            marked_ = mark_for_deletion(file_.get(), true);
            return fail(err, code);
        }
        path_ = target;
        if (!file_.close()) return fail(err);
        return true;
    }

private:
    UniqueHandle file_;
    std::wstring path_;
    bool marked_;
};

}  // namespace

std::unique_ptr<NewFile> create_new_file(const std::wstring& path, bool* exists, std::string* err) {
    // CREATE_NEW alone: a file that only answers to this name (its short
    // name, another case) must never be opened, let alone emptied. It is
    // also the faster way under Wine, which truncates whatever it opens with
    // CREATE_ALWAYS, and Linux file systems write a file truncated and
    // written again to the disk as soon as it is closed.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
        const DWORD code = GetLastError();
        *exists = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
        fail(err, code);
        return nullptr;
    }
    *exists = false;
    // A file system that takes no mark still gets the copy; its file is
    // removed by name should the copy fail.
    const bool marked = mark_for_deletion(file.get(), true);
    return std::make_unique<Win32NewFile>(std::move(file), path, marked);
}

}  // namespace vorlan::win32
