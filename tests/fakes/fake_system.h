#pragma once
// The process and program starts, faked: the folder and the system's own
// folders are set by the test, ending the process unwinds to the test,
// starts are recorded.

#include <functional>
#include <string>
#include <vector>

#include "platform/programs.h"
#include "platform/system.h"

namespace vorlan::test {

// Thrown by FakeSystem::end_process; the core never catches it.
struct ProcessEnded {};

class FakeSystem : public System {
public:
    std::string program_folder() override { return folder; }
    bool claim_single_instance() override { return !another_instance; }
    std::string full_path(const std::string& path) override {
        return path.size() > 1 && path[1] == ':' ? path : current + "\\" + path;
    }
    std::string temp_folder() override { return "C:\\temp"; }
    void console_line(const std::string& line) override { console.push_back(line); }
    [[noreturn]] void end_process() override { throw ProcessEnded{}; }
    void watch_for_end() override { watching = true; }
    bool end_requested() override { return watching && asked_to_end && asked_to_end(); }
    std::vector<KnownFolder> known_folders() override { return known; }

    std::string folder = "E:\\instalar";
    std::string current = "C:\\trabajo";
    std::vector<std::string> console;
    bool another_instance = false;
    bool watching = false;
    std::function<bool()> asked_to_end;  // asked at every end_requested(), once watching
    std::vector<KnownFolder> known = {
        {KnownFolder::Kind::Windows, "C:\\Windows"},
        {KnownFolder::Kind::ProgramFiles, "C:\\Program Files"},
        {KnownFolder::Kind::ProgramFiles, "C:\\Program Files (x86)"},
        {KnownFolder::Kind::ProgramData, "C:\\ProgramData"},
        {KnownFolder::Kind::Users, "C:\\Users"},
        {KnownFolder::Kind::Profile, "C:\\Users\\ana"},
        {KnownFolder::Kind::Profile, "C:\\Users\\Public"},
    };
};

class FakePrograms : public Programs {
public:
    bool start_minimized(const std::string& path, std::string* err) override {
        if (fail) *err = "El sistema no puede encontrar el archivo especificado.";
        else starts.push_back(path);
        return !fail;
    }

    bool fail = false;
    std::vector<std::string> starts;  // the programs started, minimised
};

}  // namespace vorlan::test
