#pragma once
// How the window draws its controls beyond their places: the colours, in
// high-contrast mode too, and the size at which a counter shows its number.

#include <cstdint>
#include <functional>
#include <optional>

#include "wizard/controls.h"

namespace vorlan {

// A colour as the window draws it: one of the system's, or a fixed one.
struct Colour {
    SysColor system = -1;   // a system colour, or -1 for `bgr`
    std::uint32_t bgr = 0;  // 0x00BBGGRR
    bool operator==(const Colour&) const = default;
};

struct Colours {
    Colour back, text;
    bool operator==(const Colours&) const = default;
};

// Colours the program gave a control at run time (the failure list's).
struct OwnColours {
    std::optional<std::uint32_t> back, text;
};

// The colours control `d` is drawn in. Outside high contrast: the program's
// own, else the design's, else the system's defaults for its kind. In high
// contrast the user's theme decides alone: reading areas (lists, boxed text)
// take the window colours, everything else the button colours, the pairs
// the theme makes readable together; the design's pairs (highlighted text or
// 3-D light as a background behind window text) can come out white on white
// there, and the failure list's yellow ignores the theme altogether.
Colours control_colours(const ControlDesign& d, const OwnColours& own, bool high_contrast);

// The counters shrink their font, never their box, to show every digit.
inline constexpr float kSmallestPoints = 4.0f;

// The size, in points, at which a text fits `room` pixels of width: the
// design's size when it fits there, else the largest size below it, in
// quarter points, at which it does (kSmallestPoints when none does).
// `width_at` measures the text at a size, in pixels.
float fitting_points(float design_points, int room, const std::function<int(float points)>& width_at);

}  // namespace vorlan
