#include <gtest/gtest.h>

#include "wizard/controls.h"

namespace vorlan {
namespace {

TEST(Design, IdsFollowTheTableAndEveryControlFitsTheClientArea) {
    for (int i = 0; i < kControlCount; ++i) {
        const ControlDesign& d = kDesign[static_cast<std::size_t>(i)];
        EXPECT_EQ(d.id, 1001 + i) << d.name;
        if (d.kind == Kind::Line) continue;
        EXPECT_LE(d.left + d.width, kClientWidth) << d.name;
        EXPECT_LE(d.top + d.height, kClientHeight) << d.name;
    }
    EXPECT_EQ(kDesign.back().id, Label2);
}

TEST(Design, StartsOnPageZeroWithOnlySiguienteOfPageOneDisabled) {
    std::vector<std::string> visible, disabled;
    for (const ControlDesign& d : kDesign) {
        if (d.visible) visible.push_back(d.name);
        if (!d.enabled) disabled.push_back(d.name);
    }
    EXPECT_EQ(visible, (std::vector<std::string>{"Picture2", "btn_sig0", "btn_Cancel", "Texto_Presentacion",
                                                  "TituloPresentacion", "Line1"}));
    EXPECT_EQ(disabled, std::vector<std::string>{"btn_sig1"});
}

}  // namespace
}  // namespace vorlan
