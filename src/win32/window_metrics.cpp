// Twips, points and faces made concrete at a DPI; the DPI itself.

#include <cmath>
#include <cwchar>

#include "win32/window.h"
#include "win32/window_parts.h"

namespace vorlan::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

UINT screen_dpi() {
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int CALLBACK note_found(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool face_installed(const std::wstring& face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    if (face.size() >= LF_FACESIZE) return false;
    std::wmemcpy(query.lfFaceName, face.c_str(), face.size() + 1);
    bool found = false;
    const WindowDc screen(nullptr);
    EnumFontFamiliesExW(screen.get(), &query, note_found, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// Looked up once: the installed fonts do not change while the wizard runs.
const std::wstring& installed_face(Face face, UINT dpi) {
    static std::wstring chosen[3][2];
    const bool scaled = dpi > USER_DEFAULT_SCREEN_DPI;
    std::wstring& slot = chosen[static_cast<int>(face)][scaled ? 1 : 0];
    if (slot.empty()) slot = face_for(face, dpi, face_installed);
    return slot;
}

}  // namespace

int twips_to_pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

float pixels_to_twips(int pixels, UINT dpi) { return static_cast<float>(pixels) * 1440.0f / static_cast<float>(dpi); }

LONG font_height(float points, UINT dpi) {
    return -MulDiv(static_cast<int>(std::lround(points * 100.0f)), static_cast<int>(dpi), 7200);
}

std::wstring face_for(Face face, UINT dpi, const std::function<bool(const std::wstring&)>& installed) {
    // "MS Sans Serif" is the classic dialog font, a bitmap font on every
    // Windows; its TrueType redraw and the later dialog font come next. Where
    // neither family exists (Wine without its own fonts), the metric-compatible
    // Liberation Sans stands in for Arial. A bitmap font has sizes for 96 DPI
    // only, blocky or too small elsewhere: above that, the redraw comes first.
    static const wchar_t* const sans[] = {L"MS Sans Serif", L"Microsoft Sans Serif", L"Tahoma", L"Arial",
                                          L"Liberation Sans", L"DejaVu Sans"};
    static const wchar_t* const arial[] = {L"Arial", L"Liberation Sans", L"Helvetica", L"DejaVu Sans"};
    const bool is_arial = face == Face::Arial;
    const bool scaled = dpi > USER_DEFAULT_SCREEN_DPI;
    const wchar_t* const* first = is_arial ? std::begin(arial) : std::begin(sans) + (scaled ? 1 : 0);
    const wchar_t* const* last = is_arial ? std::end(arial) : std::end(sans);
    for (const wchar_t* const* candidate = first; candidate != last; ++candidate) {
        if (installed(*candidate)) return *candidate;
    }
    return *first;
}

std::wstring with_crlf(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') {
            out += L"\r\n";
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else if (c == L'\n') {
            out += L"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

UINT dpi_of(HWND hwnd) {
    static const auto get_dpi_for_window = user32_function<GetDpiForWindowFn>("GetDpiForWindow");
    UINT dpi = get_dpi_for_window && hwnd ? get_dpi_for_window(hwnd) : 0;
    return dpi ? dpi : screen_dpi();
}

UINT system_dpi() {
    static const auto get_dpi_for_system = user32_function<GetDpiForSystemFn>("GetDpiForSystem");
    UINT dpi = get_dpi_for_system ? get_dpi_for_system() : 0;
    return dpi ? dpi : screen_dpi();
}

int metric_for_dpi(int index, UINT dpi) {
    static const auto for_dpi = user32_function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (for_dpi) return for_dpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(system_dpi()));
}

bool adjust_window_rect(RECT* rect, DWORD style, DWORD ex_style, UINT dpi) {
    static const auto adjust_for_dpi = user32_function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (adjust_for_dpi) return adjust_for_dpi(rect, style, FALSE, ex_style, dpi) != FALSE;
    return AdjustWindowRectEx(rect, style, FALSE, ex_style) != FALSE;
}

HFONT Fonts::get(const Font& font) {
    for (const auto& made : made_) {
        const Font& f = made.first;
        if (f.face == font.face && f.points == font.points && f.bold == font.bold) return made.second.get();
    }
    LOGFONTW lf{};
    lf.lfHeight = font_height(font.points, dpi_);
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    const std::wstring& face = installed_face(font.face, dpi_);
    std::wmemcpy(lf.lfFaceName, face.c_str(), face.size() + 1);
    UniqueGdi<HFONT> made(CreateFontIndirectW(&lf));
    if (!made) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return made_.emplace_back(font, std::move(made)).second.get();
}

}  // namespace vorlan::win32
