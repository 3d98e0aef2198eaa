#include "win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "win32/resources.h"
#include "win32/text.h"
#include "win32/window_parts.h"

namespace vorlan::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"VorlanInstalar";
// Fixed size: no sizing border and no maximise box; minimise and close stay.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The controls take part in the keyboard interface of IsDialogMessage.
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

constexpr Font kDialogFont{Face::SansSerif, 8.25f, false};
// Pumping the queue at most this often keeps a copy fast, and the window
// still answers within a frame.
constexpr LONGLONG kPumpsPerSecond = 200;
// Repainting costs more than answering: pending repaints are done (and, under
// Wine, the window's picture sent to the screen) at this rate only; the pumps
// in between take input and sent messages.
constexpr LONGLONG kPaintsPerSecond = 30;
// What a copy changes in the bars and counters is shown at this rate, in the
// lists at the second (see hold_redraw): under Wine's default theme a list's
// showing holds the window for over ten milliseconds, mostly to draw its
// scroll bar, and a bar's for two.
constexpr LONGLONG kShowsPerSecond = 5;
constexpr LONGLONG kListShowsPerSecond = 2;
// What the pumps between two repaints take, as a PeekMessage filter and as
// GetQueueStatus flags.
constexpr UINT kInputOnly = PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
constexpr UINT kInputQueued = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_HOTKEY | QS_SENDMESSAGE;
// A flood of input cannot hold a copy up for longer than this many messages.
constexpr int kMostMessagesPerPump = 64;
// Under Wine a read of the clock costs a tenth of a microsecond, as much as
// copying a kilobyte; while yields come much faster than the pumps, the clock
// is read once in up to this many of them.
constexpr int kMostCallsPerClockRead = 64;

bool is_label_or_line(const ControlDesign& d) { return d.kind == Kind::Label || d.kind == Kind::Line; }

// The option that starts the group: the one that comes first in tab order.
const ControlDesign* first_option() {
    const ControlDesign* first = nullptr;
    for (const ControlDesign& d : kDesign) {
        if (d.kind == Kind::Option && (!first || d.tab_index < first->tab_index)) first = &d;
    }
    return first;
}

struct WindowKind {
    const wchar_t* cls;
    DWORD style;
    DWORD ex_style;
};

WindowKind window_kind(const ControlDesign& d) {
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_GROUP;
    if (d.visible) style |= WS_VISIBLE;
    if (!d.enabled) style |= WS_DISABLED;
    switch (d.kind) {
        case Kind::Picture:
            return {kPictureClass, style, 0};
        case Kind::List:
            return {L"LISTBOX", style | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
        case Kind::Button:
            return {L"BUTTON", style | WS_TABSTOP | BS_PUSHBUTTON, 0};
        case Kind::Option:
            // Every other control starts a group of its own; the options
            // share one, opened by the first, which alone is a tab stop.
            if (&d == first_option()) return {L"BUTTON", style | WS_TABSTOP | BS_AUTORADIOBUTTON, 0};
            return {L"BUTTON", (style & ~WS_GROUP) | BS_AUTORADIOBUTTON, 0};
        case Kind::Progress:
            return {PROGRESS_CLASSW, style, 0};
        case Kind::Text: {
            if (d.style & STYLE_MULTILINE) style |= ES_MULTILINE | ES_AUTOVSCROLL;
            else style |= ES_AUTOHSCROLL;
            if (d.style & STYLE_VSCROLL) style |= WS_VSCROLL;
            if (d.style & STYLE_READONLY) style |= ES_READONLY;
            if (d.style & STYLE_CENTER) style |= ES_CENTER;
            if (d.style & STYLE_RIGHT) style |= ES_RIGHT;
            // A read-only box takes the focus only when it has more to show
            // than fits, so that the keyboard can scroll it.
            if (!(d.style & STYLE_READONLY) || (d.style & STYLE_VSCROLL)) style |= WS_TABSTOP;
            return {L"EDIT", style, (d.style & STYLE_NOBORDER) ? 0u : static_cast<DWORD>(WS_EX_CLIENTEDGE)};
        }
        case Kind::Label: {
            // SS_NOTIFY: clicks arrive as STN_CLICKED.
            DWORD align = (d.style & STYLE_CENTER) ? SS_CENTER : (d.style & STYLE_WRAP) ? SS_LEFT : SS_LEFTNOWORDWRAP;
            return {L"STATIC", style | SS_NOTIFY | align, 0};
        }
        case Kind::Line:
            return {kLineClass, style, 0};
    }
    return {L"STATIC", style, 0};
}

bool is_enter_or_escape(const MSG& msg) {
    return (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR) &&
           (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE);
}

}  // namespace

