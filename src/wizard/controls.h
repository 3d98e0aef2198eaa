#pragma once
// The wizard window's design: every control of every page, as data.
// The Win32 window is built from this table; the core addresses controls by id.

#include <array>
#include <cstdint>

namespace vorlan {

// Control id = 1000 + the control's number in the design.
enum Ctl : int {
    Picture2 = 1001,
    ListaFicherosFail,
    btn_fin,
    btn_inferr,
    btn_sig0,
    Option2,
    Option1,
    btn_sig1,
    btn_atras1,
    btn_atras3,
    ProgressBar,
    NumFilesToCopy,
    NumFilesCopy,
    btn_Cancel,
    btn_inst,
    ProgressBarT,
    Texto_Presentacion,
    Leeme,
    ListaFicheros,
    TituloCarto,
    TituloPresentacion,
    Label3,
    Label5,
    Label4,
    Line1,
    Label1,
    Label2,  // 1027
};

enum class Kind { Picture, List, Button, Option, Progress, Text, Label, Line };

enum class Face { None, SansSerif, Arial };  // "MS Sans Serif" and Arial

struct Font {
    Face face = Face::None;
    float points = 0;
    bool bold = false;
};

// A system colour index (COLOR_*), or -1 for the control's default.
using SysColor = int;

enum Style : unsigned {
    STYLE_NONE = 0,
    STYLE_MULTILINE = 1,  // text boxes
    STYLE_VSCROLL = 2,
    STYLE_READONLY = 4,
    STYLE_CENTER = 8,  // centred text or caption
    STYLE_RIGHT = 16,
    STYLE_NOBORDER = 32,
    STYLE_WRAP = 64,  // caption wraps within the label
};

struct ControlDesign {
    Ctl id;
    const char* name;
    Kind kind;
    const char* caption;  // UTF-8; empty for none
    Font font;
    // Twips from the client area's top-left. For the line: x1, y1, x2, y2.
    int left, top, width, height;
    bool visible, enabled;
    int tab_index;  // -1 for none
    SysColor background;
    unsigned style;
};

inline constexpr int kControlCount = 27;
extern const std::array<ControlDesign, kControlCount> kDesign;

const ControlDesign& design(int id);

// The window: caption and client size in twips.
inline constexpr const char* kWindowCaption = "Instalar la aplicación VORLAN";
inline constexpr int kClientWidth = 11895;
inline constexpr int kClientHeight = 7425;
inline constexpr SysColor kLineColor = 12;  // application workspace

// Colours of the failure list once styled, 0x00BBGGRR.
inline constexpr std::uint32_t kYellow = 0x0000FFFF;
inline constexpr std::uint32_t kRed = 0x000000FF;

}  // namespace vorlan
