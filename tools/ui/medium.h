#pragma once
// What the program under test runs from: a distribution medium built in a
// temporary folder, removed when it goes, and the log the stand-in setup
// program writes of how it was started.

#include <windows.h>

#include <string>
#include <vector>

namespace vorlan::ui {

// The folder that holds the running program (the build's bin folder).
std::string own_folder();

// A new folder under the user's temporary folder, removed with all it holds.
class TempFolder {
public:
    // `name` ends the folder's name; it may hold spaces and accents.
    explicit TempFolder(const std::string& name = "tmp");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// A distribution medium in a fresh temporary folder: instalar.exe, the
// stand-in as aplicacion\vorlan.exe and a leeme.txt. The data tree vorlan\ is
// the test's to fill.
class Medium {
public:
    explicit Medium(const std::string& name = "soporte");

    // Empty when the medium was made; otherwise what went wrong.
    const std::string& error() const { return error_; }
    const std::string& folder() const { return folder_.path(); }
    std::string path(const std::string& relative) const { return folder_ / relative; }

    bool add_file(const std::string& relative, const std::string& bytes);
    bool add_folder(const std::string& relative);

private:
    TempFolder folder_;
    std::string error_;
};

// The readme that a Medium starts with: Spanish, CR LF line ends, in UTF-8
// here and in Windows-1252 on the medium.
extern const char* const kReadme;
// Text from one code page to another (CP_UTF8 for UTF-8).
std::string recode(const std::string& text, UINT from, UINT to);

// One start of the stand-in program, as it logs it in standin-log.txt beside itself.
struct StandinStart {
    DWORD pid = 0;
    std::string show;  // STARTUPINFO's wShowWindow: "2" minimised and active, "0" hidden
    std::string command_line;
};
std::vector<StandinStart> standin_starts(const std::string& log);

}  // namespace vorlan::ui
