// The real program run unattended from a command line, on real files.

#include <gtest/gtest.h>

#include "win32/handle.h"
#include "win32/text.h"
#include "ui/driver.h"

namespace vorlan::ui {
namespace {

struct Outcome {
    DWORD code = 9999;
    bool window_shown = false;
};

bool shows_a_window(DWORD pid) {
    std::pair<DWORD, bool> seen{pid, false};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<std::pair<DWORD, bool>*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == s->first && IsWindowVisible(w)) s->second = true;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    return seen.second;
}

// Runs instalar.exe of `medium` with `args` and waits for it, watching for any
// window of its own.
Outcome run(const Medium& medium, const std::string& args) {
    Outcome r;
    const std::wstring exe = win32::widen(medium.path("instalar.exe"));
    std::wstring command = L"\"" + exe + L"\" " + win32::widen(args);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return r;
    const win32::ScopedHandle process(pi.hProcess), thread(pi.hThread);
    for (int i = 0; i < 6000 && WaitForSingleObject(pi.hProcess, 10) == WAIT_TIMEOUT; ++i)
        r.window_shown = r.window_shown || shows_a_window(pi.dwProcessId);
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &r.code);
    return r;
}

std::string contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos ? "" : "missing \"" + part + "\" in:\n" + text;
}

TEST(Unattended, EachExitCodeFromARealRun) {
    Medium medium("soporte datos");
    ASSERT_EQ(medium.error(), "");
    ASSERT_TRUE(medium.add_file("vorlan\\mapa.dat", test_bytes(3000, 1)));
    // A name that ends in a dot: Windows' path cleaning would read it as "punto".
    ASSERT_TRUE(medium.add_file("vorlan\\capas\\punto.", test_bytes(1500, 2)));
    TempFolder out("destino datos");
    const std::string dest = out / "datos vorlan", log = out / "registro.log";
    const std::string line = "/datos /destino:\"" + dest + "\" /registro:\"" + log + "\"";

    Outcome r = run(medium, line);
    EXPECT_EQ(r.code, 0u);
    EXPECT_EQ(read_file(dest + "\\capas\\punto."), test_bytes(1500, 2));
    EXPECT_FALSE(exists(dest + "\\capas\\punto"));
    const std::string written = read_file(log).value_or("");
    EXPECT_EQ(contains(written, "Analizando estructura de archivos...\r\nLocalizados 2 archivos.\r\n"
                                "Iniciando la copia de ficheros.\r\nCopiando " +
                                    medium.path("vorlan\\mapa.dat") + " --> Ok\r\n"),
              "");

    EXPECT_EQ(run(medium, line).code, 2u);  // there now, and no /sobrescribir
    EXPECT_EQ(contains(read_file(log).value_or(""), "/sobrescribir"), "");

    {
        Wizard w(medium);
        ASSERT_EQ(w.error(), "");
        EXPECT_EQ(run(medium, line + " /sobrescribir").code, 4u);
    }
    EXPECT_FALSE(r.window_shown);
}

}  // namespace
}  // namespace vorlan::ui
