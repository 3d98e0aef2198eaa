#pragma once
// The design's fonts made concrete at a DPI: the face that draws each design
// face, the height of a point size, and one font handle per distinct font.

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "win32/handle.h"
#include "wizard/controls.h"

namespace vorlan::win32 {

// The LOGFONT height of a font of `points` (72 to the inch): negative, so that
// it is the character height without the internal leading, as point sizes are meant.
LONG font_height(float points, UINT dpi);
// The face that draws a design face at `dpi`: the first of its candidates
// that is installed, or the first candidate, left to the font mapper, when
// none is. Above 96 DPI a bitmap face is no candidate.
std::wstring face_for(Face face, UINT dpi, const std::function<bool(const std::wstring&)>& installed);

// One font handle per distinct design font, at one DPI; destroyed with the set.
class Fonts {
public:
    explicit Fonts(UINT dpi) : dpi_(dpi) {}

    // `outline`: from an outline face even at 96 DPI, for a size other than
    // the design's, which a bitmap face may not have.
    HFONT get(const Font& font, bool outline = false);

private:
    struct Made {
        Font font;
        bool outline;
        UniqueGdi<HFONT> handle;
    };
    UINT dpi_;
    std::vector<Made> made_;
};

}  // namespace vorlan::win32
