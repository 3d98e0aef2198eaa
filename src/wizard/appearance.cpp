#include "wizard/appearance.h"

namespace vorlan {

namespace {

constexpr Colour system(SysColor index) { return {index, 0}; }
constexpr Colour fixed(std::uint32_t bgr) { return {-1, bgr & 0x00FFFFFF}; }

bool is_reading_area(const ControlDesign& d) {
    return d.kind == Kind::List || (d.kind == Kind::Text && !(d.style & STYLE_NOBORDER));
}

}  // namespace

Colours control_colours(const ControlDesign& d, const OwnColours& own, bool high_contrast) {
    if (high_contrast) {
        // The line is drawn as text is, so that it shows on the face.
        if (d.kind == Kind::Line) return {system(SYS_BUTTON_TEXT), system(SYS_BUTTON_TEXT)};
        if (is_reading_area(d)) return {system(SYS_WINDOW), system(SYS_WINDOW_TEXT)};
        return {system(SYS_BUTTON_FACE), system(SYS_BUTTON_TEXT)};
    }
    Colours c;
    if (own.back) c.back = fixed(*own.back);
    else if (d.kind == Kind::Line) c.back = system(kLineColor);
    else c.back = system(d.background >= 0 ? d.background : SYS_BUTTON_FACE);
    if (own.text) c.text = fixed(*own.text);
    else c.text = system(d.kind == Kind::Text || d.kind == Kind::List ? SYS_WINDOW_TEXT : SYS_BUTTON_TEXT);
    return c;
}

float fitting_points(float design_points, int room, const std::function<int(float points)>& width_at) {
    if (width_at(design_points) <= room) return design_points;
    // Sizes kSmallestPoints + k / 4 for k in [0, steps); the text is no
    // wider at a smaller size, so the largest that fits is found by halving.
    const int steps = static_cast<int>((design_points - kSmallestPoints) * 4);
    auto size = [](int k) { return kSmallestPoints + static_cast<float>(k) / 4; };
    int fits = 0, too_wide = steps;  // size(fits) is taken when nothing fits
    while (too_wide - fits > 1) {
        const int mid = (fits + too_wide) / 2;
        if (width_at(size(mid)) <= room) fits = mid;
        else too_wide = mid;
    }
    return size(fits);
}

}  // namespace vorlan
