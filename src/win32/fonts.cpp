#include "win32/fonts.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace vorlan::win32 {

namespace {

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

// The faces of 96 DPI or of above it: above, no bitmap face is a candidate.
constexpr UINT kAboveDefaultDpi = USER_DEFAULT_SCREEN_DPI + 1;

}  // namespace

LONG font_height(float points, UINT dpi) {
    return -MulDiv(static_cast<int>(std::lround(points * 100.0f)), static_cast<int>(dpi), 7200);
}

std::wstring face_for(Face face, UINT dpi, const std::function<bool(const std::wstring&)>& installed) {
    // "MS Sans Serif" is the classic dialog font, a bitmap font on every
    // Windows; its TrueType redraw and the later dialog font come next. Where
    // neither family exists (Wine without its own fonts), the metric-compatible
    // Liberation Sans stands in for Arial. A bitmap font has sizes for 96 DPI
    // only, blocky or too small elsewhere: above that, the redraw comes first.
    static const wchar_t* const sans[] = {L"MS Sans Serif", L"Microsoft Sans Serif", L"Tahoma",
                                          L"Arial",         L"Liberation Sans",      L"DejaVu Sans"};
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

HFONT Fonts::get(const Font& font, bool outline) {
    for (const Made& made : made_) {
        const Font& f = made.font;
        if (f.face == font.face && f.points == font.points && f.bold == font.bold && made.outline == outline)
            return made.handle.get();
    }
    LOGFONTW lf{};
    lf.lfHeight = font_height(font.points, dpi_);
    lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
    const std::wstring& face = installed_face(font.face, outline ? std::max(dpi_, kAboveDefaultDpi) : dpi_);
    std::wmemcpy(lf.lfFaceName, face.c_str(), face.size() + 1);
    UniqueGdi<HFONT> made(CreateFontIndirectW(&lf));
    if (!made) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return made_.emplace_back(Made{font, outline, std::move(made)}).handle.get();
}

}  // namespace vorlan::win32
