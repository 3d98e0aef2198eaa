// The real program's window: start-up, places, captions, the single-instance
// refusal and the ways out.

#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/driver.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

const std::string kExitQuestion =
    "¿Está seguro de que desea salir del programa?\nSe cerrarán todos los procesos pendientes.";

// Twips to pixels at 96 dots per inch.
int px(int twips) { return (twips + 7) / 15; }

// Checks the exit question and answers it.
void exit_question(const Wizard& w, const char* how, int answer) {
    SCOPED_TRACE(how);
    std::optional<Box> box = w.wait_box();
    ASSERT_TRUE(box) << "no question";
    EXPECT_EQ(box->text(), kExitQuestion);
    EXPECT_EQ(box->icon(), "warning");
    EXPECT_EQ(box->buttons(), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(box->default_button(), IDYES);
    EXPECT_TRUE(box->answer_and_wait(answer));
}

TEST(UiWindow, StartsCentredOnPageZeroWithEveryControlInPlace) {
    Medium medium;
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");

    // Found by its caption, "Instalar la aplicación VORLAN".
    EXPECT_EQ(w.client_size().cx, 793);
    EXPECT_EQ(w.client_size().cy, 495);

    const RECT outer = w.window_rect();
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 1);
    EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 1);

    std::vector<std::string> disabled;  // what shows is checked with the pages
    for (const ControlDesign& d : kDesign) {
        SCOPED_TRACE(d.name);
        if (!w.enabled(d.id)) disabled.push_back(d.name);
        if (d.kind == Kind::Line) continue;
        const RECT rc = w.rect(d.id);
        EXPECT_LE(std::abs(rc.left - px(d.left)) + std::abs(rc.top - px(d.top)), 2);
        EXPECT_LE(std::abs(rc.right - px(d.left + d.width)) + std::abs(rc.bottom - px(d.top + d.height)), 2);
        if (d.kind == Kind::Button || d.kind == Kind::Label || d.kind == Kind::Text || d.kind == Kind::Option) {
            EXPECT_EQ(w.text(d.id), d.caption);
        }
    }
    EXPECT_EQ(disabled, std::vector<std::string>{"btn_sig1"});
    EXPECT_EQ(w.focus_id(), btn_Cancel);
    // The same captions spelled out: the table and the window could share a
    // mangled encoding.
    EXPECT_EQ(w.text(btn_atras1), "Atrás");
    EXPECT_EQ(w.text(Texto_Presentacion),
              "Programa para la instalación de la aplicación y datos\r\ndel mapa de velandros.\r\nVORLAN\r\n"
              " \r\n \r\n \r\nPresione siguiente para continuar\r\n");

    // A second start is refused before its window is ever shown; the first goes on.
    std::string err;
    Process second = Process::start(medium.path("instalar.exe"), medium.folder(), &err);
    ASSERT_TRUE(second) << err;
    bool second_window_shown = false;
    std::optional<Box> refusal;
    wait_until([&] {
        second_window_shown = second_window_shown || !top_windows(second.pid(), "", kWindowCaption).empty();
        refusal = find_box(second.pid());
        return refusal.has_value() || !second.running();
    });
    ASSERT_TRUE(refusal) << "the second instance showed no message";
    EXPECT_EQ(refusal->text(), "La aplicacion solicitada ya se esta ejecutando");
    EXPECT_EQ(refusal->icon(), "warning");
    EXPECT_EQ(refusal->buttons(), std::vector<int>{IDOK});
    refusal->answer(IDOK);
    EXPECT_TRUE(second.wait_exit()) << "the second instance did not end after OK";
    EXPECT_FALSE(second_window_shown);
    EXPECT_TRUE(w.running() && IsWindowVisible(w.hwnd()));
    EXPECT_FALSE(w.box()) << "the first instance was disturbed";
}

TEST(UiWindow, CancelAndTheCloseCommandAskBeforeEnding) {
    Medium medium;
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");

    const std::pair<const char*, void (*)(const Wizard&)> ways[] = {
        {"Cancelar", [](const Wizard& wz) { wz.click(btn_Cancel); }},
        {"WM_CLOSE", [](const Wizard& wz) { wz.post_close(); }},
        {"SC_CLOSE", [](const Wizard& wz) { wz.post_system_close(); }},
    };
    for (const auto& [how, ask] : ways) {
        ask(w);
        exit_question(w, how, IDNO);
        EXPECT_FALSE(w.wait_exit(std::chrono::milliseconds(300))) << "No ended the program (" << how << ")";
        EXPECT_TRUE(IsWindowVisible(w.hwnd()) && w.visible(btn_sig0)) << "No left page 0";
    }
    w.click(btn_Cancel);
    exit_question(w, "Cancelar, then Yes", IDYES);
    EXPECT_TRUE(w.wait_exit()) << "Yes did not end the program";
}

}  // namespace
}  // namespace vorlan::ui
