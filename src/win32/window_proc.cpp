// The window procedure and the event loop: what each message does.

#include "win32/window.h"

#include <exception>

#include "win32/text.h"

namespace vorlan::win32 {

namespace {

bool is_enter_or_escape(const MSG& msg) {
    return (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR) &&
           (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE);
}

}  // namespace

LRESULT CALLBACK Win32Form::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* form = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    if (auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)))
        return form->handle(msg, wp, lp);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// The core's handlers run inside the window procedure, where an exception
// would end the program with nothing said: it is told, and the window goes on.
// A task whose handler it ended is over, failed; a handler that runs while
// another yields (a click during the copy) takes only itself down.
LRESULT Win32Form::handle(UINT msg, WPARAM wp, LPARAM lp) noexcept {
    ++handler_depth_;
    const char* what = nullptr;
    LRESULT result = 0;
    try {
        result = handle_message(msg, wp, lp);
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "excepción desconocida";
    }
    if (what) report_unexpected(what);
    --handler_depth_;
    return result;
}

void Win32Form::report_unexpected(const char* what) noexcept {
    try {
        if (handler_depth_ == 1 && busy_.busy()) busy_.set(Task::Failed, {});
        message_box(std::string("Se ha producido un error inesperado:\n") + what, MB_STYLE_STOP, kTitle);
    } catch (...) {
        MessageBoxW(hwnd_, L"Se ha producido un error inesperado.", L"VorLan", MB_ICONSTOP | MB_OK);
    }
}

LRESULT Win32Form::handle_message(UINT msg, WPARAM wp, LPARAM lp) {
    // Sent to top-level windows when the shell has made (or made again) the taskbar button.
    static const UINT taskbar_button_created = RegisterWindowMessageW(L"TaskbarButtonCreated");
    if (msg == taskbar_button_created && msg != 0) {
        busy_.renew_taskbar_button();
        return 0;
    }
    switch (msg) {
        case WM_COMMAND: return on_command(wp, lp);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX: return on_ctl_color(msg, wp, lp);
        case WM_DPICHANGED: return on_dpi_changed(wp, lp);
        case WM_GETDPISCALEDSIZE: return on_get_dpi_scaled_size(wp, lp);
        case WM_ACTIVATE: return on_activate(wp);
        case WM_NEXTDLGCTL: return on_next_control(wp, lp);
        case WM_CLOSE: return on_close();
        case WM_QUERYENDSESSION: return busy_.on_query_end_session();
        case WM_ENDSESSION: return busy_.on_end_session(wp);
        case WM_SYSCOLORCHANGE:
            forward_to_controls(msg, wp, lp);
            on_look_changed();
            break;
        case WM_SETTINGCHANGE:
        case WM_THEMECHANGED: on_look_changed(); break;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// Buttons, option buttons and labels all report a click with code 0
// (BN_CLICKED, STN_CLICKED).
LRESULT Win32Form::on_command(WPARAM wp, LPARAM lp) {
    const int id = LOWORD(wp);
    if (!lp || id < Picture2 || id > Label2) return 0;
    // Whoever set the text (a copy, or another program), the box fits it.
    if (HIWORD(wp) == EN_CHANGE && reinterpret_cast<HWND>(lp) == at(id).hwnd) {
        fit_text(id);
        return 0;
    }
    if (HIWORD(wp) != BN_CLICKED) return 0;
    const Kind kind = design(id).kind;
    if (kind != Kind::Button && kind != Kind::Option && kind != Kind::Label) return 0;
    // Another program can send a click (WM_COMMAND, BM_CLICK) to a control
    // the user cannot click: hidden, as on another page, or disabled.
    if (reinterpret_cast<HWND>(lp) != at(id).hwnd || !visible(id) || !enabled(id)) return 0;
    if (kind == Kind::Option && focusing_quietly_) return 0;
    // An option also reports a click when the keyboard moves the focus onto
    // it; it is then selected, as when clicked.
    if (kind == Kind::Option && !checked(id)) set_checked(id, true);
    if (app_) on_click(*app_, id);
    return 0;
}

LRESULT Win32Form::on_dpi_changed(WPARAM wp, LPARAM lp) {
    apply_dpi(HIWORD(wp));
    const RECT* suggested = reinterpret_cast<const RECT*>(lp);
    SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

// Asked before a DPI change: the exact size, so that the client area stays
// the design's rather than a linear scaling of the frame.
LRESULT Win32Form::on_get_dpi_scaled_size(WPARAM wp, LPARAM lp) {
    *reinterpret_cast<SIZE*>(lp) = outer_pixels(static_cast<UINT>(wp));
    return TRUE;
}

// The focus goes back where it was when the user returns to the window.
LRESULT Win32Form::on_activate(WPARAM wp) {
    if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) focus_ = focus;
        return 0;
    }
    if (HIWORD(wp)) return 0;  // minimised
    if (focus_ && IsWindowVisible(focus_) && IsWindowEnabled(focus_)) focus_quietly(focus_);
    else if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
    return 0;
}

// IsDialogMessage asks the window itself to move the focus for some keys.
LRESULT Win32Form::on_next_control(WPARAM wp, LPARAM lp) {
    HWND next = LOWORD(lp) ? reinterpret_cast<HWND>(wp) : GetNextDlgTabItem(hwnd_, GetFocus(), wp != 0);
    if (next && IsChild(hwnd_, next)) SetFocus(next);
    return 0;
}

LRESULT Win32Form::on_close() {
    if (app_) Form_Close(*app_);
    return 0;
}

void Win32Form::forward_to_controls(UINT msg, WPARAM wp, LPARAM lp) {
    for (const Control& c : controls_) SendMessageW(c.hwnd, msg, wp, lp);
}

// ---------------------------------------------------------------------------
// The event loop

void Win32Form::dispatch(MSG& msg) {
    // Enter and Escape mean nothing here: no button is the default or the cancel button.
    if (is_enter_or_escape(msg) && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd))) return;
    if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int Win32Form::run() {
    MSG msg{};
    for (;;) {
        // Every handler has returned by the time the loop waits.
        deferred_.stop_deferring();
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
        dispatch(msg);
    }
    return static_cast<int>(msg.wParam);
}
}  // namespace vorlan::win32
