// What the window draws beyond places and captions: the colours, in high
// contrast too, the counters' size, and what a screen reader announces.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "wizard/appearance.h"
#include "wizard/controls.h"

namespace vorlan {
namespace {

constexpr Colour sys(SysColor index) { return {index, 0}; }
constexpr Colour bgr(std::uint32_t value) { return {-1, value}; }

TEST(Colours, TheDesignsOutsideHighContrastAndTheThemesPairsInIt) {
    const OwnColours none, failure_list{kYellow, kRed};
    struct Case {
        Ctl id;
        const OwnColours& own;
        bool high_contrast;
        Colours want;
    };
    const Case cases[] = {
        {ListaFicherosFail, failure_list, false, {bgr(kYellow), bgr(kRed)}},
        {ListaFicherosFail, failure_list, true, {sys(SYS_WINDOW), sys(SYS_WINDOW_TEXT)}},
        {Leeme, none, false, {sys(SYS_HIGHLIGHT_TEXT), sys(SYS_WINDOW_TEXT)}},
        {Leeme, none, true, {sys(SYS_WINDOW), sys(SYS_WINDOW_TEXT)}},
        {Texto_Presentacion, none, true, {sys(SYS_WINDOW), sys(SYS_WINDOW_TEXT)}},
        {ListaFicheros, none, false, {sys(SYS_BUTTON_HIGHLIGHT), sys(SYS_WINDOW_TEXT)}},
        {NumFilesCopy, none, false, {sys(SYS_BUTTON_FACE), sys(SYS_WINDOW_TEXT)}},
        {NumFilesCopy, none, true, {sys(SYS_BUTTON_FACE), sys(SYS_BUTTON_TEXT)}},  // no box: on the face
        {Label4, none, true, {sys(SYS_BUTTON_FACE), sys(SYS_BUTTON_TEXT)}},
        {Option1, failure_list, true, {sys(SYS_BUTTON_FACE), sys(SYS_BUTTON_TEXT)}},
        {Line1, none, false, {sys(kLineColor), sys(SYS_BUTTON_TEXT)}},
        {Line1, none, true, {sys(SYS_BUTTON_TEXT), sys(SYS_BUTTON_TEXT)}},
    };
    for (const Case& c : cases) {
        const Colours got = control_colours(design(c.id), c.own, c.high_contrast);
        EXPECT_EQ(got, c.want) << design(c.id).name << (c.high_contrast ? " in high contrast" : "") << ": "
                               << got.back.system << "/" << got.back.bgr << " on " << got.text.system << "/"
                               << got.text.bgr;
    }
    // In high contrast nothing of the design's or the program's own is left.
    for (const ControlDesign& d : kDesign) {
        const Colours c = control_colours(d, failure_list, true);
        EXPECT_TRUE(c.back.system >= 0 && c.text.system >= 0) << d.name;
        EXPECT_TRUE(c.back.system == SYS_WINDOW || c.back.system == SYS_BUTTON_FACE || d.kind == Kind::Line) << d.name;
    }
}

// WCAG 2's contrast ratio of two 0x00BBGGRR colours.
double contrast(std::uint32_t a, std::uint32_t b) {
    auto luminance = [](std::uint32_t c) {
        auto linear = [](unsigned v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c & 0xFF) + 0.7152 * linear((c >> 8) & 0xFF) + 0.0722 * linear((c >> 16) & 0xFF);
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(Colours, TheFailureListsRedIsTheBrightestThatReadsOnItsYellow) {
    EXPECT_GE(contrast(kRed, kYellow), 4.5);
    EXPECT_EQ(kRed & 0xFFFF00, 0u) << "a red, still";
    EXPECT_LT(contrast(kRed + 1, kYellow), 4.5) << "a brighter red would read as well";
}

// The counters' box at a DPI, as the window makes it: 495 twips less a pixel
// of margin on each side at 96 DPI, scaled.
int counter_room(int dpi) {
    const ControlDesign& d = design(NumFilesToCopy);
    auto px = [dpi](int twips) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); };
    return px(d.left + d.width) - px(d.left) - 2 * (dpi / 96);
}

// Digits of a sans-serif face are about 0.56 em wide, each a whole pixel.
int digits_width(const std::string& text, float points, int dpi) {
    return static_cast<int>(text.size()) * static_cast<int>(std::lround(points * dpi / 72 * 0.56));
}

TEST(Counters, EveryDigitOfSevenFitsTheBoxAtEveryDpi) {
    const float design_points = design(NumFilesToCopy).font.points;
    for (int dpi : {96, 144, 192}) {
        for (const std::string text : {"0", "345", "65140", "100000", "9999999"}) {
            SCOPED_TRACE(std::to_string(dpi) + " DPI, " + text);
            auto width = [&](float points) { return digits_width(text, points, dpi); };
            const int room = counter_room(dpi);
            const float points = fitting_points(design_points, room, width);
            EXPECT_LE(width(points), room) << points << " points";
            if (width(design_points) <= room) EXPECT_EQ(points, design_points);
            else EXPECT_GT(width(points + 0.25f), room) << points << " points is smaller than it needs to be";
        }
    }
    // Short numbers keep the design's size at 96 DPI.
    EXPECT_EQ(fitting_points(design_points, counter_room(96), [](float p) { return digits_width("345", p, 96); }),
              design_points);
}

// A blind user hears each option by the text the labels beside it show, and
// every box, list and bar by a name of its own.
TEST(AccessibleNames, OptionsByTheirLabelsAndEveryBoxListAndBarByItsOwn) {
    std::set<int> named;
    std::set<std::string> names;
    for (const AccessibleName& n : kAccessibleNames) {
        EXPECT_TRUE(named.insert(n.id).second) << design(n.id).name << " named twice";
        EXPECT_TRUE(names.insert(n.name).second) << n.name << " names two controls";
    }
    for (const ControlDesign& d : kDesign) {
        const bool needs =
            d.kind == Kind::Option || d.kind == Kind::Text || d.kind == Kind::List || d.kind == Kind::Progress;
        EXPECT_TRUE(!needs || named.count(d.id)) << d.name << " has no name";
    }
    auto name_of = [](int id) {
        for (const AccessibleName& n : kAccessibleNames)
            if (n.id == id) return std::string(n.name);
        return std::string();
    };
    EXPECT_EQ(name_of(Option1), design(Label4).caption);
    EXPECT_EQ(name_of(Option2), design(Label5).caption);
    EXPECT_EQ(name_of(ListaFicheros), "Registro de la copia");
    EXPECT_EQ(name_of(ListaFicherosFail), "Informe de errores");
    EXPECT_EQ(name_of(NumFilesCopy), "Archivos copiados");
    EXPECT_EQ(name_of(NumFilesToCopy), "Archivos que copiar");
}

}  // namespace
}  // namespace vorlan
