// What a long handler changes while it yields, on real controls: it waits,
// the form still reads it back, and all of it shows when the handler stops.

#include "win32/deferred_updates.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace vorlan::win32 {
namespace {

struct DeferredUpdatesTest : testing::Test {
    void SetUp() override {
        const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&classes));
        // Shown: only a list on screen turns its redraw off.
        parent = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                 nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        const std::pair<int, const wchar_t*> controls[] = {
            {NumFilesCopy, L"EDIT"}, {Label4, L"STATIC"}, {ListaFicheros, L"LISTBOX"}, {ProgressBarT, PROGRESS_CLASSW}};
        for (const auto& [id, window_class] : controls) {
            HWND h = CreateWindowExW(0, window_class, L"0", WS_CHILD | WS_VISIBLE, 0, 0, 200, 60, parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
            ASSERT_NE(h, nullptr);
            updates.add_control(id, h);
        }
    }
    void TearDown() override { DestroyWindow(parent); }

    std::wstring on_screen(int id) {
        wchar_t text[64] = {};
        GetWindowTextW(GetDlgItem(parent, id), text, 64);
        return text;
    }
    LRESULT send(int id, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
        return SendMessageW(GetDlgItem(parent, id), msg, wp, lp);
    }
    std::wstring waiting(int id) {
        const std::wstring* text = updates.waiting_text(id);
        return text ? *text : L"(none)";
    }

    HWND parent = nullptr;
    std::vector<int> bars_shown;
    DeferredUpdates updates{[](MSG& msg) { DispatchMessageW(&msg); },
                            [this](int, int position) { bars_shown.push_back(position); }};
};

TEST_F(DeferredUpdatesTest, WaitWhileAHandlerYieldsAndAllShowsWhenItStops) {
    // Before any yield, every change shows at once.
    updates.set_text(NumFilesCopy, L"1");
    updates.set_progress(ProgressBarT, 10);
    EXPECT_EQ(on_screen(NumFilesCopy), L"1");
    EXPECT_EQ(send(ProgressBarT, PBM_GETPOS), 10);

    Sleep(20);  // longer than a pump's interval: the next yield pumps, and from then on changes wait
    updates.yield();
    updates.set_text(NumFilesCopy, L"2");
    updates.set_text(Label4, L"etiqueta");
    updates.set_progress(ProgressBarT, 20);
    updates.list_changing(ListaFicheros);
    send(ListaFicheros, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Copiando E:\\vorlan\\año.bin"));
    updates.select(ListaFicheros, 0);
    EXPECT_EQ(on_screen(NumFilesCopy), L"1");
    EXPECT_EQ(waiting(NumFilesCopy), L"2") << "the form reads back what it was given";
    EXPECT_EQ(on_screen(Label4), L"etiqueta") << "only text boxes wait";
    EXPECT_EQ(send(ProgressBarT, PBM_GETPOS), 10);
    EXPECT_TRUE(updates.redraw_off(ListaFicheros));
    EXPECT_EQ(send(ListaFicheros, LB_GETCURSEL), LB_ERR);
    EXPECT_FALSE(updates.selected_on_screen(ListaFicheros, 0));

    updates.stop_deferring();
    EXPECT_EQ(on_screen(NumFilesCopy), L"2");
    EXPECT_EQ(waiting(NumFilesCopy), L"(none)");
    EXPECT_EQ(send(ProgressBarT, PBM_GETPOS), 20);
    EXPECT_EQ(bars_shown, (std::vector<int>{10, 20})) << "the taskbar button follows every position shown";
    EXPECT_FALSE(updates.redraw_off(ListaFicheros));
    EXPECT_EQ(send(ListaFicheros, LB_GETCURSEL), 0) << "the selection made while waiting is shown";
    EXPECT_TRUE(updates.selected_on_screen(ListaFicheros, 0));

    // Until the next yield, changes show at once again.
    updates.set_text(NumFilesCopy, L"3");
    EXPECT_EQ(on_screen(NumFilesCopy), L"3");
}

}  // namespace
}  // namespace vorlan::win32
