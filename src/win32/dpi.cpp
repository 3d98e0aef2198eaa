#include "win32/dpi.h"

#include "win32/dll_function.h"
#include "win32/handle.h"

namespace vorlan::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

template <class F>
F user32_function(const char* name) {
    return dll_function<F>(L"user32.dll", name);
}

UINT screen_dpi() {
    const WindowDc screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

int twips_to_pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

float pixels_to_twips(int pixels, UINT dpi) { return static_cast<float>(pixels) * 1440.0f / static_cast<float>(dpi); }

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

}  // namespace vorlan::win32
