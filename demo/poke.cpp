// Drives a running wizard from a shell script, one step per run, for the demo's
// screenshots on a display nobody looks at:
//
//   vorlan_poke wait [MS]                  wait for the wizard's window
//   vorlan_poke rect                       print the window's place as WxH+X+Y
//   vorlan_poke click CONTROL              click a control, by name (btn_sig0) or id
//   vorlan_poke wait-visible CONTROL [MS]  wait until the control shows
//   vorlan_poke box [MS]                   wait for a "VorLan" box and print its text
//   vorlan_poke answer yes|no|ok [MS]      answer the open box and wait until it closes
//   vorlan_poke wait-gone [MS]             wait until the wizard has ended
//   vorlan_poke set-text CONTROL TEXT      give a control a text, as a count of a big tree would
//   vorlan_poke add-line CONTROL TEXT      add a line to a list, as a failed file would
//
// MS is how long to wait, in milliseconds (15 s when not given).
// Exits 0 on success, 1 when a wait timed out, 2 on a usage error.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/remote_windows.h"
#include "ui/wizard.h"
#include "win32/text.h"
#include "wizard/controls.h"

namespace {

using namespace vorlan;
using namespace vorlan::ui;

void print(const std::string& utf8) {
    DWORD written = 0;
    const std::string line = utf8 + "\n";
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

int fail(const std::string& why) {
    print("vorlan_poke: " + why);
    return 1;
}

int control_id(const char* arg) {
    for (const ControlDesign& d : kDesign) {
        if (std::strcmp(d.name, arg) == 0) return d.id;
    }
    const int id = std::atoi(arg);
    return id >= Picture2 && id < Picture2 + kControlCount ? id : 0;
}

milliseconds timeout_arg(int argc, char** argv, int index) {
    return argc > index ? milliseconds(std::atoi(argv[index])) : kWait;
}

int answer_id(const std::string& word) {
    if (word == "yes") return IDYES;
    if (word == "no") return IDNO;
    if (word == "ok") return IDOK;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        print(
            "usage: vorlan_poke wait | rect | click CONTROL | wait-visible CONTROL | box | answer yes|no|ok | "
            "wait-gone | set-text CONTROL TEXT | add-line CONTROL TEXT");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "wait-gone") {
        const std::optional<Wizard> running = Wizard::find(milliseconds(0));
        if (!running) return 0;
        const HWND hwnd = running->hwnd();
        return wait_until([&] { return !IsWindow(hwnd); }, timeout_arg(argc, argv, 2))
                   ? 0
                   : fail("the wizard is still running");
    }
    std::optional<Wizard> wizard = Wizard::find(command == "wait" ? timeout_arg(argc, argv, 2) : kWait);
    if (!wizard) return fail("no wizard window");
    if (command == "wait") return 0;

    if (command == "rect") {
        const RECT rc = wizard->window_rect();
        print(std::to_string(rc.right - rc.left) + "x" + std::to_string(rc.bottom - rc.top) + "+" +
              std::to_string(rc.left) + "+" + std::to_string(rc.top));
        return 0;
    }
    if (command == "click" || command == "wait-visible") {
        const int id = argc > 2 ? control_id(argv[2]) : 0;
        if (!id) return 2;
        if (command == "click") {
            wizard->click(id);
            return 0;
        }
        return wizard->wait_visible(id, true, timeout_arg(argc, argv, 3))
                   ? 0
                   : fail(std::string(argv[2]) + " did not show");
    }
    if (command == "set-text" || command == "add-line") {
        const int id = argc > 3 ? control_id(argv[2]) : 0;
        if (!id) return 2;
        // The text in the ANSI code page, as a script hands it over.
        const std::wstring text = win32::widen(recode(argv[3], CP_ACP, CP_UTF8));
        const UINT msg = command == "set-text" ? WM_SETTEXT : LB_ADDSTRING;
        return send(wizard->control(id), msg, 0, reinterpret_cast<LPARAM>(text.c_str())) >= 0 ? 0 : fail("no answer");
    }
    if (command == "box") {
        std::optional<Box> box = wizard->wait_box(timeout_arg(argc, argv, 2));
        if (!box) return fail("no message box");
        print(box->text());
        return 0;
    }
    if (command == "answer") {
        const int id = argc > 2 ? answer_id(argv[2]) : 0;
        if (!id) return 2;
        std::optional<Box> box = wizard->wait_box(timeout_arg(argc, argv, 3));
        if (!box) return fail("no message box");
        return box->answer_and_wait(id) ? 0 : fail("the box did not close");
    }
    return 2;
}
