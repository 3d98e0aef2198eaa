// The Form, one property at a time.

#include "win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "win32/dpi.h"
#include "win32/text.h"
#include "wizard/texts.h"

namespace vorlan::win32 {

void Win32Form::move_focus_from(HWND leaving) {
    HWND next = GetNextDlgTabItem(hwnd_, leaving, FALSE);
    if (next == leaving || (next && (!IsWindowVisible(next) || !IsWindowEnabled(next)))) next = nullptr;
    // Focus moved in an inactive window would activate it; the move waits for
    // the window's return instead.
    if (GetActiveWindow() != hwnd_) {
        focus_ = next;
        return;
    }
    if (next) focus_quietly(next);
    else SetFocus(hwnd_);
}

void Win32Form::set_visible(int id, bool visible) {
    deferred_.before_show_or_hide(id);
    HWND h = at(id).hwnd;
    if (visible) {
        ShowWindow(h, SW_SHOWNA);
        return;
    }
    const bool had_focus = GetFocus() == h;
    ShowWindow(h, SW_HIDE);
    if (had_focus) move_focus_from(h);
}

// The control's own flag, not whether it is on screen: the core asks while
// the window is still hidden.
bool Win32Form::visible(int id) const {
    return deferred_.redraw_off(id) || (GetWindowLongPtrW(at(id).hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Form::set_enabled(int id, bool enabled) {
    HWND h = at(id).hwnd;
    const bool had_focus = !enabled && GetFocus() == h;
    EnableWindow(h, enabled ? TRUE : FALSE);
    if (had_focus) move_focus_from(h);
}

bool Win32Form::enabled(int id) const { return IsWindowEnabled(at(id).hwnd) != FALSE; }

void Win32Form::set_text(int id, const std::string& text) {
    const ControlDesign& d = design(id);
    // A multi-line edit control breaks lines at CR LF only.
    std::wstring wide = widen(d.kind == Kind::Text && (d.style & STYLE_MULTILINE) ? with_crlf(text) : text);
    deferred_.set_text(id, std::move(wide));
}

std::string Win32Form::text(int id) const {
    if (const std::wstring* waiting = deferred_.waiting_text(id)) return narrow(*waiting);
    HWND h = at(id).hwnd;
    std::wstring wide(static_cast<std::size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
    const int n = GetWindowTextW(h, wide.data(), static_cast<int>(wide.size()));
    return narrow(wide.data(), static_cast<std::size_t>(std::max(n, 0)));
}

void Win32Form::set_checked(int id, bool checked) {
    SendMessageW(at(id).hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    settle_option_tab_stop();
}

bool Win32Form::checked(int id) const { return SendMessageW(at(id).hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// The option group is one tab stop: the selected option, or the first when
// none is. BM_SETCHECK moves the stop only onto or off the option it is sent to.
void Win32Form::settle_option_tab_stop() {
    const ControlDesign* stop = first_option();
    for (const ControlDesign& d : kDesign) {
        if (d.kind == Kind::Option && checked(d.id)) stop = &d;
    }
    for (const ControlDesign& d : kDesign) {
        if (d.kind != Kind::Option) continue;
        HWND h = at(d.id).hwnd;
        const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
        SetWindowLongPtrW(h, GWL_STYLE, &d == stop ? style | WS_TABSTOP : style & ~LONG_PTR{WS_TABSTOP});
    }
}

void Win32Form::list_add(int id, const std::string& line) {
    deferred_.read_clock_at_next_yield();
    const std::wstring wide = widen(line);
    deferred_.list_changing(id);
    SendMessageW(at(id).hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    update_list_extent(id, wide);
}

void Win32Form::list_clear(int id) {
    deferred_.forget_selection(id);
    SendMessageW(at(id).hwnd, LB_RESETCONTENT, 0, 0);
    at(id).widest_line = 0;
    SendMessageW(at(id).hwnd, LB_SETHORIZONTALEXTENT, 0, 0);
}

int Win32Form::list_count(int id) const {
    return std::max(0, static_cast<int>(SendMessageW(at(id).hwnd, LB_GETCOUNT, 0, 0)));
}

std::string Win32Form::list_line(int id, int index) const {
    HWND h = at(id).hwnd;
    const LRESULT length = SendMessageW(h, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length == LB_ERR) return {};
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(h, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
    return got == LB_ERR ? std::string() : narrow(wide.data(), static_cast<std::size_t>(got));
}

void Win32Form::list_set_line(int id, int index, const std::string& line) {
    if (index < 0 || index >= list_count(id)) return;
    HWND h = at(id).hwnd;
    const std::wstring wide = widen(line);
    deferred_.list_changing(id);
    const bool was_selected = deferred_.selected_on_screen(id, index);
    SendMessageW(h, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    SendMessageW(h, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.c_str()));
    if (was_selected) list_select(id, index);
    update_list_extent(id, wide);
}

void Win32Form::list_select(int id, int index) { deferred_.select(id, index); }

// The horizontal scroll range follows the widest line ever shown, so that a
// long path can be scrolled into view; it only grows until the list is emptied.
void Win32Form::update_list_extent(int id, const std::wstring& line) {
    Control& c = at(id);
    // Measured in a memory DC: under Wine a font put into a window's DC makes
    // the X driver read its resource files again, which costs more than the
    // measuring, once per line of the copy.
    SIZE size{};
    {
        const SelectedObject font(measure_dc_.get(), font_of(id));
        GetTextExtentPoint32W(measure_dc_.get(), line.c_str(), static_cast<int>(line.size()), &size);
    }
    const int width = size.cx + MulDiv(6, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);  // the item's margins
    if (width <= c.widest_line) return;
    c.widest_line = width;
    SendMessageW(c.hwnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
}

void Win32Form::measure_list(int id) {
    at(id).widest_line = 0;
    SendMessageW(at(id).hwnd, LB_SETHORIZONTALEXTENT, 0, 0);
    const int count = list_count(id);
    for (int i = 0; i < count; ++i) update_list_extent(id, widen(list_line(id, i)));
}

void Win32Form::set_progress(int id, double percent) {
    // Whole percent only; a copy sets the same value many times over.
    deferred_.set_progress(id, percent >= 100 ? 100 : percent > 0 ? static_cast<int>(percent) : 0);
}

void Win32Form::set_back_color(int id, std::uint32_t bgr) {
    Control& c = at(id);
    c.own_back = true;
    c.back = static_cast<COLORREF>(bgr & 0x00FFFFFF);
    c.back_brush.reset(CreateSolidBrush(c.back));
    InvalidateRect(c.hwnd, nullptr, TRUE);
}

void Win32Form::set_fore_color(int id, std::uint32_t bgr) {
    Control& c = at(id);
    c.own_fore = true;
    c.fore = static_cast<COLORREF>(bgr & 0x00FFFFFF);
    InvalidateRect(c.hwnd, nullptr, TRUE);
}

void Win32Form::set_bold(int id, bool bold) {
    at(id).bold = bold;
    SendMessageW(at(id).hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_of(id)), TRUE);
    if (design(id).kind == Kind::List) measure_list(id);
}

int Win32Form::message_box(const std::string& text, int style, const std::string& title) {
    // The box is the end of the handler's work or a question about it: the
    // window shows where things stand, and the handler's own changes take
    // effect at once while the box is up.
    deferred_.stop_deferring();
    // A hidden window (the refusal of a second instance comes before the
    // window is shown) would keep the box off the taskbar and behind others.
    const bool owned = hwnd_ && IsWindowVisible(hwnd_);
    const UINT type = static_cast<UINT>(style) | (owned ? 0u : static_cast<UINT>(MB_SETFOREGROUND));
    return MessageBoxW(owned ? hwnd_ : nullptr, widen(text).c_str(), widen(title).c_str(), type);
}

// Centring takes the window's size, the work area and the move in one DPI,
// the primary screen's, so that the conversions cancel out: measured in the
// window's own DPI on a screen of another, the window would land aside.
Twips Win32Form::outer_size() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const UINT dpi = system_dpi();
    return {pixels_to_twips(r.right - r.left, dpi), pixels_to_twips(r.bottom - r.top, dpi)};
}

// The work area of the screen the window is on (where the system put it when
// it was made: the screen the program was started from).
WorkArea Win32Form::work_area() const {
    const UINT dpi = system_dpi();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor)) r = monitor.rcWork;
    return {pixels_to_twips(r.left, dpi),
            pixels_to_twips(r.top, dpi),
            {pixels_to_twips(r.right - r.left, dpi), pixels_to_twips(r.bottom - r.top, dpi)}};
}

void Win32Form::move(std::int32_t left, std::int32_t top) {
    const UINT dpi = system_dpi();
    SetWindowPos(hwnd_, nullptr, twips_to_pixels(left, dpi), twips_to_pixels(top, dpi), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::yield() { deferred_.yield(); }

void Win32Form::set_task(Task task, std::function<void()> abandon) { busy_.set(task, std::move(abandon)); }

}  // namespace vorlan::win32
