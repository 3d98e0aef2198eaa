#pragma once
// The program as its window sees it: the seam it talks through, the installer
// state, and the handlers of the window's events. Everything else lives in the
// controls.

#include <cstdint>
#include <string>

#include "copy/tree_copy.h"
#include "platform/file_system.h"
#include "platform/form.h"
#include "platform/programs.h"
#include "platform/system.h"
#include "wizard/controls.h"

namespace vorlan {

inline constexpr const char* kTitle = "VorLan";
inline constexpr const char* kDefaultDestination = "C:\\vorlan";

// Filled once at load, never changed afterwards.
struct InstallerState {
    std::string program_folder;    // the folder that holds the running program
    std::string setup_program;     // the application's own setup program
    std::string data_source;       // the data tree on the medium
    std::string data_destination;  // where it goes: C:\vorlan unless the command line names another
};

struct App {
    Form& form;
    FileSystem& fs;
    Programs& programs;
    System& system;
    InstallerState state;
    // The destination the command line gave, made absolute; read at load.
    std::string destination = kDefaultDestination;
    // The data copy while it runs: an end that cannot wait abandons it first.
    // Only RunningCopy sets it.
    CopyRun* copy_run = nullptr;
    // Whether the question about quitting is on screen.
    bool exit_question_open = false;
};

// Start-up and exit.
void Form_Load(App& app);
void btn_Cancel_Click(App& app);
void btn_fin_Click(App& app);
// The title bar's close command: the same question as "Cancelar".
void Form_Close(App& app);

// Window centring, in twips: where the window goes so that it sits in the
// middle of the work area.
struct Position {
    std::int32_t left;
    std::int32_t top;
};
Position centred(WorkArea area, Twips window);

// Installer state derived from the program's folder.
InstallerState installer_state(const std::string& program_folder, const std::string& destination = kDefaultDestination);

// Page moves; each takes the number of the page being left.
void move_forward(App& app, int page);
void move_back(App& app, int page);
void btn_sig0_Click(App& app);
void btn_sig1_Click(App& app);
void btn_atras1_Click(App& app);
void btn_atras3_Click(App& app);

// Readme and options.
void load_readme(App& app, const std::string& path);
void Option1_Click(App& app);
void Option2_Click(App& app);
void Label4_Click(App& app);
void Label5_Click(App& app);

// The copy page.
void btn_inst_Click(App& app);
void btn_inferr_Click(App& app);

// Runs the handler of a click on control `id`, if it has one.
void on_click(App& app, int id);

}  // namespace vorlan
