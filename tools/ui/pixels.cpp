#include "ui/pixels.h"

#include "ui/files.h"
#include "win32/handle.h"

namespace vorlan::ui {

Pixels Pixels::of(HWND hwnd) {
    RECT rc{};
    if (!GetClientRect(hwnd, &rc)) return {};
    MapWindowPoints(hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    return of_screen(rc);
}

Pixels Pixels::of_screen(const RECT& rc) {
    Pixels p;
    p.width_ = rc.right - rc.left;
    p.height_ = rc.bottom - rc.top;
    if (p.width_ <= 0 || p.height_ <= 0) return p;
    const win32::WindowDc screen(nullptr);
    const win32::UniqueDc copy(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = p.width_;
    info.bmiHeader.biHeight = -p.height_;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const win32::UniqueGdi<HBITMAP> bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return {};
    {
        const win32::SelectedObject selected(copy.get(), bitmap.get());
        BitBlt(copy.get(), 0, 0, p.width_, p.height_, screen.get(), rc.left, rc.top, SRCCOPY);
    }
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    p.bgra_.assign(words, words + static_cast<std::size_t>(p.width_) * static_cast<std::size_t>(p.height_));
    return p;
}

COLORREF Pixels::at(int x, int y) const {
    const std::uint32_t v =
        bgra_.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x));
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

int Pixels::count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) n += at(x, y) == colour;
    return n;
}

std::vector<std::pair<int, int>> Pixels::dark_column_runs() const {
    std::vector<std::pair<int, int>> runs;
    bool in_run = false;
    for (int x = 0; x < width_; ++x) {
        bool dark = false;
        for (int y = 0; y < height_ && !dark; ++y) {
            const COLORREF c = at(x, y);
            dark = GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114 < 128 * 1000;
        }
        if (dark && !in_run) runs.push_back({x, x});
        if (dark) runs.back().second = x;
        in_run = dark;
    }
    return runs;
}

bool Pixels::write_bmp(const std::string& path) const {
    const int row = (width_ * 3 + 3) & ~3;
    std::string data(static_cast<std::size_t>(row) * static_cast<std::size_t>(height_), '\0');
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const COLORREF c = at(x, height_ - 1 - y);  // bottom row first
            char* px = &data[static_cast<std::size_t>(y * row + x * 3)];
            px[0] = static_cast<char>(GetBValue(c));
            px[1] = static_cast<char>(GetGValue(c));
            px[2] = static_cast<char>(GetRValue(c));
        }
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + data.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes += data;
    return write_file(path, bytes);
}

}  // namespace vorlan::ui
