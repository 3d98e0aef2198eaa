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

// The system colours the window draws with, by the platform's numbers.
enum : SysColor {
    SYS_WINDOW = 5,
    SYS_WINDOW_TEXT = 8,
    SYS_APP_WORKSPACE = 12,
    SYS_HIGHLIGHT_TEXT = 14,
    SYS_BUTTON_FACE = 15,
    SYS_BUTTON_TEXT = 18,
    SYS_BUTTON_HIGHLIGHT = 20,
    SYS_3D_LIGHT = 22,
};

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
inline constexpr SysColor kLineColor = SYS_APP_WORKSPACE;

// Colours of the failure list once styled, 0x00BBGGRR. Pure red on yellow is
// 3.7 : 1, too faint to read comfortably; this red, 229 of 255, is the
// brightest that reaches 4.5 : 1 on the yellow (4.52 : 1), so the list keeps
// its look.
inline constexpr std::uint32_t kYellow = 0x0000FFFF;
inline constexpr std::uint32_t kRed = 0x000000E5;

// The texts of the two choices: the labels beside the options show them, and
// the options are announced by them.
inline constexpr const char* kInstallChoice = "Instalar aplicación VORLAN";
inline constexpr const char* kCopyChoice = "Copiar datos de la aplicación";

// What a screen reader announces for a control whose window text would say
// nothing or the wrong thing: the options' stored caption is "Option1" for
// both, and text boxes, lists and bars take their name from the label placed
// before them, which the design places after everything. Controls not listed
// are announced by their own text.
struct AccessibleName {
    Ctl id;
    const char* name;  // UTF-8
};
inline constexpr int kAccessibleNameCount = 11;
extern const std::array<AccessibleName, kAccessibleNameCount> kAccessibleNames;

}  // namespace vorlan
