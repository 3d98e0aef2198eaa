#pragma once
// What a window shows, read off the screen: for another process's controls,
// whose drawing can only be seen there.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vorlan::ui {

class Pixels {
public:
    // The pixels of `hwnd`'s client area as the screen shows them now.
    static Pixels of(HWND hwnd);
    // Of a rectangle of the screen.
    static Pixels of_screen(const RECT& rc);

    int width() const { return width_; }
    int height() const { return height_; }
    // 0x00BBGGRR, as COLORREF.
    COLORREF at(int x, int y) const;
    int count(COLORREF colour) const;
    // The runs of columns in which some pixel is darker than the middle grey:
    // the characters of a line of dark text, one run each where they do not
    // touch. Each run is [first, last].
    std::vector<std::pair<int, int>> dark_column_runs() const;
    // As a 24-bit BMP file.
    bool write_bmp(const std::string& path) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> bgra_;  // top row first
};

}  // namespace vorlan::ui
