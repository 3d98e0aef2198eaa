// The window from inside the process: what the UI tests cannot see from
// outside (list extents, held updates, the end of the session, the click hand-off).

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"
#include "win32/system.h"
#include "win32/window.h"
#include "win32/window_parts.h"

namespace vorlan::win32 {
namespace {

TEST(SystemPaths, TheProgramFolderKeepsOnlyADriveRootsSeparator) {
    EXPECT_EQ(folder_of(L"E:\\instalar\\instalar.exe"), L"E:\\instalar");
    EXPECT_EQ(folder_of(L"D:\\instalar.exe"), L"D:\\");
}

struct Win32FormTest : testing::Test {
    static void SetUpTestSuite() {
        std::string err;
        ASSERT_TRUE(load_common_controls(&err)) << err;
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void SetUp() override {
        std::string err;
        ASSERT_TRUE(form.create(GetModuleHandleW(nullptr), &err)) << err;
    }
    LRESULT send(int id, UINT msg, WPARAM wp = 0) { return SendMessageW(form.control(id), msg, wp, 0); }

    Win32Form form;
};

TEST_F(Win32FormTest, ListsAndTextBoxesShowWhatTheyAreGiven) {
    form.list_add(ListaFicheros, "Copiando E:\\" + std::string(300, 'x') + ".bin");
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\año.bin");
    form.list_select(ListaFicheros, 1);
    form.list_set_line(ListaFicheros, 1, "Copiando E:\\vorlan\\año.bin --> Ok");
    EXPECT_EQ(form.list_line(ListaFicheros, 1), "Copiando E:\\vorlan\\año.bin --> Ok");
    EXPECT_EQ(send(ListaFicheros, LB_GETCURSEL), 1) << "replacing the selected line lost the selection";
    EXPECT_GT(send(ListaFicheros, LB_GETHORIZONTALEXTENT), 1000) << "a long line cannot be scrolled to";
    form.list_clear(ListaFicheros);
    EXPECT_EQ(send(ListaFicheros, LB_GETHORIZONTALEXTENT), 0);

    // A readme with bare line feeds shows its lines.
    form.set_text(Leeme, "uno\ndos\r\ntres");
    EXPECT_EQ(send(Leeme, EM_GETLINECOUNT), 3);
}

TEST_F(Win32FormTest, ClicksRunTheCoreHandlersAndNothingElseDoes) {
    test::MemoryFileSystem fs;
    test::FakePrograms programs;
    test::FakeSystem system;
    App app{form, fs, programs, system, installer_state("E:\\instalar")};
    form.attach(&app);
    auto command = [&](int id, WORD code) {
        SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(form.control(id)));
    };
    // Another program's clicks on controls the user cannot click: hidden, disabled.
    for (int id : {Option1, btn_sig1}) command(id, BN_CLICKED);
    form.set_visible(btn_sig1, true);
    command(btn_sig1, BN_CLICKED);
    EXPECT_FALSE(form.checked(Option1));
    EXPECT_TRUE(programs.starts.empty());
    form.set_visible(Option1, true);
    command(Option1, BN_CLICKED);
    EXPECT_TRUE(form.checked(Option1)) << "the option that reports a click is selected";
    command(btn_sig1, BN_SETFOCUS);
    EXPECT_TRUE(programs.starts.empty()) << "a focus notification ran the click handler";
    command(btn_sig1, BN_CLICKED);
    EXPECT_EQ(programs.starts.size(), 1u);
    form.attach(nullptr);

    // The yield runs what is queued, so that a click during a copy is seen,
    // and however fast the yields came, the first after a new line looks.
    for (int i = 0; i < 1000000; ++i) form.yield();
    PostMessageW(form.control(Option2), BM_SETCHECK, BST_CHECKED, 0);
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\lento.dat --> ");
    Sleep(20);
    form.yield();
    EXPECT_TRUE(form.checked(Option2));
}

// While a handler yields, the core reads its changes back at once, the screen
// shows them later (at the latest when the event loop waits again), and a
// list whose redraw is held still hides.
TEST_F(Win32FormTest, UpdatesHeldWhileAHandlerYieldsAreReadAtOnceAndShownLater) {
    form.show(SW_SHOWNOACTIVATE);
    form.set_visible(ListaFicheros, true);
    Sleep(20);
    form.yield();
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\uno.dat --> ");
    EXPECT_TRUE(form.visible(ListaFicheros));
    form.set_visible(ListaFicheros, false);
    EXPECT_FALSE(IsWindowVisible(form.control(ListaFicheros)));
    form.set_visible(ListaFicheros, true);
    form.list_set_line(ListaFicheros, 0, form.list_line(ListaFicheros, 0) + "Ok");
    form.list_select(ListaFicheros, 0);
    form.set_progress(ProgressBarT, 40);
    form.set_text(NumFilesCopy, "2");
    EXPECT_EQ(form.list_line(ListaFicheros, 0), "Copiando E:\\vorlan\\uno.dat --> Ok");
    EXPECT_EQ(form.text(NumFilesCopy), "2");
    PostQuitMessage(0);
    EXPECT_EQ(form.run(), 0);
    wchar_t shown[8] = {};
    GetWindowTextW(form.control(NumFilesCopy), shown, 8);
    EXPECT_EQ(std::wstring(shown), L"2");
    EXPECT_EQ(send(ListaFicheros, LB_GETCURSEL), 0);
    EXPECT_EQ(send(ProgressBarT, PBM_GETPOS), 40);
}

TEST_F(Win32FormTest, ABusyTaskHoldsBackTheEndOfTheSession) {
    auto query_end = [&] { return SendMessageW(form.hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF); };
    EXPECT_NE(query_end(), 0);
    form.set_task(Form::Task::Busy, [] {});
    EXPECT_EQ(query_end(), 0);
    form.set_progress(ProgressBarT, 40);
    form.set_task(Form::Task::Failed, {});
    EXPECT_NE(query_end(), 0);
}

}  // namespace
}  // namespace vorlan::win32
