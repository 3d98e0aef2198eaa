#pragma once
// The pieces the window is built from: DPI queries that work on every
// Windows version, the fonts at one DPI, and the presentation picture.

#include <windows.h>

#include <shobjidl.h>
#include <wincodec.h>

#include <string>
#include <utility>
#include <vector>

#include "win32/handle.h"
#include "wizard/controls.h"

namespace vorlan::win32 {

// Functions of newer Windows versions, found at run time so that the program
// still starts on the versions that lack them.
template <class F>
F user32_function(const char* name) {
    FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(found));
}

// The DPI a window is drawn at; the system DPI where the system predates
// per-window DPI.
UINT dpi_of(HWND hwnd);
// The DPI of the primary screen as this process sees it.
UINT system_dpi();
// A system metric at a given DPI (scaled from the system DPI's before Windows 10).
int metric_for_dpi(int index, UINT dpi);
// AdjustWindowRectEx at a given DPI (at the system DPI before Windows 10).
bool adjust_window_rect(RECT* rect, DWORD style, DWORD ex_style, UINT dpi);

// The option that starts the option group: the first in tab order.
const ControlDesign* first_option();

// One font handle per distinct design font, at one DPI; destroyed with the set.
class Fonts {
public:
    explicit Fonts(UINT dpi) : dpi_(dpi) {}

    HFONT get(const Font& font);

private:
    UINT dpi_;
    std::vector<std::pair<Font, UniqueGdi<HFONT>>> made_;
};

// The window's taskbar button (Windows 7 on): its progress and its state.
// Where the shell lacks the interface (Wine may), every call does nothing.
class TaskbarButton {
public:
    // The button was made anew (the shell restarted): the next show asks again.
    void renew() {
        tried_ = false;
        list_.reset();
    }
    void show(HWND hwnd, TBPFLAG state, int percent);

private:
    UniqueCom<ITaskbarList3> list_;
    bool tried_ = false;
};

// The presentation picture: the JPEG resource decoded once, kept as a bitmap
// at the window's DPI.
class Picture {
public:
    bool load(HINSTANCE instance, int resource_id, std::string* err);
    // Makes the bitmap at `dpi`; the image keeps its natural size at 96 DPI.
    void scale(UINT dpi);
    // Draws the image from the top-left corner; the rest in the face colour.
    void paint(HDC dc, const RECT& area) const;

private:
    UniqueCom<IWICImagingFactory> factory_;
    UniqueCom<IWICBitmap> decoded_;
    UniqueGdi<HBITMAP> bitmap_;
    SIZE size_{};
};

// The window classes of the picture box and the line; the picture window
// takes its Picture as the creation parameter.
inline constexpr wchar_t kPictureClass[] = L"VorlanPicture";
inline constexpr wchar_t kLineClass[] = L"VorlanLine";
bool register_control_classes(HINSTANCE instance, std::string* err);

}  // namespace vorlan::win32
