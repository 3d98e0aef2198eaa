// Program starts, seen through the stand-in program, which logs how it was started.

#include "win32/programs.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "ui/files.h"
#include "ui/medium.h"
#include "ui/process.h"
#include "win32/text.h"

namespace vorlan::test {
namespace {

using namespace vorlan::ui;

const std::string kStandin = own_folder() + "\\vorlan_standin.exe";

// Waits for `count` starts in `log` and takes charge of the started processes.
std::vector<StandinStart> wait_starts(const std::string& log, std::size_t count, std::vector<Process>* started) {
    std::vector<StandinStart> starts;
    wait_until([&] { return (starts = standin_starts(log)).size() >= count; }, milliseconds(30000));
    for (const StandinStart& s : starts) started->push_back(Process::adopt(s.pid));
    return starts;
}

TEST(Win32Programs, StartMinimizedRunsExactlyThatFileWithoutArguments) {
    // "mi.exe" beside "mi medio" is what a command line split at the space would run.
    TempFolder tmp;
    ASSERT_TRUE(make_folders(tmp / "mi medio\\aplicacion"));
    ASSERT_TRUE(copy_file(kStandin, tmp / "mi medio\\aplicacion\\vorlan.exe"));
    ASSERT_TRUE(copy_file(kStandin, tmp / "mi.exe"));
    std::vector<Process> started;
    // As the wizard names it when run from a drive root: a doubled separator.
    const std::string path = tmp.path() + "\\\\mi medio\\aplicacion\\vorlan.exe";
    std::string err;
    // The shell would open a document with its own program; it is no setup program.
    ASSERT_TRUE(write_file(tmp / "leeme.txt", "texto"));
    EXPECT_FALSE(win32::Win32Programs().start_minimized(tmp / "leeme.txt", &err));
    ASSERT_TRUE(win32::Win32Programs().start_minimized(path, &err)) << err;
    const auto starts = wait_starts(tmp / "mi medio\\aplicacion\\standin-log.txt", 1, &started);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].show, "2") << "minimised and active";
    const std::string command = starts[0].command_line.substr(0, starts[0].command_line.find_last_not_of(' ') + 1);
    const std::wstring quoted = L"\"" + win32::widen(tmp / "mi medio\\aplicacion\\vorlan.exe") + L"\"";
    EXPECT_EQ(CompareStringOrdinal(win32::widen(command).c_str(), -1, quoted.c_str(), -1, TRUE), CSTR_EQUAL)
        << "no arguments, the program's own path: " << command;
    EXPECT_FALSE(exists(tmp / "standin-log.txt")) << "mi.exe ran";
}

}  // namespace
}  // namespace vorlan::test
