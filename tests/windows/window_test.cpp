// The window from inside the process: arithmetic, fonts, colours, stacking,
// focus and the hand-off of clicks to the core.

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"
#include "win32/system.h"
#include "win32/window.h"
#include "win32/window_parts.h"

namespace vorlan::win32 {
namespace {

TEST(WindowMetrics, TwipsBecomePixelsAtTheDpi) {
    EXPECT_EQ(twips_to_pixels(kClientWidth, 96), 793);
    EXPECT_EQ(twips_to_pixels(kClientHeight, 96), 495);
    EXPECT_EQ(twips_to_pixels(kClientWidth, 144), 1190);  // 1189.5 rounds up
    EXPECT_EQ(twips_to_pixels(-1, 96), 0);
    EXPECT_EQ(twips_to_pixels(-15, 96), -1);
    EXPECT_FLOAT_EQ(pixels_to_twips(793, 96), 11895.0f);
    EXPECT_FLOAT_EQ(pixels_to_twips(3, 144), 30.0f);
}

TEST(WindowMetrics, FontHeightsAreCharacterHeightsInPixels) {
    EXPECT_EQ(font_height(8.25f, 96), -11);
    EXPECT_EQ(font_height(9.0f, 96), -12);
    EXPECT_EQ(font_height(14.25f, 96), -19);
    EXPECT_EQ(font_height(15.75f, 96), -21);
    EXPECT_EQ(font_height(8.25f, 144), -17);  // 16.5
    EXPECT_EQ(font_height(15.75f, 120), -26);  // 26.25
}

TEST(WindowMetrics, FacesFallBackThroughTheirCandidates) {
    auto only = [](std::set<std::wstring> faces) {
        return [faces](const std::wstring& face) { return faces.count(face) > 0; };
    };
    EXPECT_EQ(face_for(Face::SansSerif, only({L"MS Sans Serif", L"Tahoma"})), L"MS Sans Serif");
    EXPECT_EQ(face_for(Face::SansSerif, only({L"Tahoma", L"Arial"})), L"Tahoma");
    EXPECT_EQ(face_for(Face::SansSerif, only({L"Liberation Sans", L"DejaVu Sans"})), L"Liberation Sans");
    EXPECT_EQ(face_for(Face::Arial, only({L"Arial", L"Liberation Sans"})), L"Arial");
    EXPECT_EQ(face_for(Face::Arial, only({L"Liberation Sans"})), L"Liberation Sans");
    // Nothing known installed: the design's own name, for the font mapper.
    EXPECT_EQ(face_for(Face::Arial, only({})), L"Arial");
    EXPECT_EQ(face_for(Face::SansSerif, only({})), L"MS Sans Serif");
}

TEST(WindowMetrics, EveryLineBreakBecomesCrLf) {
    EXPECT_EQ(with_crlf(L""), L"");
    EXPECT_EQ(with_crlf(L"a\nb\n"), L"a\r\nb\r\n");
    EXPECT_EQ(with_crlf(L"a\r\nb"), L"a\r\nb");
    EXPECT_EQ(with_crlf(L"a\rb"), L"a\r\nb");
    EXPECT_EQ(with_crlf(L"a\r\r\nb\n\n"), L"a\r\n\r\nb\r\n\r\n");
}

TEST(SystemPaths, TheProgramFolderKeepsOnlyADriveRootsSeparator) {
    EXPECT_EQ(folder_of(L"E:\\instalar\\instalar.exe"), L"E:\\instalar");
    EXPECT_EQ(folder_of(L"D:\\instalar.exe"), L"D:\\");
    EXPECT_EQ(folder_of(L"\\\\?\\D:\\instalar.exe"), L"\\\\?\\D:\\");
    EXPECT_EQ(folder_of(L"\\\\srv\\share\\instalar.exe"), L"\\\\srv\\share");
    EXPECT_EQ(folder_of(L"instalar.exe"), L"");
}

class Win32FormTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string err;
        ASSERT_TRUE(load_common_controls(&err)) << err;
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void SetUp() override {
        std::string err;
        ASSERT_TRUE(form.create(GetModuleHandleW(nullptr), &err)) << err;
        dpi = dpi_of(form.hwnd());
    }
    RECT rect_of(int id) const {
        RECT r;
        GetWindowRect(form.control(id), &r);
        MapWindowPoints(nullptr, form.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    LOGFONTW font_of(int id) const {
        LOGFONTW lf{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(form.control(id), WM_GETFONT, 0, 0)), sizeof lf, &lf);
        return lf;
    }
    bool tab_stop(int id) const { return (GetWindowLongPtrW(form.control(id), GWL_STYLE) & WS_TABSTOP) != 0; }

    Win32Form form;
    UINT dpi = 96;
};

TEST_F(Win32FormTest, EveryControlStartsInItsDesignPlaceAndState) {
    RECT client;
    GetClientRect(form.hwnd(), &client);
    EXPECT_EQ(client.right, twips_to_pixels(kClientWidth, dpi));
    EXPECT_EQ(client.bottom, twips_to_pixels(kClientHeight, dpi));
    for (const ControlDesign& d : kDesign) {
        const RECT r = rect_of(d.id);
        EXPECT_EQ(r.left, twips_to_pixels(d.left, dpi)) << d.name;
        EXPECT_EQ(r.top, twips_to_pixels(d.top, dpi)) << d.name;
        if (d.kind == Kind::Line) {
            EXPECT_EQ(r.right, twips_to_pixels(d.width, dpi));
            EXPECT_EQ(r.bottom - r.top, std::max(1, MulDiv(1, static_cast<int>(dpi), 96)));
        } else {
            EXPECT_EQ(r.right, twips_to_pixels(d.left + d.width, dpi)) << d.name;
            EXPECT_EQ(r.bottom, twips_to_pixels(d.top + d.height, dpi)) << d.name;
        }
        EXPECT_EQ(form.visible(d.id), d.visible) << d.name;
        EXPECT_EQ(form.enabled(d.id), d.enabled) << d.name;
    }
    EXPECT_EQ(form.text(Texto_Presentacion), design(Texto_Presentacion).caption);
    EXPECT_EQ(form.text(btn_atras3), "Atrás");
}

TEST_F(Win32FormTest, OneFontPerDesignFontAndABoldVariantOnRequest) {
    for (const ControlDesign& d : kDesign) {
        if (d.font.face == Face::None) continue;
        const LOGFONTW lf = font_of(d.id);
        EXPECT_EQ(lf.lfHeight, font_height(d.font.points, dpi)) << d.name;
        EXPECT_EQ(lf.lfWeight >= FW_BOLD, d.font.bold) << d.name;
    }
    auto handle = [&](int id) { return SendMessageW(form.control(id), WM_GETFONT, 0, 0); };
    EXPECT_EQ(handle(btn_Cancel), handle(Label1));
    EXPECT_NE(handle(btn_Cancel), handle(btn_inst));  // bold
    EXPECT_EQ(handle(TituloCarto), handle(TituloPresentacion));

    const LRESULT regular = handle(ListaFicherosFail);
    form.set_bold(ListaFicherosFail, true);
    const LOGFONTW bold = font_of(ListaFicherosFail);
    EXPECT_GE(bold.lfWeight, FW_BOLD);
    EXPECT_EQ(bold.lfHeight, font_height(9.0f, dpi));
    EXPECT_EQ(std::wstring(bold.lfFaceName), std::wstring(font_of(ListaFicheros).lfFaceName));
    form.set_bold(ListaFicherosFail, false);
    EXPECT_EQ(handle(ListaFicherosFail), regular);
}

TEST_F(Win32FormTest, LabelsLieBeneathAndTabOrderFollowsTheTabIndex) {
    std::vector<int> stacked;
    for (HWND c = GetWindow(form.hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) stacked.push_back(GetDlgCtrlID(c));
    ASSERT_EQ(stacked.size(), kDesign.size());
    auto beneath = [](int id) { return design(id).kind == Kind::Label || design(id).kind == Kind::Line; };
    EXPECT_TRUE(std::is_partitioned(stacked.begin(), stacked.end(), [&](int id) { return !beneath(id); }));
    auto first_label = std::find_if(stacked.begin(), stacked.end(), beneath);
    EXPECT_TRUE(std::is_sorted(stacked.begin(), first_label,
                               [](int a, int b) { return design(a).tab_index < design(b).tab_index; }));

    for (int id : {btn_Cancel, btn_sig0, btn_inst, ListaFicheros, ListaFicherosFail, Leeme, Option1})
        EXPECT_TRUE(tab_stop(id)) << design(id).name;
    for (int id : {Texto_Presentacion, NumFilesCopy, NumFilesToCopy, Option2, Label4, Picture2, ProgressBar})
        EXPECT_FALSE(tab_stop(id)) << design(id).name;
}

TEST_F(Win32FormTest, ColoursComeFromTheTableUntilTheCoreSetsItsOwn) {
    HDC dc = GetDC(form.hwnd());
    auto colour = [&](UINT msg, int id) {
        auto brush = reinterpret_cast<HBRUSH>(SendMessageW(form.hwnd(), msg, reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(form.control(id))));
        LOGBRUSH lb{};
        GetObjectW(brush, sizeof lb, &lb);
        EXPECT_EQ(lb.lbColor, GetBkColor(dc)) << design(id).name << ": the brush and the text background differ";
        return GetBkColor(dc);
    };
    EXPECT_EQ(colour(WM_CTLCOLORSTATIC, Texto_Presentacion), GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(colour(WM_CTLCOLORSTATIC, Leeme), GetSysColor(COLOR_HIGHLIGHTTEXT));
    EXPECT_EQ(colour(WM_CTLCOLORSTATIC, Label3), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(colour(WM_CTLCOLORLISTBOX, ListaFicheros), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(colour(WM_CTLCOLORLISTBOX, ListaFicherosFail), GetSysColor(COLOR_INACTIVECAPTIONTEXT));

    form.set_back_color(ListaFicherosFail, kYellow);
    form.set_fore_color(ListaFicherosFail, kRed);
    EXPECT_EQ(colour(WM_CTLCOLORLISTBOX, ListaFicherosFail), kYellow);
    EXPECT_EQ(GetTextColor(dc), kRed);
    ReleaseDC(form.hwnd(), dc);
}

TEST_F(Win32FormTest, ListsKeepTheirLinesSelectionAndAScrollRangeForLongLines) {
    HWND list = form.control(ListaFicheros);
    form.list_add(ListaFicheros, "Analizando estructura de archivos...");
    form.list_add(ListaFicheros, "Copiando E:\\vorlan\\año.bin");
    form.list_select(ListaFicheros, 1);
    form.list_set_line(ListaFicheros, 1, "Copiando E:\\vorlan\\año.bin --> Ok");
    EXPECT_EQ(form.list_count(ListaFicheros), 2);
    EXPECT_EQ(form.list_line(ListaFicheros, 1), "Copiando E:\\vorlan\\año.bin --> Ok");
    EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1) << "replacing the selected line lost the selection";
    EXPECT_EQ(form.list_line(ListaFicheros, 2), "");
    form.list_set_line(ListaFicheros, 5, "ignored");
    EXPECT_EQ(form.list_count(ListaFicheros), 2);

    RECT r;
    GetClientRect(list, &r);
    EXPECT_LT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), r.right);
    form.list_add(ListaFicheros, "Copiando E:\\" + std::string(300, 'x') + ".bin");
    EXPECT_GT(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), r.right);
    form.list_clear(ListaFicheros);
    EXPECT_EQ(form.list_count(ListaFicheros), 0);
    EXPECT_EQ(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0), 0);
}

TEST_F(Win32FormTest, ProgressTakesTheWholePercentWithinTheRange) {
    auto position = [&] { return SendMessageW(form.control(ProgressBarT), PBM_GETPOS, 0, 0); };
    form.set_progress(ProgressBarT, 37.9);
    EXPECT_EQ(position(), 37);
    form.set_progress(ProgressBarT, 100.5);
    EXPECT_EQ(position(), 100);
    form.set_progress(ProgressBarT, -3);
    EXPECT_EQ(position(), 0);
    form.set_progress(ProgressBarT, 50);
    form.set_progress(ProgressBarT, std::nan(""));
    EXPECT_EQ(position(), 0);
}

TEST_F(Win32FormTest, TextBoxesShowLineFeedsAsLinesAndHoldAnyLength) {
    form.set_text(Leeme, "uno\ndos\r\ntres");
    EXPECT_EQ(form.text(Leeme), "uno\r\ndos\r\ntres");
    EXPECT_EQ(SendMessageW(form.control(Leeme), EM_GETLINECOUNT, 0, 0), 3);
    form.set_text(NumFilesCopy, "12");
    EXPECT_EQ(form.text(NumFilesCopy), "12");
    std::string long_text;
    while (long_text.size() < 100000) long_text += "Una línea del léame, como las de cualquier fichero de texto.\r\n";
    form.set_text(Leeme, long_text);
    EXPECT_EQ(form.text(Leeme).size(), long_text.size());
}

TEST_F(Win32FormTest, TheOptionGroupIsOneTabStopOnTheSelectedOrTheFirstOption) {
    form.set_checked(Option2, true);
    EXPECT_TRUE(form.checked(Option2));
    EXPECT_TRUE(tab_stop(Option2));
    EXPECT_FALSE(tab_stop(Option1));
    form.set_checked(Option2, false);
    EXPECT_FALSE(form.checked(Option2));
    EXPECT_TRUE(tab_stop(Option1));
}

TEST_F(Win32FormTest, ClicksOnButtonsOptionsAndLabelsRunTheCoreHandlers) {
    test::MemoryFileSystem fs;
    test::FakePrograms programs;
    test::FakeSystem system;
    App app{form, fs, programs, system, installer_state("E:\\instalar")};
    form.attach(&app);
    auto click = [&](int id) {
        SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(form.control(id)));
    };
    click(Label5);
    EXPECT_TRUE(form.checked(Option2));
    EXPECT_TRUE(form.enabled(btn_sig1));
    // The option that reports a click is selected, whether the mouse or the
    // keyboard focus brought it.
    click(Option1);
    EXPECT_TRUE(form.checked(Option1));
    EXPECT_FALSE(form.checked(Option2));
    // Other notifications are no clicks.
    SendMessageW(form.hwnd(), WM_COMMAND, MAKEWPARAM(btn_sig1, BN_SETFOCUS),
                 reinterpret_cast<LPARAM>(form.control(btn_sig1)));
    EXPECT_TRUE(programs.starts.empty());
    click(btn_sig1);
    ASSERT_EQ(programs.starts.size(), 1u);
    EXPECT_EQ(programs.starts[0].path, "E:\\instalar\\aplicacion\\vorlan.exe");
    form.attach(nullptr);
}

