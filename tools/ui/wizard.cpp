#include "ui/wizard.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/remote_windows.h"
#include "win32/text.h"
#include "wizard/controls.h"

namespace vorlan::ui {

using win32::narrow;
using win32::widen;

Wizard::Wizard(const Medium& medium, milliseconds timeout) {
    if (!medium.error().empty()) {
        error_ = "no medium: " + medium.error();
        return;
    }
    process_ = Process::start(medium.path("instalar.exe"), medium.folder(), &error_);
    if (!process_) return;
    pid_ = process_.pid();
    auto window = [&] {
        const std::vector<HWND> found = top_windows(pid_, "", kWindowCaption);
        hwnd_ = found.empty() ? nullptr : found.front();
        return hwnd_ != nullptr || !process_.running();
    };
    if (!wait_until(window, timeout) || !hwnd_)
        error_ = process_.running() ? "its window did not appear" : "it ended before its window showed";
}

std::optional<Wizard> Wizard::find(milliseconds timeout) {
    Wizard w;
    const std::wstring caption = widen(kWindowCaption);
    if (!wait_until(
            [&] {
                w.hwnd_ = FindWindowW(nullptr, caption.c_str());
                return w.hwnd_ && IsWindowVisible(w.hwnd_);
            },
            timeout))
        return std::nullopt;
    GetWindowThreadProcessId(w.hwnd_, &w.pid_);
    return w;
}

std::string Wizard::text(int id) const { return window_text(control(id)); }

bool Wizard::checked(int id) const { return send(control(id), BM_GETCHECK) == BST_CHECKED; }

std::vector<std::string> Wizard::lines(int id) const {
    std::vector<std::string> out;
    const LRESULT count = send(control(id), LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = send(control(id), LB_GETTEXTLEN, static_cast<WPARAM>(i));
        std::wstring line(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        const LRESULT got =
            send(control(id), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, std::max<LRESULT>(length, 0))));
        out.push_back(narrow(line));
    }
    return out;
}

int Wizard::progress(int id) const { return static_cast<int>(send(control(id), PBM_GETPOS)); }

RECT Wizard::rect(int id) const {
    RECT rc{};
    GetWindowRect(control(id), &rc);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

SIZE Wizard::client_size() const {
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    return SIZE{rc.right, rc.bottom};
}

RECT Wizard::window_rect() const {
    RECT rc{};
    GetWindowRect(hwnd_, &rc);
    return rc;
}

int Wizard::focus_id() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd_, nullptr), &info) || GetParent(info.hwndFocus) != hwnd_)
        return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

void Wizard::click(int id) const {
    HWND ctl = control(id);
    if (class_of(ctl) == "Button") PostMessageW(ctl, BM_CLICK, 0, 0);
    else PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(ctl));
}

std::optional<Box> Wizard::box() const { return find_box(pid_); }

std::optional<Box> Wizard::wait_box(milliseconds timeout) const {
    std::optional<Box> found;
    wait_until([&] { return (found = box()).has_value(); }, timeout);
    return found;
}

bool Wizard::wait_visible(int id, bool want, milliseconds timeout) const {
    return wait_until([&] { return visible(id) == want; }, timeout);
}

std::string Wizard::open_copy_page() const {
    click(btn_sig0);
    if (!wait_visible(Label5)) return "page 1 did not show";
    click(Label5);
    if (!wait_until([&] { return enabled(btn_sig1); })) return "btn_sig1 stayed disabled";
    click(btn_sig1);
    return wait_visible(btn_inst) ? "" : "the copy page did not show";
}

}  // namespace vorlan::ui
