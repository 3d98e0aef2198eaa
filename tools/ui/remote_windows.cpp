#include "ui/remote_windows.h"

#include <algorithm>

#include "win32/text.h"

namespace vorlan::ui {

using win32::narrow;

namespace {

// The visible child windows of `parent`; the top-level ones when it is null.
std::vector<HWND> visible_windows(HWND parent) {
    std::vector<HWND> out;
    auto add = [](HWND w, LPARAM list) {
        if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
        return TRUE;
    };
    if (parent) EnumChildWindows(parent, add, reinterpret_cast<LPARAM>(&out));
    else EnumWindows(add, reinterpret_cast<LPARAM>(&out));
    return out;
}

}  // namespace

std::string class_of(HWND hwnd) {
    wchar_t name[256];
    return narrow(name, static_cast<std::size_t>(std::max(0, GetClassNameW(hwnd, name, 256))));
}

LRESULT send(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
    return static_cast<LRESULT>(result);
}

// Asked of the window itself: the text of a control of another process is
// not kept where GetWindowText could read it.
std::string window_text(HWND hwnd) {
    const LRESULT length = send(hwnd, WM_GETTEXTLENGTH);
    if (length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, length)));
    return narrow(text);
}

std::vector<HWND> children(HWND parent, const char* window_class, LONG mask, LONG want) {
    std::vector<HWND> out;
    for (HWND c : visible_windows(parent))
        if (lstrcmpiA(class_of(c).c_str(), window_class) == 0 && (GetWindowLongW(c, GWL_STYLE) & mask) == want)
            out.push_back(c);
    return out;
}

std::vector<HWND> top_windows(DWORD pid, const std::string& window_class, const std::string& caption) {
    std::vector<HWND> out;
    for (HWND w : visible_windows(nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        wchar_t title[512];
        const int n = GetWindowTextW(w, title, 512);
        if (owner == pid && (window_class.empty() || class_of(w) == window_class) &&
            (caption.empty() || narrow(title, static_cast<std::size_t>(std::max(0, n))) == caption))
            out.push_back(w);
    }
    return out;
}

}  // namespace vorlan::ui
