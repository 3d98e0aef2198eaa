// Ending the real program in the middle of a large file: nothing partial is
// left under any name.

#include <gtest/gtest.h>

#include "ui/files.h"
#include "ui/wizard.h"
#include "win32/text.h"
#include "wizard/controls.h"

namespace vorlan::ui {
namespace {

TEST(UiEnd, CancelYesInTheMiddleOfALargeFileLeavesNothingPartial) {
    const std::string dest = "C:\\vorlan";
    ASSERT_TRUE(remove_tree(dest));
    Medium medium;
    ASSERT_TRUE(medium.add_file("vorlan\\a.dat", "aaa") && medium.add_file("vorlan\\grande.dat", ""));
    {  // 1 GiB, made in no time as a sparse file: long enough to be caught in the middle
        const win32::UniqueHandle f(CreateFileW(win32::widen("\\\\?\\" + medium.path("vorlan\\grande.dat")).c_str(),
                                                GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER size;
        size.QuadPart = 1ll << 30;
        ASSERT_TRUE(SetFilePointerEx(f.get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(f.get()));
    }
    Wizard w(medium);
    ASSERT_EQ(w.error() + w.open_copy_page(), "");
    w.click(btn_inst);
    std::optional<Box> question = w.wait_box();
    ASSERT_TRUE(question && question->answer_and_wait(IDYES));
    ASSERT_TRUE(wait_until([&] { return w.progress(ProgressBar) > 0 && w.progress(ProgressBar) < 50; },
                           std::chrono::seconds(60)));
    w.click(btn_Cancel);
    std::optional<Box> leave = w.wait_box();
    ASSERT_TRUE(leave);
    leave->answer(IDYES);
    ASSERT_TRUE(w.wait_exit());
    EXPECT_EQ(files_under(dest), std::vector<std::string>{"a.dat"});
    remove_tree(dest);
}

}  // namespace
}  // namespace vorlan::ui
