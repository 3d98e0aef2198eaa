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
    EXPECT_TRUE(list.back == kYellow && list.fore == kRed && list.bold);
    EXPECT_EQ(t.form.visible_ids(), kPage0);
}

// The window of 12000 x 7935 twips in the middle of the part of the screen it
// may use, wherever that lies.
TEST(FormLoad, CentresOnTheWorkAreaOfItsScreen) {
    const std::pair<WorkArea, Position> cases[] = {
        {{0, 0, {19200, 14400}}, {3600, 3232}},            // the whole screen
        {{0, 0, {19200, 13800}}, {3600, 2932}},            // a taskbar at the bottom
        {{900, 0, {18300, 14400}}, {4050, 3232}},          // on the left
        {{-19200, -300, {19200, 13800}}, {-15600, 2632}},  // a second screen left of the first and higher
        {{100, 60, {11997, 7932}}, {99, 59}},              // 3 twips too small: half the excess off each side
    };
    for (const auto& [area, at] : cases) {
        TestApp t;
        t.form.area = area;
        Form_Load(t.app);
        ASSERT_EQ(t.form.moves.size(), 1u);
        EXPECT_EQ(t.form.moves[0], std::make_pair(at.left, at.top)) << area.left << " " << area.top;
    }
}

// Each move in the order a user makes them, with the page it shows and where
// the focus lands; the copy's end too.
TEST(Pages, EachMoveShowsExactlyItsPageAndOthersChangeNothing) {
    TestApp t;
    t.fs.add_file("E:\\instalar\\leeme.txt", "");
    t.fs.add_file("E:\\instalar\\vorlan\\a.dat", "datos");
    FakeForm& form = t.form;
    App& app = t.app;
    const std::string before = form.describe();
    for (int page : {2, 3, -1}) move_forward(app, page);
    for (int page : {0, 2, 4, -1}) move_back(app, page);
    EXPECT_EQ(form.describe(), before);

    std::vector<int> retry = kPage3, done = kPage3;
    retry.push_back(btn_inferr);
    std::replace(done.begin(), done.end(), static_cast<int>(btn_Cancel), static_cast<int>(btn_fin));
    struct Move {
        std::vector<int> clicks;
        std::deque<int> answers;
        std::vector<int> page;  // the visible controls after it
        int focus;
    };
    // clang-format off
    const Move moves[] = {
        {{btn_sig0}, {}, kPage1, Option1},  // nothing chosen yet: the choice
        {{btn_sig1}, {}, kPage1, Option1},  // still nothing chosen: no move
        {{Label5, btn_sig1}, {}, kPage3, btn_inst},
        {{btn_inst}, {ANSWER_NO}, ids(retry), btn_inst},
        {{btn_atras3}, {}, kPage1, btn_sig1},  // the choice is kept
        {{btn_atras1}, {}, kPage0, btn_sig0},
        {{btn_sig0}, {}, kPage1, btn_sig1},
        {{Label4, btn_sig1}, {}, kPage1, Option1},  // the setup program started, the choice cleared
        {{Label5, btn_sig1}, {}, kPage3, btn_inst},
        {{btn_inst}, {ANSWER_YES}, ids(done), btn_fin},
    };
    // clang-format on
    for (const Move& m : moves) {
        SCOPED_TRACE(control_name(m.clicks.back()));
        const std::string was = form.describe();
        form.answers = m.answers;
        for (int id : m.clicks) on_click(app, id);
        EXPECT_EQ(form.visible_ids(), ids(m.page)) << form.describe();
        EXPECT_EQ(control_name(form.focus), control_name(m.focus));
        if (m.clicks == std::vector<int>{btn_sig1}) {
            EXPECT_EQ(form.describe(), was);
        }
        form.boxes.clear();
    }
    EXPECT_TRUE(form.answers.empty());
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
