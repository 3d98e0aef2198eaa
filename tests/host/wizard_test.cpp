// Start-up, page moves, the readme and the option choice, on the fakes.

#include <gtest/gtest.h>

#include <algorithm>

#include "host/test_app.h"

namespace vorlan::test {
namespace {

std::vector<int> ids(std::vector<int> v) {
    std::sort(v.begin(), v.end());
    return v;
}

const std::vector<int> kPage0 = ids({Picture2, btn_sig0, btn_Cancel, Texto_Presentacion, TituloPresentacion, Line1});
const std::vector<int> kPage1 = ids({Picture2, btn_Cancel, TituloPresentacion, Line1, Leeme, Label3, Option1, Label4,
                                     Option2, Label5, btn_atras1, btn_sig1});
const std::vector<int> kPage3 = ids({Picture2, btn_Cancel, Line1, TituloCarto, ListaFicheros, Label1, NumFilesCopy,
                                     Label2, NumFilesToCopy, ProgressBar, ProgressBarT, btn_atras3, btn_inst});

TEST(FormLoad, CentresFillsTheStateAndStylesTheFailureList) {
    TestApp t("D:\\");
    t.app.state = {};
    Form_Load(t.app);
    EXPECT_EQ(t.form.moves, (std::vector<std::pair<std::int32_t, std::int32_t>>{{3600, 3232}}));  // 6465 / 2
    const InstallerState& s = t.app.state;
    EXPECT_EQ(s.program_folder + " " + s.setup_program + " " + s.data_source + " " + s.data_destination,
              "D:\\ D:\\\\aplicacion\\vorlan.exe D:\\\\vorlan C:\\vorlan");
    const ControlState& list = t.form.at(ListaFicherosFail);
    EXPECT_TRUE(list.back == 0x0000FFFFu && list.fore == 0x000000FFu && list.bold);
    EXPECT_EQ(t.form.visible_ids(), kPage0);
}

TEST(Pages, EachMoveShowsExactlyItsPageAndOthersChangeNothing) {
    TestApp t;
    t.fs.add_file("E:\\instalar\\leeme.txt", "");
    FakeForm& form = t.form;
    App& app = t.app;
    const auto click = [&](std::initializer_list<int> ids) {
        for (int id : ids) on_click(app, id);
    };
    const std::string before = form.describe();
    for (int page : {2, 3, -1}) move_forward(app, page);
    for (int page : {0, 2, 4, -1}) move_back(app, page);
    EXPECT_EQ(form.describe(), before);

    click({btn_sig0});
    EXPECT_EQ(form.visible_ids(), kPage1) << form.describe();
    const std::string page1 = form.describe();
    click({btn_sig1});  // no option chosen yet
    EXPECT_EQ(form.describe(), page1);
    click({Label5, btn_sig1});
    EXPECT_EQ(form.visible_ids(), kPage3) << form.describe();
    click({btn_atras3});
    EXPECT_EQ(form.visible_ids(), kPage1) << form.describe();
    EXPECT_TRUE(form.checked(Option2) && form.enabled(btn_sig1));
    click({btn_atras1});
    EXPECT_EQ(form.visible_ids(), kPage0) << form.describe();
    EXPECT_TRUE(form.boxes.empty());
}

// Run from D:\, where the readme's path holds a doubled separator.
TEST(Readme, IsReadOnEveryVisitFromPageZeroOnlyAndAMissingOneIsReported) {
    TestApp t("D:\\");
    on_click(t.app, btn_sig0);
    ASSERT_EQ(t.form.boxes.size(), 1u);
    EXPECT_NE(t.form.boxes[0].text.find("D:\\leeme.txt"), std::string::npos) << t.form.boxes[0].text;
    EXPECT_EQ(t.form.boxes[0].title, "VorLan");
    EXPECT_EQ(t.form.text(Leeme), "");
    EXPECT_EQ(t.form.visible_ids(), kPage1);
    for (const char* text : {"Primera versión\r\n", "Segunda\nversión\n"}) {
        on_click(t.app, btn_atras1);
        t.fs.add_file("D:\\leeme.txt", text);
        on_click(t.app, btn_sig0);
    }
    EXPECT_EQ(t.form.boxes.size(), 1u);
    EXPECT_EQ(t.form.text(Leeme), "Segunda\nversión\n");
    for (int id : {Label5, btn_sig1}) on_click(t.app, id);
    t.fs.add_file("D:\\leeme.txt", "Tercera");
    on_click(t.app, btn_atras3);
    EXPECT_EQ(t.form.text(Leeme), "Segunda\nversión\n");
}

// Each control chosen with the other option chosen before.
TEST(Options, EachOfTheFourControlsLeavesExactlyItsOptionChosen) {
    for (int click : {Option1, Label4, Option2, Label5}) {
        TestApp t;
        const bool first = click == Option1 || click == Label4;
        t.form.set_checked(first ? Option2 : Option1, true);
        if (click == Option1 || click == Option2) t.form.set_checked(click, true);  // as a real button is
        on_click(t.app, click);
        EXPECT_TRUE(t.form.checked(Option1) == first && t.form.checked(Option2) != first) << control_name(click);
        EXPECT_TRUE(t.form.enabled(btn_sig1));
    }
}

TEST(Setup, StartsMinimisedAndStaysOnPageOneOrSaysWhyNot) {
    TestApp root("D:\\");
    root.fs.add_file("D:\\leeme.txt", "");
    for (int id : {btn_sig0, Label4, btn_sig1, btn_sig1}) on_click(root.app, id);  // the second press has no option
    ASSERT_EQ(root.programs.starts.size(), 1u);
    EXPECT_EQ(root.programs.starts[0], "D:\\\\aplicacion\\vorlan.exe");
    EXPECT_EQ(root.form.visible_ids(), kPage1);
    EXPECT_TRUE(!root.form.checked(Option1) && !root.form.checked(Option2) && root.form.enabled(btn_sig1));

    root.programs.fail = true;
    on_click(root.app, Label4);
    const std::string before = root.form.describe();
    on_click(root.app, btn_sig1);
    ASSERT_EQ(root.form.boxes.size(), 1u);
    const MessageBoxCall& box = root.form.boxes[0];
    EXPECT_TRUE(box.style == 16 && box.text.find("D:\\aplicacion\\vorlan.exe") != std::string::npos) << box.text;
    root.form.boxes.clear();
    EXPECT_EQ(root.form.describe(), before);
}

}  // namespace
}  // namespace vorlan::test
