// The real program's window: start-up, places, captions, the readme as the
// medium holds it, the single-instance refusal and the ways out.

#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "ui/remote_windows.h"
#include "ui/wizard.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

// Twips to pixels at 96 dots per inch.
int px(int twips) { return (twips + 7) / 15; }

TEST(UiWindow, StartsCentredWithEveryControlInPlaceAndRefusesASecondInstance) {
    Medium medium;
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");
    EXPECT_EQ(w.client_size().cx, 793);
    EXPECT_EQ(w.client_size().cy, 495);
    // In the middle of the work area of its screen (under Wine, the whole screen).
    const RECT outer = w.window_rect();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(w.hwnd(), MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT& work = monitor.rcWork;
    EXPECT_NEAR(outer.left, work.left + (work.right - work.left - (outer.right - outer.left)) / 2, 1);
    EXPECT_NEAR(outer.top, work.top + (work.bottom - work.top - (outer.bottom - outer.top)) / 2, 1);
    for (const ControlDesign& d : kDesign) {
        SCOPED_TRACE(d.name);
        EXPECT_EQ(w.enabled(d.id), d.id != btn_sig1);
        if (d.kind == Kind::Line) continue;
        const RECT rc = w.rect(d.id);
        EXPECT_LE(std::abs(rc.left - px(d.left)) + std::abs(rc.top - px(d.top)), 2);
        EXPECT_LE(std::abs(rc.right - px(d.left + d.width)) + std::abs(rc.bottom - px(d.top + d.height)), 2);
        if (d.kind == Kind::Button || d.kind == Kind::Label || d.kind == Kind::Text || d.kind == Kind::Option) {
            EXPECT_EQ(w.text(d.id), d.caption);
        }
    }
    EXPECT_EQ(w.focus_id(), btn_Cancel);
    EXPECT_EQ(w.text(btn_atras1), "Atrás");  // the table and the window could share a mangled encoding

    std::string err;
    Process second = Process::start(medium.path("instalar.exe"), medium.folder(), &err);
    ASSERT_TRUE(second) << err;
    bool second_window_shown = false;
    wait_until([&] {
        second_window_shown = second_window_shown || !top_windows(second.pid(), "", kWindowCaption).empty();
        return find_box(second.pid()).has_value() || !second.running();
    });
    std::optional<Box> refusal = find_box(second.pid());
    ASSERT_TRUE(refusal) << "the second instance showed no message";
    EXPECT_EQ(refusal->text(), "La aplicacion solicitada ya se esta ejecutando");
    refusal->answer(IDOK);
    EXPECT_TRUE(second.wait_exit());
    EXPECT_FALSE(second_window_shown);
    EXPECT_TRUE(w.running() && !w.box());
}

TEST(UiWindow, ShowsTheReadmeAndAsksBeforeEnding) {
    Medium medium;
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");
    w.click(btn_sig0);
    ASSERT_TRUE(w.wait_visible(Leeme));
    // Decoded with the system's ANSI code page.
    EXPECT_EQ(w.text(Leeme), recode(recode(kReadme, CP_UTF8, 1252), GetACP(), CP_UTF8));
    const std::string question =
        "¿Está seguro de que desea salir del programa?\nSe cerrarán todos los procesos pendientes.";
    // Each way asks first; No keeps the program running, Yes ends it.
    const std::tuple<const char*, void (*)(const Wizard&), int> ways[] = {
        {"Cancelar", [](const Wizard& wz) { wz.click(btn_Cancel); }, IDNO},
        {"WM_CLOSE", [](const Wizard& wz) { wz.post_close(); }, IDNO},
        {"SC_CLOSE", [](const Wizard& wz) { wz.post_system_close(); }, IDNO},
        {"Cancelar", [](const Wizard& wz) { wz.click(btn_Cancel); }, IDYES},
    };
    for (const auto& [how, ask, answer] : ways) {
        SCOPED_TRACE(how);
        ask(w);
        std::optional<Box> box = w.wait_box();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->text(), question);
        EXPECT_EQ(box->icon(), "warning");
        EXPECT_EQ(box->buttons(), (std::vector<int>{IDYES, IDNO}));
        EXPECT_TRUE(box->answer_and_wait(answer));
        EXPECT_EQ(w.wait_exit(std::chrono::milliseconds(answer == IDYES ? 15000 : 300)), answer == IDYES);
    }
}

}  // namespace
}  // namespace vorlan::ui
