// Start-up, exit, page moves, the readme and the option choice, on the fakes.

#include <gtest/gtest.h>

#include "host/test_app.h"

namespace vorlan::test {
namespace {

std::vector<int> ids(std::initializer_list<int> list) {
    std::vector<int> v(list);
    std::sort(v.begin(), v.end());
    return v;
}

const std::vector<int> kPage0 = ids({Picture2, btn_sig0, btn_Cancel, Texto_Presentacion, TituloPresentacion, Line1});
const std::vector<int> kPage1 = ids({Picture2, btn_Cancel, TituloPresentacion, Line1, Leeme, Label3, Option1, Label4,
                                     Option2, Label5, btn_atras1, btn_sig1});
const std::vector<int> kPage3 = ids({Picture2, btn_Cancel, Line1, TituloCarto, ListaFicheros, Label1, NumFilesCopy,
                                     Label2, NumFilesToCopy, ProgressBar, ProgressBarT, btn_atras3, btn_inst});

TEST(Centring, FollowsTheWindowArithmetic) {
    EXPECT_EQ(centred({19200, 14400}, {12000, 7935}).left, 3600);
    EXPECT_EQ(centred({19200, 14400}, {12000, 7935}).top, 3232);  // 6465 / 2, truncated
    EXPECT_EQ(centred({12000, 7935}, {12003, 7935}).left, -1);    // -3 / 2 toward zero
    EXPECT_EQ(centred({100.5f, 101.5f}, {0, 0}).left, 50);        // 100.5 rounds to even 100
    EXPECT_EQ(centred({100.5f, 101.5f}, {0, 0}).top, 51);         // 101.5 rounds to even 102
}

TEST(InstallerState, DerivesEveryPathFromTheProgramFolder) {
    const InstallerState root = installer_state("D:\\");
    EXPECT_EQ(root.AppOrig, "D:\\");
    EXPECT_EQ(root.AppOrigInst, "D:\\\\aplicacion\\vorlan.exe");
    EXPECT_EQ(root.AppOrigCarto, "D:\\\\vorlan");
    EXPECT_EQ(root.AppDest, "C:\\vorlan");
    const InstallerState sub = installer_state("E:\\instalar");
    EXPECT_EQ(sub.AppOrigInst, "E:\\instalar\\aplicacion\\vorlan.exe");
    EXPECT_EQ(sub.AppOrigCarto, "E:\\instalar\\vorlan");
    EXPECT_EQ(sub.AppDest, "C:\\vorlan");
}

TEST(FormLoad, CentresFillsTheStateAndStylesTheFailureList) {
    TestApp t("D:\\");
    t.app.state = {};
    Form_Load(t.app);
    ASSERT_EQ(t.form.moves.size(), 1u);
    EXPECT_EQ(t.form.moves[0], (std::pair<std::int32_t, std::int32_t>{3600, 3232}));
    EXPECT_EQ(t.app.state.AppOrigCarto, "D:\\\\vorlan");
    EXPECT_EQ(t.form.at(ListaFicherosFail).back, 0x0000FFFFu);
    EXPECT_EQ(t.form.at(ListaFicherosFail).fore, 0x000000FFu);
    EXPECT_TRUE(t.form.at(ListaFicherosFail).bold);
    EXPECT_TRUE(t.form.boxes.empty());
    EXPECT_EQ(t.form.visible_ids(), kPage0);
}

TEST(FormLoad, ASecondInstanceOnlySaysSoAndEnds) {
    TestApp t;
    t.system.another_instance = true;
    EXPECT_THROW(Form_Load(t.app), ProcessEnded);
    ASSERT_EQ(t.form.boxes.size(), 1u);
    EXPECT_EQ(t.form.boxes[0].text, "La aplicacion solicitada ya se esta ejecutando");
    EXPECT_EQ(t.form.boxes[0].style, 48);
    EXPECT_EQ(t.form.boxes[0].title, "VorLan");
    EXPECT_TRUE(t.form.moves.empty());
}

TEST(Exit, CancelAndCloseAskFirstFinalizarDoesNot) {
    for (auto handler : {btn_Cancel_Click, Form_Close}) {
        TestApp t;
        t.form.answers = {ANSWER_NO, ANSWER_YES};
        handler(t.app);
        EXPECT_EQ(t.system.ended, 0);
        ASSERT_EQ(t.form.boxes.size(), 1u);
        EXPECT_EQ(t.form.boxes[0].text,
                  "¿Está seguro de que desea salir del programa?\nSe cerrarán todos los procesos pendientes.");
        EXPECT_EQ(t.form.boxes[0].style, 52);
        EXPECT_EQ(t.form.visible_ids(), kPage0);
        EXPECT_THROW(handler(t.app), ProcessEnded);
    }
    TestApp t;
    EXPECT_THROW(on_click(t.app, btn_fin), ProcessEnded);
    EXPECT_TRUE(t.form.boxes.empty());
}

struct PagesTest : ::testing::Test {
    PagesTest() { t.fs.add_file("E:\\instalar\\leeme.txt", "Primera versi\xF3n\r\n"); }
    TestApp t;
};

TEST_F(PagesTest, EachMoveShowsExactlyItsPage) {
    on_click(t.app, btn_sig0);
    EXPECT_EQ(t.form.visible_ids(), kPage1) << t.form.describe();
    on_click(t.app, Label5);
    on_click(t.app, btn_sig1);
    EXPECT_EQ(t.form.visible_ids(), kPage3) << t.form.describe();
    on_click(t.app, btn_atras3);
    EXPECT_EQ(t.form.visible_ids(), kPage1) << t.form.describe();
    EXPECT_TRUE(t.form.checked(Option2));
    EXPECT_TRUE(t.form.enabled(btn_sig1));
    on_click(t.app, btn_atras1);
    EXPECT_EQ(t.form.visible_ids(), kPage0) << t.form.describe();
    EXPECT_TRUE(t.form.boxes.empty());
}

TEST_F(PagesTest, MovesFromPagesThatDoNotExistChangeNothing) {
    const std::string before = t.form.describe();
    for (std::int16_t page : {2, 3, -1}) Siguiente(t.app, page);
    for (std::int16_t page : {0, 2, 4, -1}) Atras(t.app, page);
    EXPECT_EQ(t.form.describe(), before);
    // With no option chosen, "Siguiente" of page 1 does nothing either.
    Siguiente(t.app, 0);
    const std::string page1 = t.form.describe();
    Siguiente(t.app, 1);
    EXPECT_EQ(t.form.describe(), page1);
}

TEST_F(PagesTest, TheReadmeIsReadOnEveryVisitFromPageZeroOnly) {
    on_click(t.app, btn_sig0);
    EXPECT_EQ(t.form.text(Leeme), "Primera versión\r\n");
    on_click(t.app, btn_atras1);
    t.fs.add_file("E:\\instalar\\leeme.txt", "Segunda\nversi\xF3n\n");
    on_click(t.app, btn_sig0);
    EXPECT_EQ(t.form.text(Leeme), "Segunda\nversión\n");
    on_click(t.app, Label5);
    on_click(t.app, btn_sig1);
    t.fs.add_file("E:\\instalar\\leeme.txt", "Tercera");
    on_click(t.app, btn_atras3);
    EXPECT_EQ(t.form.text(Leeme), "Segunda\nversión\n");
}

TEST_F(PagesTest, AMissingReadmeIsReportedAndTriedAgainNextTime) {
    TestApp root("D:\\");
    on_click(root.app, btn_sig0);
    ASSERT_EQ(root.form.boxes.size(), 1u);
    EXPECT_NE(root.form.boxes[0].text.find("D:\\leeme.txt"), std::string::npos) << root.form.boxes[0].text;
    EXPECT_EQ(root.form.boxes[0].title, "VorLan");
    EXPECT_EQ(root.form.text(Leeme), "");
    EXPECT_EQ(root.form.visible_ids(), kPage1);
    EXPECT_EQ(root.fs.open_count(), 0);
    on_click(root.app, btn_atras1);
    root.fs.add_file("D:\\leeme.txt", "");
    on_click(root.app, btn_sig0);
    EXPECT_EQ(root.form.boxes.size(), 1u);
    EXPECT_EQ(root.form.text(Leeme), "");
}

TEST_F(PagesTest, TheFailureButtonComesBackWithItsCaptionOnlyWhenFailuresAreListed) {
    on_click(t.app, btn_sig0);
    on_click(t.app, Label5);
    on_click(t.app, btn_sig1);
    ASSERT_TRUE(t.form.visible(btn_inst));
    EXPECT_FALSE(t.form.visible(btn_inferr));
    t.form.list_add(ListaFicherosFail, "E:\\instalar\\vorlan\\a.dat --> FALLO");
    t.form.list_add(ListaFicheros, "E:\\instalar\\vorlan\\a.dat --> FALLO");
    t.form.set_progress(ProgressBarT, 40);
    t.form.set_text(NumFilesCopy, "4");
    t.form.set_visible(btn_inferr, true);
    on_click(t.app, btn_inferr);  // report showing
    on_click(t.app, btn_atras3);
    EXPECT_FALSE(t.form.visible(btn_inferr));
    EXPECT_FALSE(t.form.visible(ListaFicherosFail));
    on_click(t.app, btn_sig1);
    EXPECT_TRUE(t.form.visible(btn_inferr));
    EXPECT_TRUE(t.form.visible(ListaFicheros));
    EXPECT_FALSE(t.form.visible(ListaFicherosFail));
    EXPECT_EQ(t.form.text(btn_inferr), "Ocultar Informe");
    EXPECT_EQ(t.form.at(ProgressBarT).progress, 40);
    EXPECT_EQ(t.form.text(NumFilesCopy), "4");
    EXPECT_EQ(t.form.list_count(ListaFicheros), 1);
}

TEST(Options, EachOfTheFourControlsLeavesExactlyItsOptionChosen) {
    struct Case {
        int click;
        bool option1;
    };
    for (const Case c : {Case{Option1, true}, Case{Label4, true}, Case{Option2, false}, Case{Label5, false}}) {
        for (int before : {0, int{Option1}, int{Option2}}) {
            TestApp t;
            if (before) t.form.set_checked(before, true);
            // A real option button is already selected when its click arrives.
            if (c.click == Option1 || c.click == Option2) t.form.set_checked(c.click, true);
            on_click(t.app, c.click);
            EXPECT_EQ(t.form.checked(Option1), c.option1) << control_name(c.click);
            EXPECT_EQ(t.form.checked(Option2), !c.option1) << control_name(c.click);
            EXPECT_TRUE(t.form.enabled(btn_sig1));
        }
    }
    TestApp t;
    t.form.set_enabled(Option1, false);
    on_click(t.app, Label4);  // tests its option; Label5 does not
    EXPECT_FALSE(t.form.checked(Option1));
    EXPECT_FALSE(t.form.enabled(btn_sig1));
    t.form.set_enabled(Option2, false);
    on_click(t.app, Label5);
    EXPECT_TRUE(t.form.checked(Option2));
}

TEST_F(PagesTest, InstallingTheApplicationStartsItsSetupAndStaysOnPageOne) {
    TestApp root("D:\\");
    on_click(root.app, btn_sig0);
    on_click(root.app, Label4);
    on_click(root.app, btn_sig1);
    ASSERT_EQ(root.programs.starts.size(), 1u);
    EXPECT_EQ(root.programs.starts[0].path, "D:\\\\aplicacion\\vorlan.exe");
    EXPECT_TRUE(root.programs.starts[0].minimized);
    EXPECT_EQ(root.form.visible_ids(), kPage1);
    EXPECT_FALSE(root.form.checked(Option1));
    EXPECT_FALSE(root.form.checked(Option2));
    EXPECT_TRUE(root.form.enabled(btn_sig1));
    on_click(root.app, btn_sig1);
    EXPECT_EQ(root.programs.starts.size(), 1u);
    on_click(root.app, Label4);
    on_click(root.app, btn_sig1);
    EXPECT_EQ(root.programs.starts.size(), 2u);
}

TEST_F(PagesTest, ASetupProgramThatCannotStartLeavesThePageAsItWas) {
    on_click(t.app, btn_sig0);
    on_click(t.app, Label4);
    t.programs.fail = true;
    const std::string before = t.form.describe();
    on_click(t.app, btn_sig1);
    ASSERT_EQ(t.form.boxes.size(), 1u);
    EXPECT_EQ(t.form.boxes[0].style, 16);
    EXPECT_NE(t.form.boxes[0].text.find("E:\\instalar\\aplicacion\\vorlan.exe"), std::string::npos);
    t.form.boxes.clear();
    EXPECT_EQ(t.form.describe(), before);
}

}  // namespace
}  // namespace vorlan::test
