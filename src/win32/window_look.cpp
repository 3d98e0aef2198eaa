// How the window looks and what it says beyond places and captions: the
// colours (high contrast too), the counters' font, the focus the program
// gives, and the controls' names for screen readers.

#include "win32/window.h"

#include "win32/fonts.h"
#include "wizard/appearance.h"

namespace vorlan::win32 {

namespace {

bool system_high_contrast() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

bool is_single_line_text(const ControlDesign& d) { return d.kind == Kind::Text && !(d.style & STYLE_MULTILINE); }

}  // namespace

HRESULT Win32Form::name_controls(IAccPropServices* services) {
    return names_.apply(services, [this](int id) { return at(id).hwnd; });
}

void Win32Form::set_high_contrast_query(std::function<bool()> query) {
    high_contrast_query_ = std::move(query);
    on_look_changed();
}

// Asked again at every change: turning high contrast on or off sends
// WM_SETTINGCHANGE and WM_SYSCOLORCHANGE, and the window follows without a
// restart. Everything is drawn again, in the colours on_ctl_color now gives.
void Win32Form::on_look_changed() {
    high_contrast_ = high_contrast_query_ ? high_contrast_query_() : system_high_contrast();
    if (!hwnd_) return;
    // The line has no text to colour: it is nothing but its class's background.
    if (HWND line = at(Line1).hwnd) {
        const Colours c = control_colours(design(Line1), {}, high_contrast_);
        SetClassLongPtrW(line, GCLP_HBRBACKGROUND, static_cast<LONG_PTR>(c.back.system + 1));
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

LRESULT Win32Form::on_ctl_color(UINT msg, WPARAM wp, LPARAM lp) {
    HDC dc = reinterpret_cast<HDC>(wp);
    HWND child = reinterpret_cast<HWND>(lp);
    const int id = GetDlgCtrlID(child);
    if (id < Picture2 || id > Label2 || at(id).hwnd != child) return DefWindowProcW(hwnd_, msg, wp, lp);
    const Control& c = at(id);
    OwnColours own;
    if (c.own_back) own.back = c.back;
    if (c.own_fore) own.text = c.fore;
    const Colours colours = control_colours(design(id), own, high_contrast_);
    SetBkColor(dc, colours.back.system >= 0 ? GetSysColor(colours.back.system) : colours.back.bgr);
    SetTextColor(dc, colours.text.system >= 0 ? GetSysColor(colours.text.system) : colours.text.bgr);
    // A fixed background is only ever the program's own, whose brush is kept.
    return reinterpret_cast<LRESULT>(colours.back.system >= 0 ? GetSysColorBrush(colours.back.system)
                                                              : c.back_brush.get());
}

// Windows' automatic option buttons select themselves when they get the
// focus, and every option button then reports a click, as when the arrow
// keys move onto it; a focus the program gives (after a page move, or back
// where it was when the window returns to the front) is no choice of the
// user's. So an option that is not selected takes it as a plain option
// button, and its click is not passed on.
void Win32Form::focus_quietly(HWND control) {
    const int id = GetDlgCtrlID(control);
    const bool option = id >= Picture2 && id <= Label2 && design(id).kind == Kind::Option && !checked(id);
    if (option) SendMessageW(control, BM_SETSTYLE, BS_RADIOBUTTON, FALSE);
    focusing_quietly_ = true;
    SetFocus(control);
    focusing_quietly_ = false;
    if (option) SendMessageW(control, BM_SETSTYLE, BS_AUTORADIOBUTTON, FALSE);
}

void Win32Form::set_focus(int id) {
    HWND h = at(id).hwnd;
    if (!IsWindowVisible(h) || !IsWindowEnabled(h)) return;
    // Focus given to an inactive window would bring it to the front over
    // what the user is doing (the setup program just started): it waits for
    // the window's return instead.
    if (GetActiveWindow() != hwnd_) {
        focus_ = h;
        return;
    }
    focus_quietly(h);
}

// The counters' boxes are the design's, 33 pixels wide at 96 DPI: a number of
// five digits fills one at the design's size, and a tile tree has six or
// seven. A number with a digit cut off reads as another number, so the font
// shrinks instead, in quarter points, as far as the whole number needs. The
// smaller sizes come from an outline face (MS Sans Serif is a bitmap font with
// no size below 8 points).
void Win32Form::fit_text(int id, bool font_set) {
    const ControlDesign& d = design(id);
    if (!is_single_line_text(d)) return;
    Control& c = at(id);
    if (font_set) c.points = -1;  // whatever it was: measured again
    const std::wstring text = [&] {
        std::wstring wide(static_cast<std::size_t>(GetWindowTextLengthW(c.hwnd)) + 1, L'\0');
        wide.resize(
            static_cast<std::size_t>(std::max(GetWindowTextW(c.hwnd, wide.data(), static_cast<int>(wide.size())), 0)));
        return wide;
    }();
    RECT client{};
    GetClientRect(c.hwnd, &client);
    const int margin = MulDiv(1, static_cast<int>(dpi_), USER_DEFAULT_SCREEN_DPI);
    auto width_at = [&](float points) {
        Font font = d.font;
        font.points = points;
        SIZE size{};
        const SelectedObject selected(measure_dc_.get(), fonts_->get(font, points != d.font.points));
        GetTextExtentPoint32W(measure_dc_.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const float fitted = fitting_points(d.font.points, client.right - 2 * margin, width_at);
    const float points = fitted == d.font.points ? 0 : fitted;
    if (points == c.points) return;
    c.points = points;
    SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_of(id)), TRUE);
    // A new font brings the font's own margins back.
    SendMessageW(c.hwnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
}

}  // namespace vorlan::win32
