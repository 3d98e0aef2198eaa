// The window from inside the process: what the UI tests cannot see from
// outside (list extents, the click hand-off).

#include <windows.h>
#include <gtest/gtest.h>

#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"
#include "win32/window.h"
#include "windows/form_fixture.h"

namespace vorlan::win32 {
namespace {

struct Win32FormTest : FormFixture {
    LRESULT send(int id, UINT msg, WPARAM wp = 0) { return SendMessageW(form.control(id), msg, wp, 0); }
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
    // Another program's clicks on controls the user cannot click (hidden,
    // disabled) and a focus notification run nothing.
    for (int id : {Option1, btn_sig1}) command(id, BN_CLICKED);
    form.set_visible(btn_sig1, true);
    command(btn_sig1, BN_CLICKED);
    form.set_visible(Option1, true);
    command(Option1, BN_CLICKED);  // selects it, as a click does
    command(btn_sig1, BN_SETFOCUS);
    EXPECT_TRUE(form.checked(Option1) && programs.starts.empty());
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

// A log-off or shutdown waits while the data are copied, and only then.
TEST_F(Win32FormTest, TheSessionEndWaitsForABusyTaskOnly) {
    const std::pair<Form::Task, LRESULT> cases[] = {
        {Form::Task::Idle, TRUE}, {Form::Task::Busy, FALSE}, {Form::Task::Failed, TRUE}, {Form::Task::Done, TRUE}};
    for (const auto& [task, answer] : cases) {
        form.set_task(task, {});
        EXPECT_EQ(SendMessageW(form.hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), answer)
            << "task " << static_cast<int>(task);
    }
}

}  // namespace
}  // namespace vorlan::win32
