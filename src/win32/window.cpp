// Building the window: its class, the controls of the design table, their
// stacking, fonts and places at the window's DPI.

#include "win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "win32/dpi.h"
#include "win32/fonts.h"
#include "win32/picture.h"
#include "win32/resources.h"
#include "win32/text.h"
#include "wizard/texts.h"

namespace vorlan::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"VorlanInstalar";
// Fixed size: no sizing border and no maximise box; minimise and close stay.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The controls take part in the keyboard interface of IsDialogMessage.
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;

constexpr Font kDialogFont{Face::SansSerif, 8.25f, false};

bool is_label_or_line(const ControlDesign& d) { return d.kind == Kind::Label || d.kind == Kind::Line; }

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
        case Kind::Picture: return {kPictureClass, style, 0};
        case Kind::List:
            return {L"LISTBOX", style | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};
        case Kind::Button: return {L"BUTTON", style | WS_TABSTOP | BS_PUSHBUTTON, 0};
        case Kind::Option:
            // Every other control starts a group of its own; the options
            // share one, opened by the first, which alone is a tab stop.
            if (&d == first_option()) return {L"BUTTON", style | WS_TABSTOP | BS_AUTORADIOBUTTON, 0};
            return {L"BUTTON", (style & ~WS_GROUP) | BS_AUTORADIOBUTTON, 0};
        case Kind::Progress: return {PROGRESS_CLASSW, style, 0};
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
        case Kind::Line: return {kLineClass, style, 0};
    }
    return {L"STATIC", style, 0};
}

}  // namespace

// The option that starts the group: the one that comes first in tab order.
const ControlDesign* first_option() {
    const ControlDesign* first = nullptr;
    for (const ControlDesign& d : kDesign) {
        if (d.kind == Kind::Option && (!first || d.tab_index < first->tab_index)) first = &d;
    }
    return first;
}

Win32Form::Win32Form()
    : fonts_(std::make_unique<Fonts>(USER_DEFAULT_SCREEN_DPI)),
      picture_(std::make_unique<Picture>()),
      deferred_([this](MSG& msg) { dispatch(msg); },
                [this](int id, int position) {
                    if (id == ProgressBarT) busy_.show_progress(position);
                }) {}

// The window goes first, while what it draws with is still there.
Win32Form::~Win32Form() {
    if (busy_.busy()) busy_.set(Task::Idle, {});
    names_.clear();
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

Win32Form::Control& Win32Form::at(int id) { return controls_.at(static_cast<std::size_t>(id - Picture2)); }
const Win32Form::Control& Win32Form::at(int id) const { return controls_.at(static_cast<std::size_t>(id - Picture2)); }
HWND Win32Form::control(int id) const { return at(id).hwnd; }

bool Win32Form::create(HINSTANCE instance, std::string* err) {
    if (!register_control_classes(instance, err)) return false;
    measure_dc_.reset(CreateCompatibleDC(nullptr));
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
    cls.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_VORLAN), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
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
    busy_.attach(hwnd_);
    dpi_ = dpi_of(hwnd_);
    fonts_ = std::make_unique<Fonts>(dpi_);
    picture_->scale(dpi_);
    load_icons(dpi_);
    if (!create_controls(err)) return false;
    stack_controls();
    on_look_changed();
    // Without names the controls are still announced, by their window texts.
    name_controls();

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
        const std::wstring caption =
            widen(d.kind == Kind::Text && (d.style & STYLE_MULTILINE) ? with_crlf(d.caption) : std::string(d.caption));
        void* param = d.kind == Kind::Picture ? picture_.get() : nullptr;
        HWND h = CreateWindowExW(kind.ex_style, kind.cls, caption.c_str(), kind.style, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(d.id)), instance, param);
        if (!h) {
            *err = std::string("CreateWindowExW ") + d.name + ": " + error_text(GetLastError());
            return false;
        }
        at(d.id).hwnd = h;
        deferred_.add_control(d.id, h);
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
        SetWindowPos(at(d.id).hwnd, nullptr, left, top, right - left, bottom - top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

HFONT Win32Form::font_of(int id) const {
    Font font = design(id).font;
    if (font.face == Face::None) font = kDialogFont;
    if (at(id).bold) font.bold = true;
    const bool fitted = at(id).points > 0;
    if (fitted) font.points = at(id).points;
    return fonts_->get(font, fitted);
}

void Win32Form::apply_fonts() {
    for (const ControlDesign& d : kDesign) {
        SendMessageW(at(d.id).hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_of(d.id)), TRUE);
        if (d.kind == Kind::List) measure_list(d.id);
        fit_text(d.id, true);
    }
}

void Win32Form::apply_dpi(UINT dpi) {
    dpi_ = dpi;
    // The controls switch to the new fonts before the old ones are destroyed.
    std::unique_ptr<Fonts> old = std::exchange(fonts_, std::make_unique<Fonts>(dpi));
    apply_fonts();
    old.reset();
    picture_->scale(dpi);
    load_icons(dpi);
    lay_out();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// The class's icons are drawn at the system DPI's sizes, blurred on a screen
// of another DPI: the window carries its own, made at its DPI's sizes.
void Win32Form::load_icons(UINT dpi) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE));
    const int sizes[2] = {metric_for_dpi(SM_CXICON, dpi), metric_for_dpi(SM_CXSMICON, dpi)};
    const WPARAM kinds[2] = {ICON_BIG, ICON_SMALL};
    for (int i = 0; i < 2; ++i) {
        UniqueIcon icon(static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(IDI_VORLAN), IMAGE_ICON, sizes[i], sizes[i], LR_DEFAULTCOLOR)));
        if (!icon) continue;
        SendMessageW(hwnd_, WM_SETICON, kinds[i], reinterpret_cast<LPARAM>(icon.get()));
        icons_[i] = std::move(icon);
    }
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
}  // namespace vorlan::win32