TEST_F(Win32FormTest, HidingOrDisablingTheFocusedControlMovesTheFocusOn) {
    form.show(SW_SHOW);
    SetForegroundWindow(form.hwnd());
    if (GetActiveWindow() != form.hwnd()) GTEST_SKIP() << "the test window could not be activated";
    EXPECT_EQ(GetFocus(), form.control(btn_Cancel));
    SetFocus(form.control(btn_sig0));
    form.set_visible(btn_sig0, false);
    EXPECT_EQ(GetFocus(), form.control(btn_Cancel));
    form.set_enabled(btn_Cancel, false);
    EXPECT_EQ(GetFocus(), form.hwnd()) << "nothing else can take it";
}

TEST_F(Win32FormTest, YieldRunsQueuedMessagesAtMostEveryFewMilliseconds) {
    HWND option = form.control(Option1);
    PostMessageW(option, BM_SETCHECK, BST_CHECKED, 0);
    form.yield();
    EXPECT_TRUE(form.checked(Option1));

    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    PostMessageW(option, BM_SETCHECK, BST_UNCHECKED, 0);
    form.yield();
    QueryPerformanceCounter(&after);
    if ((after.QuadPart - before.QuadPart) * 1000 < frequency.QuadPart * 4) {
        EXPECT_TRUE(form.checked(Option1)) << "a yield right after another pumped the queue";
    }
    Sleep(20);
    form.yield();
    EXPECT_FALSE(form.checked(Option1));
}

TEST_F(Win32FormTest, SizesAndMovesAreInTwips) {
    RECT r;
    GetWindowRect(form.hwnd(), &r);
    const Twips outer = form.outer_size();
    EXPECT_FLOAT_EQ(outer.width, pixels_to_twips(r.right - r.left, dpi));
    EXPECT_FLOAT_EQ(outer.height, pixels_to_twips(r.bottom - r.top, dpi));
    form.move(1500, -30);
    GetWindowRect(form.hwnd(), &r);
    EXPECT_EQ(r.left, twips_to_pixels(1500, system_dpi()));
    EXPECT_EQ(r.top, twips_to_pixels(-30, system_dpi()));
}

}  // namespace
}  // namespace vorlan::win32
