// The window while a long handler yields (a copy): what the core changes in
// the lists, bars and text boxes is read back at once but shown on screen only
// a few times a second, before a message box and when the handler returns;
// and however fast the yields come, the queue is pumped every few milliseconds.

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "win32/text.h"
#include "win32/window.h"

namespace vorlan::win32 {
namespace {

using Clock = std::chrono::steady_clock;

struct HeldTest : testing::Test {
    static void SetUpTestSuite() {
        std::string err;
        ASSERT_TRUE(load_common_controls(&err)) << err;
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void SetUp() override {
        std::string err;
        ASSERT_TRUE(form.create(GetModuleHandleW(nullptr), &err)) << err;
        form.show(SW_SHOWNOACTIVATE);
        form.set_visible(ListaFicheros, true);
    }
    LRESULT send(int id, UINT msg) { return SendMessageW(form.control(id), msg, 0, 0); }
    std::string shown_text(int id) {
        wchar_t buf[64] = {};
        GetWindowTextW(form.control(id), buf, 64);
        return narrow(buf);
    }
    // A handler's first yield after a pump interval: from now on it is a
    // handler that yields.
    void start_yielding() {
        Sleep(10);
        form.yield();
    }
    // The core's changes of one copied file.
    void copy_one_file() {
        form.list_add(ListaFicheros, "Copiando E:\\vorlan\\dos.dat --> ");
        form.list_select(ListaFicheros, 1);
        form.list_set_line(ListaFicheros, 1, form.list_line(ListaFicheros, 1) + "Ok");
        form.list_select(ListaFicheros, 1);
        form.set_progress(ProgressBarT, 40);
        form.set_text(NumFilesCopy, "2");
    }
    bool all_shown() {
        return send(ListaFicheros, LB_GETCOUNT) == 2 && send(ListaFicheros, LB_GETCURSEL) == 1 &&
               send(ProgressBarT, PBM_GETPOS) == 40 && shown_text(NumFilesCopy) == "2";
    }

    Win32Form form;
};

TEST_F(HeldTest, TheCoreReadsItsChangesAtOnceAndTheScreenCatchesUpSoon) {
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\uno.dat --> Ok");
    form.set_text(NumFilesCopy, "1");
    start_yielding();
    copy_one_file();
    EXPECT_EQ(form.list_count(ListaFicheros), 2);
    EXPECT_EQ(form.list_line(ListaFicheros, 1), "Copiando E:\\vorlan\\dos.dat --> Ok");
    EXPECT_EQ(form.text(NumFilesCopy), "2");
    EXPECT_TRUE(form.visible(ListaFicheros)) << "a list whose redraw is held is still a visible list";

    const Clock::time_point start = Clock::now();
    while (!all_shown() && Clock::now() - start < std::chrono::seconds(2)) {
        form.yield();
        Sleep(1);
    }
    EXPECT_TRUE(all_shown());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500)) << "lists are shown twice a second";
    EXPECT_EQ(form.list_line(ListaFicheros, 1), "Copiando E:\\vorlan\\dos.dat --> Ok");
}

TEST_F(HeldTest, ABoxAndTheEndOfTheHandlerShowEverythingHeld) {
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\uno.dat --> Ok");
    start_yielding();
    copy_one_file();
    PostQuitMessage(0);
    EXPECT_EQ(form.run(), 0);
    EXPECT_TRUE(all_shown()) << "the event loop waited with changes held";

    form.list_clear(ListaFicheros);
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\uno.dat --> Ok");
    form.set_progress(ProgressBarT, 0);
    form.set_text(NumFilesCopy, "1");
    start_yielding();
    copy_one_file();
    // Looks at the window from another thread while the box is up, then closes the box.
    std::atomic<bool> shown_under_box{false};
    std::thread closer([&] {
        const DWORD self = GetCurrentProcessId();
        const Clock::time_point start = Clock::now();
        while (Clock::now() - start < std::chrono::seconds(10)) {
            HWND box = FindWindowW(L"#32770", L"VorLan");
            DWORD owner = 0;
            if (box) GetWindowThreadProcessId(box, &owner);
            if (box && owner == self && IsWindowVisible(box)) {
                shown_under_box = all_shown();
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(10);
        }
    });
    form.message_box("Copia de ficheros realizada correctamente.\n", 64, "VorLan");
    closer.join();
    EXPECT_TRUE(shown_under_box) << "the box came up over changes still held";
}

TEST_F(HeldTest, HidingAListWithItsRedrawHeldHidesIt) {
    start_yielding();
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\uno.dat --> ");
    form.set_visible(ListaFicheros, false);
    EXPECT_FALSE(IsWindowVisible(form.control(ListaFicheros)));
    EXPECT_FALSE(form.visible(ListaFicheros));
    form.set_visible(ListaFicheros, true);
    EXPECT_TRUE(IsWindowVisible(form.control(ListaFicheros)));
    EXPECT_EQ(send(ListaFicheros, LB_GETCOUNT), 1);
}

// Yields that come a million times a second read the clock only now and then;
// the queue must still be pumped every few milliseconds, and a new line (a new
// file, whose yields may come slowly) makes the next yield look at the clock.
TEST_F(HeldTest, TheQueueIsPumpedEveryFewMillisecondsHoweverOftenYieldsCome) {
    auto posted_click_seen = [&] { return form.checked(Option2); };
    PostMessageW(form.control(Option2), BM_SETCHECK, BST_CHECKED, 0);
    const Clock::time_point start = Clock::now();
    while (!posted_click_seen() && Clock::now() - start < std::chrono::seconds(1)) form.yield();
    EXPECT_TRUE(posted_click_seen());
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(50));

    for (int i = 0; i < 1000000; ++i) form.yield();  // the clock is now read once in many calls
    PostMessageW(form.control(Option1), BM_SETCHECK, BST_CHECKED, 0);
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\lento.dat --> ");
    Sleep(10);
    form.yield();
    EXPECT_TRUE(form.checked(Option1)) << "the first yield after a new line did not pump";
}

}  // namespace
}  // namespace vorlan::win32
