#include "win32/programs.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>

#include "win32/text.h"
#include "windows/fs_temp.h"

namespace vorlan::test {
namespace {

using namespace std::chrono_literals;
using win32::Win32Programs;

constexpr auto kStartLimit = 30s;

std::string standin() { return own_folder() + "\\vorlan_standin.exe"; }

void copy_program(const std::string& from, const std::string& to) {
    ASSERT_TRUE(CopyFileW(raw_name(from).c_str(), raw_name(to).c_str(), FALSE))
        << from << " -> " << to << ": " << win32::error_text(GetLastError());
}

// One start as the stand-in records it: "pid=... show=... cmd=...".
struct StandinStart {
    std::string show;
    std::string cmd;
};

std::vector<StandinStart> standin_starts(const std::string& log) {
    std::vector<StandinStart> out;
    if (!raw_exists(log)) return out;
    std::string text = raw_read(log);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) break;  // a line still being written
        std::string line = text.substr(at, end - at);
        at = end + 2;
        std::size_t show = line.find(" show="), cmd = line.find(" cmd=");
        if (show == std::string::npos || cmd == std::string::npos) continue;
        out.push_back({line.substr(show + 6, cmd - show - 6), line.substr(cmd + 5)});
    }
    return out;
}

// The arguments of a command line that starts with a quoted program path.
std::string arguments(const std::string& cmd) {
    if (cmd.empty() || cmd[0] != '"') return "(unquoted) " + cmd;
    std::size_t close = cmd.find('"', 1);
    if (close == std::string::npos) return "(unclosed) " + cmd;
    std::string rest = cmd.substr(close + 1);
    std::size_t first = rest.find_first_not_of(' ');
    return first == std::string::npos ? "" : rest.substr(first);
}

std::string program_of(const std::string& cmd) {
    std::size_t close = cmd.find('"', 1);
    return cmd.size() > 1 && cmd[0] == '"' && close != std::string::npos ? cmd.substr(1, close - 1) : cmd;
}

class Win32ProgramsTest : public ::testing::Test {
protected:
    // Whatever the test started from its folder ends before the folder goes.
    ~Win32ProgramsTest() override { end_processes(tmp.path() + "\\"); }

    TempFolder tmp;
    Win32Programs programs;
    std::string err;
};

TEST_F(Win32ProgramsTest, StartMinimizedRefusesWhatIsNotAProgram) {
    EXPECT_FALSE(programs.start_minimized(tmp / "aplicacion\\vorlan.exe", &err));
    EXPECT_NE(err, "");

    // The shell would open a folder in a window and a document with its own
    // program; neither is the setup program.
    raw_make_folder(tmp / "carpeta.exe");
    err.clear();
    EXPECT_FALSE(programs.start_minimized(tmp / "carpeta.exe", &err));
    EXPECT_NE(err, "");
    EXPECT_EQ(err.find("%1"), std::string::npos) << err;

    raw_write(tmp / "leeme.txt", "texto");
    err.clear();
    EXPECT_FALSE(programs.start_minimized(tmp / "leeme.txt", &err));
    EXPECT_NE(err, "");

    // A file named like a program that is none.
    raw_write(tmp / "falso.exe", "esto no es un programa");
    err.clear();
    EXPECT_FALSE(programs.start_minimized(tmp / "falso.exe", &err));
    EXPECT_NE(err, "");
}

