#pragma once
// Design units made concrete at a DPI, and the DPI itself, asked in a way
// that works on every Windows version: the per-window functions of Windows 10
// where they exist, the system's DPI before.

#include <windows.h>

namespace vorlan::win32 {

// Design units to pixels at a given DPI: 1440 twips to the inch.
int twips_to_pixels(int twips, UINT dpi);
float pixels_to_twips(int pixels, UINT dpi);

// The DPI a window is drawn at; the system DPI where the system predates
// per-window DPI.
UINT dpi_of(HWND hwnd);
// The DPI of the primary screen as this process sees it.
UINT system_dpi();
// A system metric at a given DPI (scaled from the system DPI's before Windows 10).
int metric_for_dpi(int index, UINT dpi);
// AdjustWindowRectEx at a given DPI (at the system DPI before Windows 10).
bool adjust_window_rect(RECT* rect, DWORD style, DWORD ex_style, UINT dpi);

}  // namespace vorlan::win32