Win32Form::Win32Form() : fonts_(std::make_unique<Fonts>(USER_DEFAULT_SCREEN_DPI)), picture_(std::make_unique<Picture>()) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    pump_interval_ = frequency.QuadPart / kPumpsPerSecond;
    paint_interval_ = frequency.QuadPart / kPaintsPerSecond;
    show_interval_ = frequency.QuadPart / kShowsPerSecond;
    list_show_interval_ = frequency.QuadPart / kListShowsPerSecond;
}

Win32Form::~Win32Form() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (Control& c : controls_) {
        if (c.back_brush) DeleteObject(c.back_brush);
    }
    if (measure_dc_) DeleteDC(measure_dc_);
}

Win32Form::Control& Win32Form::at(int id) { return controls_.at(static_cast<std::size_t>(id - Picture2)); }
const Win32Form::Control& Win32Form::at(int id) const { return controls_.at(static_cast<std::size_t>(id - Picture2)); }
HWND Win32Form::control(int id) const { return at(id).hwnd; }

// ---------------------------------------------------------------------------
// Building the window

// Loaded by hand so that the import table names only libraries that are always
// loaded from the system; the manifest still selects version 6.
bool load_common_controls(std::string* err) {
    HMODULE comctl = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search flags refuse the call as a whole.
    if (!comctl && GetLastError() == ERROR_INVALID_PARAMETER) {
        wchar_t system[MAX_PATH];
        const UINT n = GetSystemDirectoryW(system, MAX_PATH);
        if (n > 0 && n < MAX_PATH) comctl = LoadLibraryW((std::wstring(system, n) + L"\\comctl32.dll").c_str());
    }
    if (!comctl) {
        *err = "comctl32.dll: " + error_text(GetLastError());
        return false;
    }
    using InitFn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    auto init = reinterpret_cast<InitFn>(reinterpret_cast<void (*)()>(GetProcAddress(comctl, "InitCommonControlsEx")));
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    if (!init || !init(&classes)) {
        *err = "InitCommonControlsEx: " + error_text(GetLastError());
        return false;
    }
    return true;
}

