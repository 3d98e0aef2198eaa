// The real program's pages: what each shows, the readme as the medium holds
// it, and the start of the application's setup program.

#include <gtest/gtest.h>

#include <thread>

#include "ui/driver.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

// Besides Picture2, btn_Cancel and Line1, which no move touches.
const std::string kPage0 = "btn_sig0 Texto_Presentacion TituloPresentacion";
const std::string kPage1 = "Option2 Option1 btn_sig1 btn_atras1 Leeme TituloPresentacion Label3 Label5 Label4";
const std::string kPage3 =
    "btn_atras3 ProgressBar NumFilesToCopy NumFilesCopy btn_inst ProgressBarT ListaFicheros TituloCarto Label1 Label2";

// The visible controls in design order.
std::string showing(const Wizard& w) {
    std::string out;
    for (const ControlDesign& d : kDesign)
        if (w.visible(d.id) && d.id != Picture2 && d.id != btn_Cancel && d.id != Line1) out.append(d.name) += ' ';
    return out.substr(0, out.size() - 1);
}

// What the program should show for readme bytes: decoded with the system's ANSI code page.
std::string shown(const std::string& utf8) { return recode(recode(utf8, CP_UTF8, 1252), GetACP(), CP_UTF8); }

TEST(UiPages, MovesThroughThePagesAndShowsTheReadme) {
    Medium medium;
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");
    EXPECT_TRUE(w.visible(Picture2) && w.visible(btn_Cancel) && w.visible(Line1));
    EXPECT_EQ(showing(w), kPage0);

    w.click(btn_sig0);
    ASSERT_TRUE(w.wait_visible(Leeme));
    EXPECT_EQ(showing(w), kPage1);
    EXPECT_FALSE(w.enabled(btn_sig1) || w.checked(Option1) || w.checked(Option2));
    EXPECT_EQ(w.text(Leeme), shown(kReadme));

    w.click(Label5);
    ASSERT_TRUE(wait_until([&] { return w.checked(Option2); }));
    EXPECT_FALSE(w.checked(Option1));
    EXPECT_TRUE(w.enabled(btn_sig1));

    w.click(btn_sig1);
    ASSERT_TRUE(w.wait_visible(btn_inst));
    EXPECT_EQ(showing(w), kPage3);
    EXPECT_EQ(w.text(NumFilesCopy) + w.text(NumFilesToCopy), "00");
    EXPECT_TRUE(w.lines(ListaFicheros).empty());
    EXPECT_TRUE(w.enabled(btn_inst) && w.enabled(btn_atras3));

    w.click(btn_atras3);
    ASSERT_TRUE(w.wait_visible(Leeme));
    EXPECT_EQ(showing(w), kPage1);
    EXPECT_TRUE(w.checked(Option2) && w.enabled(btn_sig1));
    w.click(btn_atras1);
    ASSERT_TRUE(w.wait_visible(btn_sig0));
    EXPECT_EQ(showing(w), kPage0);
    w.click(btn_sig0);
    ASSERT_TRUE(w.wait_visible(Leeme));

    // Option 2 survived the trip, so "Siguiente" leads straight to page 3 again.
    w.click(btn_sig1);
    ASSERT_TRUE(w.wait_visible(btn_inst));
    EXPECT_EQ(showing(w), kPage3);
}

// The medium's folder name matters: the setup program's path is handed over as it is built.
TEST(UiPages, InstallingTheApplicationStartsItsSetupMinimisedAndStaysOnPageOne) {
    Medium medium("soporte con espacios y acentuación");
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");
    w.click(btn_sig0);
    ASSERT_TRUE(w.wait_visible(Leeme));
    w.click(Label4);
    ASSERT_TRUE(wait_until([&] { return w.checked(Option1) && w.enabled(btn_sig1); }));

    w.click(btn_sig1);
    const std::string log = medium.path("aplicacion\\standin-log.txt");
    std::vector<StandinStart> starts;
    ASSERT_TRUE(wait_until([&] { return !(starts = standin_starts(log)).empty(); })) << "the setup did not start";
    Process standin = Process::adopt(starts[0].pid);
    EXPECT_EQ(starts[0].show, "2") << "not minimised and active";
    EXPECT_NE(starts[0].command_line.find(medium.path("aplicacion\\vorlan.exe")), std::string::npos)
        << starts[0].command_line;
    ASSERT_TRUE(wait_until([&] { return !w.checked(Option1); }));
    EXPECT_FALSE(w.checked(Option2));
    EXPECT_TRUE(w.enabled(btn_sig1));
    EXPECT_EQ(showing(w), kPage1);
    EXPECT_FALSE(w.box()) << "unexpected message";

    // No option chosen now: another press starts nothing.
    w.click(btn_sig1);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_EQ(standin_starts(log).size(), 1u);
    EXPECT_EQ(showing(w), kPage1);
}

}  // namespace
}  // namespace vorlan::ui
