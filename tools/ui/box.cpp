#include "ui/box.h"

#include <algorithm>
#include <thread>

#include "ui/remote_windows.h"
#include "win32/handle.h"

namespace vorlan::ui {

std::string Box::text() const {
    if (HWND text = GetDlgItem(hwnd_, 0xFFFF)) return window_text(text);
    const std::vector<HWND> labels = children(hwnd_, "Static", SS_TYPEMASK, SS_LEFT);
    return labels.empty() ? std::string() : window_text(labels.front());
}

std::string Box::icon() const {
    // Until a new box has painted itself the screen still shows what was
    // there before, perhaps the icon of the box before it: two readings a
    // moment apart must agree.
    std::string seen = "unknown";
    wait_until(
        [&] {
            const std::string before = seen;
            std::this_thread::sleep_for(milliseconds(100));
            seen = icon_now();
            return seen == before && seen != "unknown";
        },
        milliseconds(3000));
    return seen;
}

std::string Box::icon_now() const {
    const std::vector<HWND> icons = children(hwnd_, "Static", SS_TYPEMASK, SS_ICON);
    RECT rc{};
    if (icons.empty() || !GetWindowRect(icons.back(), &rc)) return "none";
    // The icon belongs to the other process, so it is read off the screen.
    const win32::WindowDc screen(nullptr);
    int yellow = 0, red = 0, blue = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            const COLORREF c = GetPixel(screen.get(), x, y);
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            yellow += r > 170 && g > 140 && b < 110;
            red += r > 150 && g < 100 && b < 100;
            blue += b > 140 && r < 120;
        }
    }
    const int enough = (rc.right - rc.left) * (rc.bottom - rc.top) / 20;
    if (yellow >= enough && yellow >= red && yellow >= blue) return "warning";
    if (red >= enough && red >= blue) return "stop";
    // The information and question icons are both blue; only the first is used.
    return blue >= enough ? "information" : "unknown";
}

std::vector<int> Box::buttons() const {
    std::vector<int> ids;
    for (HWND b : children(hwnd_, "Button")) ids.push_back(GetDlgCtrlID(b));
    std::sort(ids.begin(), ids.end());
    return ids;
}

int Box::default_button() const {
    const std::vector<HWND> b = children(hwnd_, "Button", BS_TYPEMASK, BS_DEFPUSHBUTTON);
    return b.empty() ? 0 : GetDlgCtrlID(b.front());
}

void Box::answer(int id) const {
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, id)));
}

bool Box::answer_and_wait(int id, milliseconds timeout) const {
    answer(id);
    return wait_until([&] { return !open(); }, timeout);
}

std::optional<Box> find_box(DWORD pid) {
    const std::vector<HWND> boxes = top_windows(pid, "#32770", kBoxTitle);
    if (boxes.empty()) return std::nullopt;
    return Box(boxes.front());
}

}  // namespace vorlan::ui
