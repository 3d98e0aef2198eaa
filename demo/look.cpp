// The wizard's pages as its window draws them while Windows' high-contrast
// mode is on, for the demo's screenshots: Wine has no such mode (it always
// says the mode is off and refuses to turn it on). The window, its handlers
// and the pages are the program's own, run in this process with the mode
// said to be on and the system colours of a dark high-contrast theme; each
// page is saved as it shows on the screen. Windows draws the controls
// without visual styles then: scripts/run-demo runs this in a prefix whose
// theme is off.
//
//   vorlan_look MEDIUM OUTDIR     MEDIUM: a medium's folder (for the readme)
//
// Writes OUTDIR\pagina-0.bmp, pagina-1.bmp, pagina-3.bmp, pagina-3-informe.bmp
// and pagina-3-final.bmp. The colours are the session's for as long as it
// runs, and given back at the end.

#include <windows.h>

#include <commctrl.h>

#include <array>
#include <cstdio>
#include <string>

#include "ui/medium.h"
#include "ui/pixels.h"
#include "win32/file_system.h"
#include "win32/handle.h"
#include "win32/programs.h"
#include "win32/system.h"
#include "win32/text.h"
#include "win32/window.h"
#include "wizard/app.h"

namespace {

using namespace vorlan;

// Windows' "High Contrast Black", as far as the window draws with it.
constexpr std::array<std::pair<int, COLORREF>, 12> kDarkTheme = {{
    {COLOR_WINDOW, RGB(0, 0, 0)},
    {COLOR_WINDOWTEXT, RGB(255, 255, 255)},
    {COLOR_BTNFACE, RGB(0, 0, 0)},
    {COLOR_BTNTEXT, RGB(255, 255, 255)},
    {COLOR_BTNHIGHLIGHT, RGB(255, 255, 255)},
    {COLOR_3DLIGHT, RGB(255, 255, 255)},
    {COLOR_BTNSHADOW, RGB(255, 255, 255)},
    {COLOR_3DDKSHADOW, RGB(255, 255, 255)},
    {COLOR_HIGHLIGHT, RGB(26, 235, 255)},
    {COLOR_HIGHLIGHTTEXT, RGB(0, 0, 0)},
    {COLOR_APPWORKSPACE, RGB(0, 0, 0)},
    {COLOR_GRAYTEXT, RGB(63, 242, 63)},
}};

// The session's colours while it lives.
class DarkTheme {
public:
    DarkTheme() {
        for (std::size_t i = 0; i < kDarkTheme.size(); ++i) {
            indexes_[i] = kDarkTheme[i].first;
            old_[i] = GetSysColor(kDarkTheme[i].first);
            new_[i] = kDarkTheme[i].second;
        }
        SetSysColors(static_cast<int>(kDarkTheme.size()), indexes_.data(), new_.data());
    }
    ~DarkTheme() { SetSysColors(static_cast<int>(kDarkTheme.size()), indexes_.data(), old_.data()); }
    DarkTheme(const DarkTheme&) = delete;
    DarkTheme& operator=(const DarkTheme&) = delete;

private:
    std::array<int, kDarkTheme.size()> indexes_{};
    std::array<COLORREF, kDarkTheme.size()> old_{}, new_{};
};

// Lets the window draw everything that waits, then saves it from the screen.
bool shot(const win32::Win32Form& form, const std::string& path) {
    for (int round = 0; round < 5; ++round) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        RedrawWindow(form.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(100);
    }
    RECT rc{};
    GetWindowRect(form.hwnd(), &rc);
    const bool written = ui::Pixels::of_screen(rc).write_bmp(path);
    std::printf("%s %s\n", written ? "  " : "could not write", path.c_str());
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::printf("usage: vorlan_look MEDIUM OUTDIR\n");
        return 2;
    }
    const std::string medium = ui::recode(argv[1], CP_ACP, CP_UTF8), out = ui::recode(argv[2], CP_ACP, CP_UTF8);
    const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    const win32::ComApartment com;
    const DarkTheme theme;

    win32::Win32Form form;
    std::string err;
    if (!form.create(GetModuleHandleW(nullptr), &err)) {
        std::printf("%s\n", err.c_str());
        return 1;
    }
    form.set_high_contrast_query([] { return true; });

    win32::Win32System system;
    win32::Win32FileSystem fs;
    win32::Win32Programs programs;
    App app{form, fs, programs, system, {}};
    form.attach(&app);
    Form_Load(app);
    app.state = installer_state(medium);
    form.show(SW_SHOW);

    bool ok = shot(form, out + "\\pagina-0.bmp");
    on_click(app, btn_sig0);
    ok = shot(form, out + "\\pagina-1.bmp") && ok;
    for (int id : {Label5, btn_sig1}) on_click(app, id);
    // A copy in the middle of a big tree, with two files that failed.
    form.set_text(NumFilesToCopy, "1234567");
    form.set_text(NumFilesCopy, "65140");
    for (const char* line : {"Analizando estructura de archivos...", "Localizados 1234567 archivos.",
                             "Iniciando la copia de ficheros.", "Copiando E:\\vorlan\\mapas\\z0\\t.png --> Ok",
                             "E:\\vorlan\\mapas\\z1\\t.png --> FALLO", "Copiando E:\\vorlan\\mapas\\z2\\t.png"})
        form.list_add(ListaFicheros, line);
    for (const char* line : {"E:\\vorlan\\mapas\\z1\\t.png --> FALLO", "E:\\vorlan\\orto\\h.ecw --> FALLO"})
        form.list_add(ListaFicherosFail, line);
    form.set_progress(ProgressBar, 40);
    form.set_progress(ProgressBarT, 5);
    form.set_visible(btn_inferr, true);
    ok = shot(form, out + "\\pagina-3.bmp") && ok;
    on_click(app, btn_inferr);
    ok = shot(form, out + "\\pagina-3-informe.bmp") && ok;
    on_click(app, btn_inferr);
    // The end of a copy that succeeded.
    form.set_visible(btn_inferr, false);
    form.set_enabled(btn_inst, false);
    form.set_enabled(btn_atras3, false);
    form.set_progress(ProgressBar, 100);
    form.set_progress(ProgressBarT, 100);
    form.set_visible(btn_Cancel, false);
    form.set_visible(btn_fin, true);
    form.set_focus(btn_fin);
    ok = shot(form, out + "\\pagina-3-final.bmp") && ok;
    return ok ? 0 : 1;
}