TEST_F(Win32ProgramsTest, StartMinimizedRunsExactlyThatFileWithoutArguments) {
    ASSERT_TRUE(raw_exists(standin())) << standin();
    // "mi.exe" beside "mi medio" is what a command line split at the space would run.
    raw_make_folder(tmp / "mi medio");
    raw_make_folder(tmp / "mi medio\\aplicacion");
    copy_program(standin(), tmp / "mi medio\\aplicacion\\vorlan.exe");
    copy_program(standin(), tmp / "mi.exe");
    std::string log = tmp / "mi medio\\aplicacion\\standin-log.txt";

    // As the wizard names it when run from a drive root: a doubled separator.
    std::string path = tmp.path() + "\\\\mi medio\\aplicacion\\vorlan.exe";
    ASSERT_TRUE(programs.start_minimized(path, &err)) << err;
    ASSERT_TRUE(wait_for([&] { return !standin_starts(log).empty(); }, kStartLimit)) << "the program never started";

    auto starts = standin_starts(log);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].show, "2") << "minimised and active";
    EXPECT_EQ(arguments(starts[0].cmd), "") << starts[0].cmd;
    EXPECT_EQ(CompareStringOrdinal(win32::widen(program_of(starts[0].cmd)).c_str(), -1,
                                   win32::widen(tmp / "mi medio\\aplicacion\\vorlan.exe").c_str(), -1, TRUE),
              CSTR_EQUAL)
        << starts[0].cmd;
    EXPECT_FALSE(raw_exists(tmp / "standin-log.txt")) << "mi.exe ran";

    // Not awaited: the program is still running when the start returns, and a
    // second start makes a second instance.
    ASSERT_TRUE(programs.start_minimized(path, &err)) << err;
    EXPECT_TRUE(wait_for([&] { return standin_starts(log).size() == 2; }, kStartLimit));
    EXPECT_EQ(end_processes(tmp / "mi medio\\"), 2);
}

TEST_F(Win32ProgramsTest, SystemToolRunsHiddenWithItsArguments) {
    std::string out = tmp / "salida de cmd.txt";
    ASSERT_TRUE(programs.start_system_tool_hidden("cmd.exe", "/c echo x> \"" + out + "\"", &err)) << err;
    ASSERT_TRUE(wait_for([&] { return raw_exists(out) && raw_read(out).find("x") != std::string::npos; }, kStartLimit))
        << "cmd.exe did not write " << out;
    EXPECT_EQ(raw_read(out).substr(0, 1), "x");
}

TEST_F(Win32ProgramsTest, SystemToolOnlyFromTheSystemFolder) {
    EXPECT_FALSE(programs.start_system_tool_hidden("..\\system32\\cmd.exe", "/c exit", &err));
    EXPECT_NE(err, "");
    err.clear();
    EXPECT_FALSE(programs.start_system_tool_hidden("C:\\windows\\system32\\cmd.exe", "/c exit", &err));
    EXPECT_NE(err, "");
    err.clear();
    EXPECT_FALSE(programs.start_system_tool_hidden("", "", &err));
    EXPECT_NE(err, "");

    err.clear();
    EXPECT_FALSE(programs.start_system_tool_hidden("vorlan-no-existe.exe", "", &err));
    EXPECT_NE(err, "");
}

// A stand-in placed in the system folder shows how the tool is started.
TEST_F(Win32ProgramsTest, SystemToolCommandLineAndShowState) {
    wchar_t buf[MAX_PATH];
    UINT n = GetSystemDirectoryW(buf, MAX_PATH);
    std::string system = win32::narrow(buf, n);
    std::string name = "vorlan-sustituto-" + std::to_string(GetCurrentProcessId()) + ".exe";
    std::string program = system + "\\" + name;
    std::string log = system + "\\standin-log.txt";
    if (raw_exists(log)) GTEST_SKIP() << log << " is already there";
    if (!CopyFileW(raw_name(standin()).c_str(), raw_name(program).c_str(), TRUE))
        GTEST_SKIP() << "the system folder is not writable here";
    struct CleanUp {
        std::string program, log;
        ~CleanUp() {
            end_processes(program);
            DeleteFileW(raw_name(program).c_str());
            DeleteFileW(raw_name(log).c_str());
        }
    } clean_up{program, log};

    ASSERT_TRUE(programs.start_system_tool_hidden(name, "C:\\vorlan /T /E /C /G Todos:F", &err)) << err;
    ASSERT_TRUE(wait_for([&] { return !standin_starts(log).empty(); }, kStartLimit));
    auto starts = standin_starts(log);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].show, "0") << "hidden";
    EXPECT_EQ(starts[0].cmd, "\"" + program + "\" C:\\vorlan /T /E /C /G Todos:F");
}

}  // namespace
}  // namespace vorlan::test
