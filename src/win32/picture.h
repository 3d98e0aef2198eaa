#pragma once
// The presentation picture, and the window classes of the two controls the
// system has no class for: the picture box and the line.

#include <windows.h>

#include <wincodec.h>

#include <string>

#include "win32/handle.h"

namespace vorlan::win32 {

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
