// The window from inside the process, beyond places and captions: the
// colours it answers with, in high contrast and out, the counters' fonts at
// every DPI, the focus the program gives, and the names screen readers hear.

#include <windows.h>
#include <gtest/gtest.h>

#include <oleacc.h>

#include <string>
#include <vector>

#include "fakes/fake_system.h"
#include "fakes/memory_file_system.h"
#include "win32/text.h"
#include "win32/window.h"
#include "windows/form_fixture.h"

namespace vorlan::win32 {
namespace {

using LookTest = FormFixture;

// What the window answers a control's WM_CTLCOLOR* with.
struct Answer {
    COLORREF back, text, brush;
};

Answer colours_of(Win32Form& form, int id) {
    const ControlDesign& d = design(id);
    const UINT msg = d.kind == Kind::List                                  ? WM_CTLCOLORLISTBOX
                     : d.kind == Kind::Text && !(d.style & STYLE_READONLY) ? WM_CTLCOLOREDIT
                                                                           : WM_CTLCOLORSTATIC;
    const UniqueDc dc(CreateCompatibleDC(nullptr));
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(form.hwnd(), msg, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(form.control(id))));
    LOGBRUSH lb{};
    GetObjectW(brush, sizeof lb, &lb);
    return {GetBkColor(dc.get()), GetTextColor(dc.get()), lb.lbColor};
}

std::string hex(COLORREF c) {
    char s[16];
    snprintf(s, sizeof s, "%06lx", static_cast<unsigned long>(c));
    return s;
}

// Turning high contrast on and off, as Windows tells a running program:
// every control in the theme's window or button pair, nothing of the
// design's or the program's, drawn again at once; then the design's again.
TEST_F(LookTest, HighContrastDrawsInTheThemesColoursAndFollowsEveryChange) {
    bool high_contrast = false;
    form.set_high_contrast_query([&] { return high_contrast; });
    form.set_back_color(ListaFicherosFail, kYellow);
    form.set_fore_color(ListaFicherosFail, kRed);
    ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
    for (int id : {ListaFicherosFail, Leeme, NumFilesCopy}) form.set_visible(id, true);
    HWND line = form.control(Line1);
    struct Case {
        int id;
        COLORREF back, text;
    };
    const COLORREF window = GetSysColor(COLOR_WINDOW), window_text = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF face = GetSysColor(COLOR_BTNFACE), button_text = GetSysColor(COLOR_BTNTEXT);
    const Case design_colours[] = {
        {ListaFicherosFail, kYellow, kRed},
        {Leeme, GetSysColor(COLOR_HIGHLIGHTTEXT), window_text},
        {Texto_Presentacion, GetSysColor(COLOR_3DLIGHT), window_text},
        {NumFilesCopy, face, window_text},
        {Label4, face, button_text},
    };
    const Case theme_colours[] = {
        {ListaFicherosFail, window, window_text},
        {Leeme, window, window_text},
        {Texto_Presentacion, window, window_text},
        {ListaFicheros, window, window_text},
        {NumFilesCopy, face, button_text},
        {Label4, face, button_text},
        {Option1, face, button_text},
        {TituloCarto, face, button_text},
    };
    for (bool on : {false, true, false}) {
        SCOPED_TRACE(on ? "high contrast" : "normal");
        UpdateWindow(form.hwnd());
        high_contrast = on;
        SendMessageW(form.hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        RECT dirty{};
        EXPECT_TRUE(GetUpdateRect(form.control(ListaFicherosFail), &dirty, FALSE)) << "not drawn again";
        for (const Case& c : on ? std::vector<Case>(std::begin(theme_colours), std::end(theme_colours))
                                : std::vector<Case>(std::begin(design_colours), std::end(design_colours))) {
            const Answer a = colours_of(form, c.id);
            EXPECT_EQ(hex(a.back) + " " + hex(a.text) + " " + hex(a.brush),
                      hex(c.back) + " " + hex(c.text) + " " + hex(c.back))
                << design(c.id).name;
        }
        EXPECT_EQ(GetClassLongPtrW(line, GCLP_HBRBACKGROUND), (on ? COLOR_BTNTEXT : COLOR_APPWORKSPACE) + 1);
        // The report's button sets its red again at every click: in high contrast it stays unseen.
        form.set_fore_color(ListaFicherosFail, kRed);
        EXPECT_EQ(colours_of(form, ListaFicherosFail).text, on ? window_text : kRed);
    }
}

// The whole number inside the counter's box, measured with the font the box
// has, at 100, 150 and 200 %; short numbers keep the design's size.
TEST_F(LookTest, CountersShowEveryDigitInTheirBoxAtEveryDpi) {
    for (UINT dpi : {96u, 144u, 192u}) {
        if (dpi != 96) {
            RECT suggested{};
            GetWindowRect(form.hwnd(), &suggested);
            SendMessageW(form.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        }
        const std::pair<int, const char*> cases[] = {
            {NumFilesToCopy, "0"},      {NumFilesToCopy, "345"},   {NumFilesCopy, "65140"},
            {NumFilesToCopy, "100000"}, {NumFilesCopy, "9999999"}, {NumFilesToCopy, "1234567"},
        };
        for (const auto& [id, text] : cases) {
            SCOPED_TRACE(std::to_string(dpi) + " DPI: " + text);
            HWND box = form.control(id);
            // From the program, and from another program straight to the box.
            if (id == NumFilesCopy) form.set_text(id, text);
            else SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(widen(text).c_str()));
            const auto font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
            const UniqueDc dc(CreateCompatibleDC(nullptr));
            SIZE size{};
            {
                const SelectedObject selected(dc.get(), font);
                GetTextExtentPoint32W(dc.get(), widen(text).c_str(), static_cast<int>(std::string(text).size()), &size);
            }
            const LRESULT margins = SendMessageW(box, EM_GETMARGINS, 0, 0);
            RECT client{};
            GetClientRect(box, &client);
            EXPECT_LE(LOWORD(margins) + size.cx + HIWORD(margins), client.right)
                << size.cx << " px of text in " << client.right << " px";
            LOGFONTW lf{};
            GetObjectW(font, sizeof lf, &lf);
            if (std::string(text).size() <= 3) {
                EXPECT_EQ(lf.lfHeight, -MulDiv(825, static_cast<int>(dpi), 7200));
            }
        }
    }
}

// Windows' automatic option buttons select themselves when they get the
// focus and tell their window of a click; Wine's do neither. The option here
// is made to, as Windows' are.
LRESULT CALLBACK like_windows_option(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_SETFOCUS && SendMessageW(hwnd, BM_GETCHECK, 0, 0) != BST_CHECKED) {
        const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
        if ((GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
            SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd));
        return result;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

TEST_F(LookTest, TheFocusTheProgramGivesChoosesNothingWhereTheUsersDoes) {
    test::MemoryFileSystem fs;
    test::FakePrograms programs;
    test::FakeSystem system;
    App app{form, fs, programs, system, installer_state("E:\\instalar")};
    form.attach(&app);
    form.show(SW_SHOW);
    ASSERT_EQ(GetActiveWindow(), form.hwnd());
    for (int id : {Option1, Option2, btn_sig1}) form.set_visible(id, true);
    for (int id : {Option1, Option2}) SetWindowSubclass(form.control(id), like_windows_option, 1, 0);

    form.set_focus(Option1);
    EXPECT_EQ(GetFocus(), form.control(Option1));
    EXPECT_FALSE(form.checked(Option1) || form.enabled(btn_sig1)) << "the program chose for the user";
    // The arrow key moving on is the user's choice.
    SetFocus(form.control(Option2));
    EXPECT_TRUE(form.checked(Option2) && !form.checked(Option1) && form.enabled(btn_sig1));
    // Away and back: the focus returns to the option without choosing it either.
    form.set_checked(Option2, false);
    form.set_focus(Option1);
    SendMessageW(form.hwnd(), WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageW(form.hwnd(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), form.control(Option1));
    EXPECT_FALSE(form.checked(Option1) || form.checked(Option2));
    for (int id : {Option1, Option2}) RemoveWindowSubclass(form.control(id), like_windows_option, 1);
    form.attach(nullptr);
}

// A stand-in for the system's annotation service that records what it is told.
// A COM object is never deleted through its interface.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class RecordingServices : public IAccPropServices {
public:
    struct Call {
        HWND hwnd;
        DWORD object, child;
        bool is_name;
        std::wstring text;  // "(cleared)" for a ClearHwndProps
    };
    std::vector<Call> calls;

    HRESULT WINAPI QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IAccPropServices) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return 2; }
    ULONG WINAPI Release() override { return 1; }
    HRESULT WINAPI SetHwndPropStr(HWND hwnd, DWORD object, DWORD child, MSAAPROPID prop, LPCWSTR str) override {
        calls.push_back({hwnd, object, child, prop == PROPID_ACC_NAME, str});
        return S_OK;
    }
    HRESULT WINAPI ClearHwndProps(HWND hwnd, DWORD object, DWORD child, const MSAAPROPID* props, int count) override {
        calls.push_back({hwnd, object, child, count == 1 && props[0] == PROPID_ACC_NAME, L"(cleared)"});
        return S_OK;
    }
    HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
        return E_NOTIMPL;
    }
    HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
    HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
    HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override { return E_NOTIMPL; }
};
#pragma GCC diagnostic pop