bool Win32Form::create(HINSTANCE instance, std::string* err) {
    if (!register_control_classes(instance, err)) return false;
    measure_dc_ = CreateCompatibleDC(nullptr);
    if (!measure_dc_) {
        *err = "CreateCompatibleDC: " + error_text(GetLastError());
        return false;
    }
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = window_proc;
    cls.hInstance = instance;
    cls.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VORLAN), IMAGE_ICON,
                                              GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    cls.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VORLAN), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    cls.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&cls) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        *err = "RegisterClassExW: " + error_text(GetLastError());
        return false;
    }

    // A picture that cannot be decoded leaves its box empty; the wizard works without it.
    std::string picture_err;
    if (!picture_->load(instance, IDR_PRESENTACION, &picture_err)) {
        OutputDebugStringW(widen("instalar: " + picture_err + "\n").c_str());
    }

    // Created without a size: the size depends on the DPI of the screen the
    // window lands on, known only once it exists.
    const std::wstring caption = widen(kWindowCaption);
    if (!CreateWindowExW(kWindowExStyle, kWindowClass, caption.c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 0,
                         0, nullptr, nullptr, instance, this)) {
        *err = "CreateWindowExW: " + error_text(GetLastError());
        return false;
    }
    dpi_ = dpi_of(hwnd_);
    fonts_ = std::make_unique<Fonts>(dpi_);
    picture_->scale(dpi_);
    if (!create_controls(err)) return false;
    stack_controls();

    const SIZE outer = outer_pixels(dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Whatever the frame turned out to be, the client area is what the design says.
    RECT client;
    GetClientRect(hwnd_, &client);
    const int dx = twips_to_pixels(kClientWidth, dpi_) - client.right;
    const int dy = twips_to_pixels(kClientHeight, dpi_) - client.bottom;
    if (dx || dy) {
        SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx + dx, outer.cy + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return true;
}

bool Win32Form::create_controls(std::string* err) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    for (const ControlDesign& d : kDesign) {
        const WindowKind kind = window_kind(d);
        std::wstring caption = widen(d.caption);
        if (d.kind == Kind::Text && (d.style & STYLE_MULTILINE)) caption = with_crlf(caption);
        void* param = d.kind == Kind::Picture ? picture_.get() : nullptr;
        HWND h = CreateWindowExW(kind.ex_style, kind.cls, caption.c_str(), kind.style, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id)), instance, param);
        if (!h) {
            *err = std::string("CreateWindowExW ") + d.name + ": " + error_text(GetLastError());
            return false;
        }
        at(d.id).hwnd = h;
        if (d.kind == Kind::Progress) {
            SendMessageW(h, PBM_SETRANGE32, 0, 100);
            SendMessageW(h, PBM_SETPOS, 0, 0);
        } else if (d.kind == Kind::Text) {
            SendMessageW(h, EM_SETLIMITTEXT, 0, 0);  // 0: as long as the system allows
        }
    }
    apply_fonts();
    lay_out();
    return true;
}

// Tab order follows the order of the child windows, and where controls
// overlap the earlier one is drawn on top: so the focusable controls go first
// in tab order, and the labels and the line go last, beneath everything.
void Win32Form::stack_controls() {
    std::vector<const ControlDesign*> order;
    for (const ControlDesign& d : kDesign) order.push_back(&d);
    auto place = [](const ControlDesign* d) {
        return std::pair(is_label_or_line(*d), d->tab_index < 0 ? kControlCount + 1 : d->tab_index);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](const ControlDesign* a, const ControlDesign* b) { return place(a) < place(b); });
    HWND after = HWND_TOP;
    for (const ControlDesign* d : order) {
        HWND h = at(d->id).hwnd;
        SetWindowPos(h, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        after = h;
    }
}

