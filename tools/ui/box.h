#pragma once
// The program's message boxes, seen from outside.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/wait.h"

namespace vorlan::ui {

inline constexpr const char* kBoxTitle = "VorLan";

// A "VorLan" message box of the program.
class Box {
public:
    explicit Box(HWND hwnd) : hwnd_(hwnd) {}
    HWND hwnd() const { return hwnd_; }
    std::string text() const;
    // "warning", "stop", "information", "none" or "unknown": told apart by the
    // colours the icon is drawn with, so the box must be on screen.
    std::string icon() const;
    // Ids of the box's buttons (IDOK, IDYES, IDNO...), in id order.
    std::vector<int> buttons() const;
    int default_button() const;
    bool open() const { return IsWindow(hwnd_) && IsWindowVisible(hwnd_); }
    // Presses a button by its id; does not wait for the box to close.
    void answer(int id) const;
    // Presses and waits until the box has gone.
    bool answer_and_wait(int id, milliseconds timeout = kWait) const;

private:
    std::string icon_now() const;
    HWND hwnd_;
};

// The "VorLan" box that process `pid` shows now, if any.
std::optional<Box> find_box(DWORD pid);

}  // namespace vorlan::ui