// What a screen reader hears a control called. oleacc.dll is loaded as the
// readers load it; its import library and the GUID library define the same
// GUIDs, so the tests do not link it.
std::wstring accessible_name(HWND hwnd) {
    using FromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    static const auto from_window = reinterpret_cast<FromWindow>(reinterpret_cast<void (*)()>(GetProcAddress(
        LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "AccessibleObjectFromWindow")));
    IAccessible* object = nullptr;
    if (!from_window ||
        FAILED(from_window(hwnd, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible, reinterpret_cast<void**>(&object))))
        return L"(none)";
    const UniqueCom<IAccessible> held(object);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (FAILED(held->get_accName(self, &name)) || !name) return L"(none)";
    std::wstring out(name, SysStringLen(name));
    SysFreeString(name);
    return out;
}

// Each control of the names table is named, on itself, and only its name
// changes: the window texts stay the design's.
TEST_F(LookTest, ControlsAreNamedForScreenReadersWithoutChangingTheirTexts) {
    RecordingServices recording;
    ASSERT_EQ(form.name_controls(&recording), S_OK);
    ASSERT_EQ(recording.calls.size(), kAccessibleNames.size());
    for (std::size_t i = 0; i < kAccessibleNames.size(); ++i) {
        const AccessibleName& n = kAccessibleNames[i];
        const RecordingServices::Call& c = recording.calls[i];
        SCOPED_TRACE(design(n.id).name);
        EXPECT_EQ(c.hwnd, form.control(n.id));
        EXPECT_TRUE(c.object == static_cast<DWORD>(OBJID_CLIENT) && c.child == CHILDID_SELF && c.is_name);
        EXPECT_EQ(narrow(c.text), n.name);
    }
    EXPECT_EQ(form.text(Option1), "Option1");

    // The system's service: the names are taken off the stand-in's first.
    const HRESULT real = form.name_controls();
    EXPECT_EQ(recording.calls.size(), 2 * kAccessibleNames.size());
    EXPECT_EQ(recording.calls.back().text, L"(cleared)");
    // Wine makes the service but annotates nothing (E_NOTIMPL); where it
    // annotates, a screen reader reads the names back.
    ASSERT_TRUE(real == S_OK || real == E_NOTIMPL) << std::hex << real;
    RecordProperty("annotation", real == S_OK ? "names read back" : "not supported by this system");
    if (real == S_OK) {
        for (const AccessibleName& n : kAccessibleNames)
            EXPECT_EQ(narrow(accessible_name(form.control(n.id))), n.name) << design(n.id).name;
    }
}

}  // namespace
}  // namespace vorlan::win32