void Win32Form::lay_out() {
    for (const ControlDesign& d : kDesign) {
        int left = twips_to_pixels(d.left, dpi_);
        int top = twips_to_pixels(d.top, dpi_);
        int right, bottom;
        if (d.kind == Kind::Line) {
            // left, top, width, height hold the two ends; the line is one pixel at 96 DPI.
            right = twips_to_pixels(d.width, dpi_);
            bottom = top + std::max(1, MulDiv(1, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI));
        } else {
            right = twips_to_pixels(d.left + d.width, dpi_);
            bottom = twips_to_pixels(d.top + d.height, dpi_);
        }
        SetWindowPos(at(d.id).hwnd, nullptr, left, top, right - left, bottom - top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HFONT Win32Form::font_of(int id) const {
    Font font = design(id).font;
    if (font.face == Face::None) font = kDialogFont;
    if (at(id).bold) font.bold = true;
    return fonts_->get(font);
}

void Win32Form::apply_fonts() {
    for (const ControlDesign& d : kDesign) {
        SendMessageW(at(d.id).hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_of(d.id)), TRUE);
        if (d.kind == Kind::List) measure_list(d.id);
    }
}

void Win32Form::apply_dpi(UINT dpi) {
    dpi_ = dpi;
    // The controls switch to the new fonts before the old ones are destroyed.
    std::unique_ptr<Fonts> old = std::exchange(fonts_, std::make_unique<Fonts>(dpi));
    apply_fonts();
    old.reset();
    picture_->scale(dpi);
    lay_out();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

SIZE Win32Form::outer_pixels(UINT dpi) const {
    RECT r{0, 0, twips_to_pixels(kClientWidth, dpi), twips_to_pixels(kClientHeight, dpi)};
    adjust_window_rect(&r, kWindowStyle, kWindowExStyle, dpi);
    return {r.right - r.left, r.bottom - r.top};
}

void Win32Form::show(int show_command) {
    ShowWindow(hwnd_, show_command);
    UpdateWindow(hwnd_);
    if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
}

// ---------------------------------------------------------------------------
// Events

LRESULT CALLBACK Win32Form::window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* form = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    if (auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) return form->handle(msg, wp, lp);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT Win32Form::handle(UINT msg, WPARAM wp, LPARAM lp) noexcept {
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
        case WM_SYSCOLORCHANGE: forward_to_controls(msg, wp, lp); break;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

// Buttons, option buttons and labels all report a click with code 0
// (BN_CLICKED, STN_CLICKED).
LRESULT Win32Form::on_command(WPARAM wp, LPARAM lp) {
    const int id = LOWORD(wp);
    if (!lp || HIWORD(wp) != BN_CLICKED || id < Picture2 || id > Label2) return 0;
    const Kind kind = design(id).kind;
    if (kind != Kind::Button && kind != Kind::Option && kind != Kind::Label) return 0;
    // An option also reports a click when the keyboard moves the focus onto
    // it; it is then selected, as when clicked.
    if (kind == Kind::Option && !checked(id)) set_checked(id, true);
    if (app_) on_click(*app_, id);
    return 0;
}

LRESULT Win32Form::on_ctl_color(UINT msg, WPARAM wp, LPARAM lp) {
    HDC dc = reinterpret_cast<HDC>(wp);
    HWND child = reinterpret_cast<HWND>(lp);
    const int id = GetDlgCtrlID(child);
    if (id < Picture2 || id > Label2 || at(id).hwnd != child) return DefWindowProcW(hwnd_, msg, wp, lp);
    const ControlDesign& d = design(id);
    const Control& c = at(id);
    const int back_index = d.background >= 0 ? d.background : COLOR_BTNFACE;
    const int text_index = (d.kind == Kind::Text || d.kind == Kind::List) ? COLOR_WINDOWTEXT : COLOR_BTNTEXT;
    SetBkColor(dc, c.own_back ? c.back : GetSysColor(back_index));
    SetTextColor(dc, c.own_fore ? c.fore : GetSysColor(text_index));
    return reinterpret_cast<LRESULT>(c.own_back ? c.back_brush : GetSysColorBrush(back_index));
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
    if (focus_ && IsWindowVisible(focus_) && IsWindowEnabled(focus_)) SetFocus(focus_);
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
        release_held_updates();
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
        dispatch(msg);
    }
    return static_cast<int>(msg.wParam);
}

void Win32Form::yield() {
    // Called once per kilobyte of a copy: most calls return at once.
    if (--calls_to_clock_read_ > 0) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (now.QuadPart - last_clock_read_.QuadPart < pump_interval_ / 16) {
        clock_stride_ = std::min(2 * clock_stride_, kMostCallsPerClockRead);
    } else {
        clock_stride_ = 1;
    }
    calls_to_clock_read_ = clock_stride_;
    last_clock_read_ = now;
    if (now.QuadPart - last_pump_.QuadPart < pump_interval_) return;
    holding_ = true;
    if (now.QuadPart - last_show_.QuadPart >= show_interval_) {
        last_show_ = now;
        const bool lists = now.QuadPart - last_list_show_.QuadPart >= list_show_interval_;
        if (lists) last_list_show_ = now;
        show_held_updates(lists);
    }
    UINT filter = kInputOnly;
    if (now.QuadPart - last_paint_.QuadPart >= paint_interval_) {
        last_paint_ = now;
        filter = 0;
    } else if (!HIWORD(GetQueueStatus(kInputQueued))) {
        // An empty peek is dear under Wine; the status is a cheap first look.
        last_pump_ = now;
        return;
    }
    MSG msg;
    for (int n = 0; n < kMostMessagesPerPump && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | filter); ++n) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
            break;
        }
        dispatch(msg);
    }
    QueryPerformanceCounter(&last_pump_);
}

