// The real program's window: start-up, places, captions, the single-instance
// refusal and the ways out.

#include <gtest/gtest.h>

#include "windows/driver.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

const std::string kExitQuestion =
    "¿Está seguro de que desea salir del programa?\nSe cerrarán todos los procesos pendientes.";

std::string name_of(int id) { return design(id).name; }

std::vector<std::string> names(const std::vector<int>& ids) {
    std::vector<std::string> out;
    for (int id : ids) out.push_back(name_of(id));
    return out;
}

std::vector<int> all_ids() {
    std::vector<int> ids;
    for (const ControlDesign& d : kDesign) ids.push_back(d.id);
    return ids;
}

// Twips to pixels at 96 dots per inch.
int px(int twips) { return (twips + 7) / 15; }

void expect_exit_question(const Wizard& w, const char* how) {
    SCOPED_TRACE(how);
    std::optional<Box> box = w.wait_box();
    ASSERT_TRUE(box) << "no question after " << how;
    EXPECT_EQ(box->text(), kExitQuestion);
    EXPECT_EQ(box->icon(), Icon::Warning);
    EXPECT_EQ(box->buttons(), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(box->default_button(), IDYES);
}

TEST(UiWindow, StartsCentredOnPageZeroWithEveryControlInPlace) {
    Medium medium;
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");

    wchar_t caption[128];
    GetWindowTextW(w.hwnd(), caption, 128);
    EXPECT_EQ(std::wstring(caption), L"Instalar la aplicación VORLAN");

    const SIZE client = w.client_size();
    EXPECT_EQ(client.cx, 793);
    EXPECT_EQ(client.cy, 495);

    const RECT outer = w.window_rect();
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2, 1);
    EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2, 1);

    for (const ControlDesign& d : kDesign) {
        SCOPED_TRACE(d.name);
        ASSERT_NE(w.control(d.id), nullptr) << "missing control";
        if (d.kind == Kind::Line) continue;
        const RECT rc = w.rect(d.id);
        EXPECT_NEAR(rc.left, px(d.left), 1);
        EXPECT_NEAR(rc.top, px(d.top), 1);
        EXPECT_NEAR(rc.right, px(d.left + d.width), 1);
        EXPECT_NEAR(rc.bottom, px(d.top + d.height), 1);
        if (d.kind == Kind::Button || d.kind == Kind::Label || d.kind == Kind::Text || d.kind == Kind::Option) {
            EXPECT_EQ(w.text(d.id), d.caption);
        }
    }
    // The same captions spelled out: the table and the window could share a
    // mangled encoding.
    EXPECT_EQ(w.text(btn_atras1), "Atrás");
    EXPECT_EQ(w.text(Label4), "Instalar aplicación VORLAN");
    EXPECT_EQ(w.text(Label3), "Elija una opción:");
    EXPECT_EQ(w.text(TituloPresentacion), "VORLAN: aplicación sobre SIG para la consulta de los mapas de velandros");
    EXPECT_EQ(w.text(Texto_Presentacion),
              "Programa para la instalación de la aplicación y datos\r\ndel mapa de velandros.\r\nVORLAN\r\n"
              " \r\n \r\n \r\nPresione siguiente para continuar\r\n");

    EXPECT_EQ(names(w.visible_of(all_ids())),
              (std::vector<std::string>{"Picture2", "btn_sig0", "btn_Cancel", "Texto_Presentacion",
                                        "TituloPresentacion", "Line1"}));
    std::vector<std::string> disabled;
    for (int id : all_ids()) {
        if (!w.enabled(id)) disabled.push_back(name_of(id));
    }
    EXPECT_EQ(disabled, std::vector<std::string>{"btn_sig1"});
    EXPECT_EQ(w.focus_id() ? name_of(w.focus_id()) : "(none)", "btn_Cancel");

    // A second start is refused before its window is ever shown; the first goes on.
    std::string err;
    Process second = Process::start(medium.path("instalar.exe"), medium.folder(), &err);
    ASSERT_TRUE(second) << err;
    bool second_window_shown = false;
    std::optional<Box> refusal;
    wait_until([&] {
        for (HWND hwnd : top_windows(second.pid(), "", kWindowCaption))
            second_window_shown = second_window_shown || IsWindowVisible(hwnd);
        refusal = find_box(second.pid());
        return refusal.has_value() || !second.running();
    });
    ASSERT_TRUE(refusal) << "the second instance showed no message";
    EXPECT_EQ(refusal->text(), "La aplicacion solicitada ya se esta ejecutando");
    EXPECT_EQ(refusal->icon(), Icon::Warning);
    EXPECT_EQ(refusal->buttons(), std::vector<int>{IDOK});
    refusal->answer(IDOK);
    EXPECT_TRUE(second.wait_exit()) << "the second instance did not end after OK";
    EXPECT_FALSE(second_window_shown);
    for (HWND hwnd : top_windows(second.pid(), "", kWindowCaption)) EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_TRUE(w.running());
    EXPECT_TRUE(IsWindowVisible(w.hwnd()));
    EXPECT_FALSE(w.box()) << "the first instance was disturbed";
}

TEST(UiWindow, CancelAndTheCloseCommandAskBeforeEnding) {
    Medium medium;
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");

    struct Way {
        const char* how;
        void (*ask)(const Wizard&);
    };
    const Way ways[] = {
        {"Cancelar", [](const Wizard& wz) { wz.click(btn_Cancel); }},
        {"WM_CLOSE", [](const Wizard& wz) { wz.post_close(); }},
        {"SC_CLOSE", [](const Wizard& wz) { wz.post_system_close(); }},
    };
    for (const Way& way : ways) {
        way.ask(w);
        expect_exit_question(w, way.how);
        std::optional<Box> box = w.box();
        ASSERT_TRUE(box);
        ASSERT_TRUE(box->answer_and_wait(IDNO)) << way.how;
        EXPECT_FALSE(w.wait_exit(std::chrono::milliseconds(300))) << "No ended the program (" << way.how << ")";
        EXPECT_TRUE(IsWindowVisible(w.hwnd()));
        EXPECT_TRUE(w.visible(btn_sig0)) << "No left page 0";
    }

    w.click(btn_Cancel);
    expect_exit_question(w, "Cancelar, then Yes");
    std::optional<Box> box = w.box();
    ASSERT_TRUE(box);
    box->answer(IDYES);
    EXPECT_TRUE(w.wait_exit()) << "Yes did not end the program";
}

}  // namespace
}  // namespace vorlan::ui
