// The real program's focus, counters and failure list, as a keyboard user
// and the eye meet them.

#include <gtest/gtest.h>

#include <functional>

#include "ui/files.h"
#include "ui/pixels.h"
#include "ui/remote_windows.h"
#include "ui/wizard.h"
#include "win32/text.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

// Every move, each way the copy ends, and where the focus is afterwards: on
// what the user does next, never on "Cancelar" by default.
TEST(UiLook, TheFocusLandsOnWhatComesNextAfterEveryMove) {
    const std::string dest = "C:\\vorlan";
    ASSERT_TRUE(remove_tree(dest));
    Medium medium;
    ASSERT_TRUE(medium.add_file("vorlan\\a.dat", "aaa"));
    Wizard w(medium);
    ASSERT_EQ(w.error(), "");
    // Answers a box and waits for the next, or for none.
    auto answer = [&](std::vector<int> answers) {
        return [&w, answers] {
            w.click(btn_inst);
            for (int a : answers) {
                std::optional<Box> box = w.wait_box();
                if (!box || !box->answer_and_wait(a)) return false;
            }
            return true;
        };
    };
    struct Step {
        const char* what;
        std::function<bool()> act;
        int shows;  // a control the step brings on screen or in use
        int focus;
    };
    const Step steps[] = {
        {"forward to the options", [&] { return w.click(btn_sig0), true; }, Leeme, Option1},
        {"on to the copy page",
         [&] { return w.click(Label5), wait_until([&] { return w.enabled(btn_sig1); }) && (w.click(btn_sig1), true); },
         btn_inst, btn_inst},
        {"back", [&] { return w.click(btn_atras3), true; }, Leeme, btn_sig1},
        {"back again", [&] { return w.click(btn_atras1), true; }, btn_sig0, btn_sig0},
        {"forward, chosen", [&] { return w.click(btn_sig0), true; }, Leeme, btn_sig1},
        {"to the copy page", [&] { return w.click(btn_sig1), true; }, btn_inst, btn_inst},
        {"copy declined", answer({IDNO, IDOK}), btn_inferr, btn_inst},
        {"copy done", answer({IDYES, IDOK}), btn_fin, btn_fin},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        ASSERT_TRUE(s.act());
        ASSERT_TRUE(w.wait_visible(s.shows));
        EXPECT_TRUE(wait_until([&] { return w.focus_id() == s.focus; }, milliseconds(3000)))
            << design(s.focus).name << " wanted, " << (w.focus_id() ? design(w.focus_id()).name : "none") << " has it";
    }
    EXPECT_FALSE(w.checked(Option1)) << "the focus chose for the user";
    w.click(btn_fin);
    EXPECT_TRUE(w.wait_exit());
    remove_tree(dest);
}

// Seven digits in each counter, whole, and the failure list's text in its red
// on its yellow, read off the screen.
TEST(UiLook, CountersShowSevenDigitsWholeAndTheReportReadsInItsRed) {
    Medium medium;
    ASSERT_TRUE(medium.add_file("vorlan\\a.dat", "aaa"));
    Wizard w(medium);
    ASSERT_EQ(w.error() + w.open_copy_page(), "");
    for (const auto& [id, digits] : {std::pair{NumFilesCopy, "7654321"}, std::pair{NumFilesToCopy, "1234567"}}) {
        SCOPED_TRACE(design(id).name);
        // As a count of a big tree would set it; the window fits whatever the box is given.
        send(w.control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(win32::widen(digits).c_str()));
        ASSERT_EQ(w.text(id), digits);
        // Where the box puts its first and last characters: the number lies
        // whole between its edges.
        auto x_of = [&](int index) {
            return static_cast<short>(LOWORD(send(w.control(id), EM_POSFROMCHAR, static_cast<WPARAM>(index))));
        };
        const int first = x_of(0), last = x_of(6), advance = (last - first) / 6;
        const SIZE box = {w.rect(id).right - w.rect(id).left, 0};
        EXPECT_GE(first, 0) << "cut on the left";
        EXPECT_LE(last + advance, box.cx) << "cut on the right";
        EXPECT_GT(advance, 2) << "too small to read";
        // And it is drawn: ink from the first character to the last.
        std::vector<std::pair<int, int>> runs;
        wait_until(
            [&] {
                runs = Pixels::of(w.control(id)).dark_column_runs();
                return runs.size() >= 5 && runs.back().second >= last;
            },
            milliseconds(3000));
        ASSERT_GE(runs.size(), 5u) << "characters seen";
        EXPECT_LE(runs.front().first, first + advance);
        EXPECT_GE(runs.back().second, last);
    }

    w.click(btn_inst);
    for (int a : {IDNO, IDOK}) {
        std::optional<Box> box = w.wait_box();
        ASSERT_TRUE(box && box->answer_and_wait(a));
    }
    ASSERT_TRUE(w.wait_visible(btn_inferr));
    const std::wstring line = L"E:\\vorlan\\mapas\\z0\\t.png --> FALLO";
    send(w.control(ListaFicherosFail), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    w.click(btn_inferr);
    ASSERT_TRUE(w.wait_visible(ListaFicherosFail));
    int red = 0, yellow = 0;
    wait_until(
        [&] {
            const Pixels p = Pixels::of(w.control(ListaFicherosFail));
            red = p.count(RGB(0xE5, 0, 0));
            yellow = p.count(RGB(0xFF, 0xFF, 0));
            return red > 20 && yellow > p.width() * p.height() / 2;
        },
        milliseconds(3000));
    EXPECT_GT(red, 20) << "pixels of the text's red";
    EXPECT_GT(yellow, 1000) << "pixels of the yellow";
    w.click(btn_Cancel);
    std::optional<Box> leave = w.wait_box();
    ASSERT_TRUE(leave && leave->answer_and_wait(IDYES));
}

}  // namespace
}  // namespace vorlan::ui