// Under Wine a list box repaints its selected lines and its themed scroll bar
// at once for every line added, replaced or selected, a progress bar repaints
// itself at every move, and a text box takes a round of notifications for
// every text: for a copy of small files, all that costs more than the copy.
// So while a handler yields, a visible list keeps its redraw off and its
// selection waits, bars and text boxes keep their new value, and all of it is
// shown in one go a few times a second, when the handler returns, and before
// a message box.
void Win32Form::hold_redraw(Control& c) {
    if (!holding_ || c.redraw_held || !IsWindowVisible(c.hwnd)) return;
    SendMessageW(c.hwnd, WM_SETREDRAW, FALSE, 0);
    c.redraw_held = true;
    held_ = true;
}

// Each control's update paints it at once; messages sent from elsewhere are
// answered between two of them.
void Win32Form::show_held_updates(bool lists) {
    if (!held_) return;
    held_ = false;
    for (Control& c : controls_) {
        bool painted = false;
        if (c.redraw_held && !lists) {
            held_ = true;
        } else if (c.redraw_held) {
            // Selected while the redraw is still off, so that the list paints once.
            if (c.held_select) SendMessageW(c.hwnd, LB_SETCURSEL, static_cast<WPARAM>(*c.held_select), 0);
            c.held_select.reset();
            c.redraw_held = false;
            SendMessageW(c.hwnd, WM_SETREDRAW, TRUE, 0);
            painted = true;
        }
        if (c.shown_progress != c.progress) {
            c.shown_progress = c.progress;
            SendMessageW(c.hwnd, PBM_SETPOS, static_cast<WPARAM>(c.progress), 0);
            painted = true;
        }
        if (c.held_text) {
            const std::wstring text = std::move(*c.held_text);
            c.held_text.reset();
            SetWindowTextW(c.hwnd, text.c_str());
            painted = true;
        }
        if (painted) answer_sent_messages();
    }
}

// A new line or a moved bar means a new file or a new stretch of one: the
// calls that follow may come at another pace.
void Win32Form::read_clock_at_next_yield() {
    clock_stride_ = 1;
    calls_to_clock_read_ = 1;
}

