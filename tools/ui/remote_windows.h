#pragma once
// The windows of another process, found and read from outside: its text is
// asked of the window itself, and every message sent gives up after a while.

#include <windows.h>

#include <string>
#include <vector>

namespace vorlan::ui {

// Visible top-level windows of a process with the given class and caption (any when empty).
std::vector<HWND> top_windows(DWORD pid, const std::string& window_class, const std::string& caption);

std::string class_of(HWND hwnd);
// SendMessage that gives up on a window that does not answer in 5 s: -1 then.
LRESULT send(HWND hwnd, UINT msg, WPARAM wparam = 0, LPARAM lparam = 0);
// A window's caption or text, UTF-8.
std::string window_text(HWND hwnd);
// The visible controls of `parent` of a class, with `style & mask` equal to `want`.
std::vector<HWND> children(HWND parent, const char* window_class, LONG mask = 0, LONG want = 0);

}  // namespace vorlan::ui
