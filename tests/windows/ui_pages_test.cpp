// The real program's pages: what each shows, the readme as the medium holds
// it, and the start of the application's setup program.

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "windows/driver.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

// Never touched by a move.
const std::vector<std::string> kAlways = {"Picture2", "btn_Cancel", "Line1"};

std::vector<std::string> page(std::vector<std::string> own) {
    own.insert(own.end(), kAlways.begin(), kAlways.end());
    std::sort(own.begin(), own.end());
    return own;
}

const std::vector<std::string> kPage0 = page({"Texto_Presentacion", "btn_sig0", "TituloPresentacion"});
const std::vector<std::string> kPage1 = page({"TituloPresentacion", "Label3", "Option1", "Label4", "Option2", "Label5",
                                              "btn_atras1", "btn_sig1", "Leeme"});
const std::vector<std::string> kPage3 =
    page({"TituloCarto", "ListaFicheros", "Label1", "NumFilesCopy", "Label2", "NumFilesToCopy", "ProgressBar",
          "ProgressBarT", "btn_atras3", "btn_inst"});

std::vector<std::string> showing(const Wizard& w) {
    std::vector<std::string> out;
    for (const ControlDesign& d : kDesign) {
        if (w.visible(d.id)) out.push_back(d.name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// What the program should show for readme bytes: decoded with the system's ANSI code page.
std::string shown(const std::string& utf8) { return from_codepage(to_codepage(utf8, 1252), GetACP()); }

struct StandinStart {
    DWORD pid = 0;
    std::string show;
    std::string command_line;
};

std::optional<StandinStart> parse(const std::string& line) {
    StandinStart s;
    const std::size_t show = line.find(" show="), cmd = line.find(" cmd=");
    if (line.rfind("pid=", 0) != 0 || show == std::string::npos || cmd == std::string::npos) return std::nullopt;
    s.pid = static_cast<DWORD>(std::stoul(line.substr(4, show - 4)));
    s.show = line.substr(show + 6, cmd - show - 6);
    s.command_line = line.substr(cmd + 5);
    return s;
}

TEST(UiPages, MovesThroughThePagesAndReadsTheReadmeOnlyFromPageZero) {
    Medium medium;
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");
    EXPECT_EQ(showing(w), kPage0);

    w.click(btn_sig0);
    ASSERT_TRUE(w.wait_visible(Leeme));
    EXPECT_EQ(showing(w), kPage1);
    EXPECT_FALSE(w.enabled(btn_sig1));
    EXPECT_FALSE(w.checked(Option1));
    EXPECT_FALSE(w.checked(Option2));
    EXPECT_EQ(w.text(Leeme), shown(kReadme));
    if (GetACP() == 1252) {
        EXPECT_NE(w.text(Leeme).find("Léame antes de instalar"), std::string::npos);
    }

    w.click(Label5);
    ASSERT_TRUE(wait_until([&] { return w.checked(Option2); }));
    EXPECT_FALSE(w.checked(Option1));
    EXPECT_TRUE(w.enabled(btn_sig1));

    w.click(btn_sig1);
    ASSERT_TRUE(w.wait_visible(btn_inst));
    EXPECT_EQ(showing(w), kPage3);
    EXPECT_EQ(w.text(NumFilesCopy), "0");
    EXPECT_EQ(w.text(NumFilesToCopy), "0");
    EXPECT_TRUE(w.lines(ListaFicheros).empty());
    EXPECT_TRUE(w.enabled(btn_inst));
    EXPECT_TRUE(w.enabled(btn_atras3));

    // Back from page 3 keeps the readme as it was read; back from page 0 reads it again.
    const std::string edited = "Segunda versión del léame.\r\nCon otra línea.\r\n";
    ASSERT_TRUE(write_file(medium.path("leeme.txt"), to_codepage(edited, 1252)));
    w.click(btn_atras3);
    ASSERT_TRUE(w.wait_visible(Leeme));
    EXPECT_EQ(showing(w), kPage1);
    EXPECT_TRUE(w.checked(Option2));
    EXPECT_TRUE(w.enabled(btn_sig1));
    EXPECT_EQ(w.text(Leeme), shown(kReadme));

    w.click(btn_atras1);
    ASSERT_TRUE(w.wait_visible(btn_sig0));
    EXPECT_EQ(showing(w), kPage0);

    w.click(btn_sig0);
    ASSERT_TRUE(w.wait_visible(Leeme));
    EXPECT_EQ(showing(w), kPage1);
    EXPECT_EQ(w.text(Leeme), shown(edited));

    // Option 2 survived the trip, so "Siguiente" leads straight to page 3 again.
    w.click(btn_sig1);
    ASSERT_TRUE(w.wait_visible(btn_inst));
    EXPECT_EQ(showing(w), kPage3);
}

// The medium's folder name matters: the setup program's path is handed over as it is built.
class UiInstallOption : public testing::TestWithParam<const char*> {};

TEST_P(UiInstallOption, StartsTheSetupProgramMinimisedAndStaysOnPageOne) {
    const std::string folder_name = GetParam();
    const bool by_label = folder_name == "soporte";
    Medium medium(folder_name);
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");
    w.click(btn_sig0);
    ASSERT_TRUE(w.wait_visible(Leeme));

    w.click(by_label ? Label4 : Option1);
    ASSERT_TRUE(wait_until([&] { return w.checked(Option1); }));
    EXPECT_FALSE(w.checked(Option2));
    EXPECT_TRUE(w.enabled(btn_sig1));

    w.click(btn_sig1);
    std::vector<std::string> log;
    ASSERT_TRUE(wait_until([&] { return !(log = medium.standin_log()).empty(); })) << "the setup program did not start";
    ASSERT_EQ(log.size(), 1u);
    std::optional<StandinStart> start = parse(log[0]);
    ASSERT_TRUE(start) << log[0];
    Process standin = Process::adopt(start->pid);
    EXPECT_EQ(start->show, "2") << "not minimised and active";
    EXPECT_NE(start->command_line.find(medium.path("aplicacion\\vorlan.exe")), std::string::npos)
        << start->command_line;

    ASSERT_TRUE(wait_until([&] { return !w.checked(Option1); }));
    EXPECT_FALSE(w.checked(Option2));
    EXPECT_TRUE(w.enabled(btn_sig1));
    EXPECT_EQ(showing(w), kPage1);
    const std::optional<Box> box = w.box();
    EXPECT_FALSE(box) << "unexpected message: " << (box ? box->text() : "");

    if (by_label) {
        // No option chosen now: another press starts nothing.
        w.click(btn_sig1);
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        EXPECT_EQ(medium.standin_log().size(), 1u);
        EXPECT_EQ(showing(w), kPage1);
    }
}

INSTANTIATE_TEST_SUITE_P(Media, UiInstallOption, testing::Values("soporte", "soporte con espacios y acentuación"),
                         [](const testing::TestParamInfo<const char*>& param) {
                             return param.index == 0 ? std::string("PlainFolder") : std::string("FolderWithSpaces");
                         });

}  // namespace
}  // namespace vorlan::ui