void Win32Form::answer_sent_messages() {
    MSG msg;
    if (HIWORD(GetQueueStatus(QS_SENDMESSAGE))) PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

void Win32Form::release_held_updates() {
    holding_ = false;
    show_held_updates();
}

// ---------------------------------------------------------------------------
// The Form, one property at a time

void Win32Form::move_focus_from(HWND leaving) {
    HWND next = GetNextDlgTabItem(hwnd_, leaving, FALSE);
    if (next == leaving || (next && (!IsWindowVisible(next) || !IsWindowEnabled(next)))) next = nullptr;
    // Focus moved in an inactive window would activate it; the move waits for
    // the window's return instead.
    if (GetActiveWindow() != hwnd_) {
        focus_ = next;
        return;
    }
    SetFocus(next ? next : hwnd_);
}

void Win32Form::set_visible(int id, bool visible) {
    // Windows keeps a window with its redraw off as hidden.
    if (at(id).redraw_held) show_held_updates();
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
    return at(id).redraw_held || (GetWindowLongPtrW(at(id).hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Win32Form::set_enabled(int id, bool enabled) {
    HWND h = at(id).hwnd;
    const bool had_focus = !enabled && GetFocus() == h;
    EnableWindow(h, enabled ? TRUE : FALSE);
    if (had_focus) move_focus_from(h);
}

bool Win32Form::enabled(int id) const { return IsWindowEnabled(at(id).hwnd) != FALSE; }

void Win32Form::set_text(int id, const std::string& text) {
    std::wstring wide = widen(text);
    const ControlDesign& d = design(id);
    if (d.kind == Kind::Text && (d.style & STYLE_MULTILINE)) wide = with_crlf(wide);
    Control& c = at(id);
    if (holding_ && d.kind == Kind::Text) {
        c.held_text = std::move(wide);
        held_ = true;
        return;
    }
    c.held_text.reset();
    SetWindowTextW(c.hwnd, wide.c_str());
}

std::string Win32Form::text(int id) const {
    if (const std::optional<std::wstring>& held = at(id).held_text) return narrow(*held);
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
    read_clock_at_next_yield();
    const std::wstring wide = widen(line);
    hold_redraw(at(id));
    SendMessageW(at(id).hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    update_list_extent(id, wide);
}

void Win32Form::list_clear(int id) {
    at(id).held_select.reset();
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
    Control& c = at(id);
    if (index < 0 || index >= list_count(id)) return;
    const std::wstring wide = widen(line);
    hold_redraw(c);
    // A selection still held is the one that counts, and it is shown later anyway.
    const bool was_selected = !c.held_select && SendMessageW(c.hwnd, LB_GETCURSEL, 0, 0) == index;
    SendMessageW(c.hwnd, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    SendMessageW(c.hwnd, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.c_str()));
    if (was_selected) list_select(id, index);
    update_list_extent(id, wide);
}

void Win32Form::list_select(int id, int index) {
    Control& c = at(id);
    if (c.redraw_held) {
        c.held_select = index;
        return;
    }
    SendMessageW(c.hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// The horizontal scroll range follows the widest line ever shown, so that a
// long path can be scrolled into view; it only grows until the list is emptied.
void Win32Form::update_list_extent(int id, const std::wstring& line) {
    Control& c = at(id);
    // Measured in a memory DC: under Wine a font put into a window's DC makes
    // the X driver read its resource files again, which costs more than the
    // measuring, once per line of the copy.
    HGDIOBJ old = SelectObject(measure_dc_, font_of(id));
    SIZE size{};
    GetTextExtentPoint32W(measure_dc_, line.c_str(), static_cast<int>(line.size()), &size);
    SelectObject(measure_dc_, old);
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
    const int position = percent >= 100 ? 100 : percent > 0 ? static_cast<int>(percent) : 0;
    Control& c = at(id);
    if (position != c.progress) read_clock_at_next_yield();
    c.progress = position;
    if (position == c.shown_progress) return;
    if (holding_) {
        held_ = true;
        return;
    }
    c.shown_progress = position;
    SendMessageW(c.hwnd, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void Win32Form::set_back_color(int id, std::uint32_t bgr) {
    Control& c = at(id);
    if (c.back_brush) DeleteObject(c.back_brush);
    c.own_back = true;
    c.back = static_cast<COLORREF>(bgr & 0x00FFFFFF);
    c.back_brush = CreateSolidBrush(c.back);
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
    release_held_updates();
    // A hidden window (the refusal of a second instance comes before the
    // window is shown) would keep the box off the taskbar and behind others.
    const bool owned = hwnd_ && IsWindowVisible(hwnd_);
    const UINT type = static_cast<UINT>(style) | (owned ? 0u : static_cast<UINT>(MB_SETFOREGROUND));
    return MessageBoxW(owned ? hwnd_ : nullptr, widen(text).c_str(), widen(title).c_str(), type);
}

Twips Win32Form::outer_size() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return {pixels_to_twips(r.right - r.left, dpi_), pixels_to_twips(r.bottom - r.top, dpi_)};
}

Twips Win32Form::screen_size() const {
    const UINT dpi = system_dpi();
    return {pixels_to_twips(GetSystemMetrics(SM_CXSCREEN), dpi), pixels_to_twips(GetSystemMetrics(SM_CYSCREEN), dpi)};
}

void Win32Form::move(std::int32_t left, std::int32_t top) {
    const UINT dpi = system_dpi();
    SetWindowPos(hwnd_, nullptr, twips_to_pixels(left, dpi), twips_to_pixels(top, dpi), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vorlan::win32

namespace vorlan::win32 {

// Holding back log-off, sleep and the taskbar progress come with the window's split.
void Win32Form::set_task(Task, std::function<void()>) {}

}  // namespace vorlan::win32
