// The real program run unattended and ended from outside in the middle of a
// large file, on real files: killed, Ctrl+C, the session ending. Nothing
// partial is left under any name, an older file stays, and but for a kill
// the log ends with its summary and the exit code is 1.

#include <gtest/gtest.h>

#include "ui/files.h"
#include "ui/medium.h"
#include "ui/process.h"
#include "win32/system.h"
#include "win32/text.h"

namespace vorlan::ui {
namespace {

// A file of `size` bytes made in no time, sparse: long enough to copy that
// the copy is caught in its middle.
bool sparse_file(const std::string& path, long long size) {
    const win32::UniqueHandle f(
        CreateFileW(win32::widen("\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    LARGE_INTEGER at;
    at.QuadPart = size;
    return f.valid() && SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(f.get());
}

// Started in a process group of its own on this process's console, so that
// a Ctrl+C can be sent to it alone.
Process start_in_own_group(const std::string& exe, const std::string& folder, const std::string& args) {
    std::wstring command = L"\"" + win32::widen(exe) + L"\" " + win32::widen(args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(win32::widen(exe).c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP,
                        nullptr, win32::widen(folder).c_str(), &si, &pi))
        return Process();
    Process p = Process::adopt(pi.dwProcessId);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return p;
}

// The hidden window through which the program hears of the session's end.
HWND session_window(DWORD pid) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            wchar_t name[64];
            const int n = GetClassNameW(w, name, 64);
            if (owner == s->pid &&
                std::wstring(name, static_cast<std::size_t>(std::max(n, 0))) == win32::kSessionWindowClass)
                s->found = w;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

long long file_size(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(win32::widen("\\\\?\\" + path).c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool any_temporary(const std::string& folder) {
    for (const std::string& f : files_under(folder))
        if (f.rfind("~vorlan", 0) == 0) return true;
    return false;
}

TEST(UnattendedEnd, EndedFromOutsideMidFileLeavesNothingPartial) {
    enum End { Killed, CtrlC, SessionEnd };
    // Ctrl+C reaches a program on this process's console: a console of its
    // own (Wine gives a program run from a shell one that takes no events).
    FreeConsole();
    AllocConsole();
    SetConsoleCtrlHandler(nullptr, TRUE);
    for (const bool replacing : {false, true}) {
        for (const End end : {Killed, CtrlC, SessionEnd}) {
            SCOPED_TRACE(std::string(replacing ? "replacing, " : "fresh, ") + std::to_string(end));
            Medium medium;
            ASSERT_EQ(medium.error(), "");
            const std::string a = test_bytes(3000, 1);
            ASSERT_TRUE(medium.add_file("vorlan\\a.dat", a) && medium.add_file("vorlan\\grande.dat", ""));
            ASSERT_TRUE(sparse_file(medium.path("vorlan\\grande.dat"), 1ll << 30));
            TempFolder out("fin");
            const std::string dest = out / "datos", log = out / "registro.log";
            if (replacing) {
                ASSERT_TRUE(make_folders(dest) && write_file(dest + "\\a.dat", "viejo") &&
                            write_file(dest + "\\grande.dat", "viejo"));
            }
            std::string args = "/datos /destino:\"" + dest + "\" /registro:\"" + log + "\"";
            if (replacing) args += " /sobrescribir";
            Process p = start_in_own_group(medium.path("instalar.exe"), medium.folder(), args);
            ASSERT_TRUE(p);
            // In the middle of the large file: a.dat reported, the large one being written.
            ASSERT_TRUE(wait_until(
                [&] {
                    const std::string written = read_file(log).value_or("");
                    return written.find("a.dat --> Ok") != std::string::npos &&
                           (replacing ? any_temporary(dest) : exists(dest + "\\grande.dat"));
                },
                milliseconds(60000)));
            if (end == Killed) {
                p.terminate();
            } else if (end == CtrlC) {
                ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, p.pid())) << GetLastError();
            } else {
                HWND window = nullptr;
                ASSERT_TRUE(wait_until([&] { return (window = session_window(p.pid())) != nullptr; }));
                DWORD_PTR answer = 0;
                ASSERT_TRUE(SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG,
                                                5000, &answer));
                EXPECT_EQ(answer, TRUE);
                PostMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
            }
            ASSERT_TRUE(p.wait_exit(milliseconds(30000)));
            const std::vector<std::string> left = files_under(dest);
            const std::vector<std::string> whole =
                replacing ? std::vector<std::string>{"a.dat", "grande.dat"} : std::vector<std::string>{"a.dat"};
            EXPECT_EQ(left, whole);
            EXPECT_EQ(read_file(dest + "\\a.dat"), a);
            // The size first: a copy that went on to the end would be a gibibyte to show.
            if (replacing && file_size(dest + "\\grande.dat") == 5) {
                EXPECT_EQ(read_file(dest + "\\grande.dat"), "viejo");
            } else {
                EXPECT_EQ(file_size(dest + "\\grande.dat"), replacing ? 5 : -1);
            }
            if (end == Killed) continue;
            EXPECT_EQ(p.exit_code(), 1u);
            const std::string written = read_file(log).value_or("");
            EXPECT_NE(written.find("La copia se ha abandonado.\r\nCopiados 1 de 2 archivos"), std::string::npos)
                << written;
        }
    }
}

}  // namespace
}  // namespace vorlan::ui
