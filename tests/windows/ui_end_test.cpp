// Ending the real program in the middle of a large file: nothing partial is
// left under any name, and an older file stays whole.

#include <gtest/gtest.h>

#include "ui/driver.h"
#include "win32/handle.h"
#include "win32/text.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

TEST(UiEnd, CancelYesInTheMiddleOfALargeFileLeavesNothingPartial) {
    const std::string dest = "C:\\vorlan";
    for (bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing an older file" : "fresh");
        ASSERT_TRUE(remove_tree(dest));
        Medium medium;
        ASSERT_TRUE(medium.add_file("vorlan\\a.dat", "aaa") && medium.add_file("vorlan\\grande.dat", ""));
        {  // 1 GiB, made in no time as a sparse file: long enough to be caught in the middle
            const win32::ScopedHandle f(CreateFileW(win32::widen("\\\\?\\" + medium.path("vorlan\\grande.dat")).c_str(),
                                                    GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            LARGE_INTEGER size;
            size.QuadPart = 1ll << 30;
            ASSERT_TRUE(SetFilePointerEx(f.get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(f.get()));
        }
        if (replacing) {
            ASSERT_TRUE(make_folders(dest) && write_file(dest + "\\grande.dat", "viejo"));
        }
        Wizard w(medium);
        ASSERT_EQ(w.error(), "");
        w.click(btn_sig0);
        ASSERT_TRUE(w.wait_visible(Label5));
        w.click(Label5);
        ASSERT_TRUE(wait_until([&] { return w.enabled(btn_sig1); }));
        w.click(btn_sig1);
        ASSERT_TRUE(w.wait_visible(btn_inst));
        w.click(btn_inst);
        std::optional<Box> question = w.wait_box();
        ASSERT_TRUE(question);
        question->answer_and_wait(IDYES);
        ASSERT_TRUE(wait_until([&] { return w.progress(ProgressBar) > 0 && w.progress(ProgressBar) < 50; },
                               std::chrono::seconds(60)));
        w.click(btn_Cancel);
        std::optional<Box> leave = w.wait_box();
        ASSERT_TRUE(leave);
        leave->answer(IDYES);
        ASSERT_TRUE(w.wait_exit());
        EXPECT_EQ(files_under(dest), (replacing ? std::vector<std::string>{"a.dat", "grande.dat"}
                                                : std::vector<std::string>{"a.dat"}));
        if (replacing) {
            EXPECT_EQ(read_file(dest + "\\grande.dat"), "viejo");
        }
    }
    remove_tree(dest);
}

}  // namespace
}  // namespace vorlan::ui
