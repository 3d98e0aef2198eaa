// Stands in for the application's own setup program (aplicacion\vorlan.exe) on
// the demo medium and in the tests. It installs nothing: it records how it was
// started and shows a window that says so, until the user closes it.
//
// Each start appends one line to standin-log.txt beside the program, in UTF-8:
//   pid=<process id> show=<show state> cmd=<command line>
// The show state is STARTUPINFO's wShowWindow when the starter set one
// (2 = minimised and active), "none" otherwise. The command line comes last
// because it may hold any character.

#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kClass[] = L"VorlanSustitutoInstalacion";

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring own_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\'));
}

// Several copies may start at once; appending keeps their lines whole.
void log_start(const std::wstring& show_state) {
    const std::wstring line = L"pid=" + std::to_wstring(GetCurrentProcessId()) + L" show=" + show_state + L" cmd=" +
                              GetCommandLineW() + L"\r\n";
    const std::string bytes = utf8(line);
    HANDLE file = CreateFileW((own_folder() + L"\\standin-log.txt").c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

struct Window {
    HFONT font = nullptr;
    std::wstring text;
};

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT rc;
            GetClientRect(hwnd, &rc);
            InflateRect(&rc, -16, -16);
            HGDIOBJ old = SelectObject(dc, self->font);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            DrawTextW(dc, self->text.c_str(), -1, &rc, DT_WORDBREAK | DT_NOPREFIX);
            SelectObject(dc, old);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    const bool given = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
    log_start(given ? std::to_wstring(startup.wShowWindow) : L"none");

    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);

    Window window;
    window.font = CreateFontIndirectW(&metrics.lfMessageFont);
    window.text =
        L"Sustituto de demostración del programa de instalación de VORLAN.\n\n"
        L"Este programa ocupa el lugar de aplicacion\\vorlan.exe en el soporte de demostración "
        L"y en las pruebas. Se ha iniciado correctamente; no instala nada.\n\n"
        L"Línea de órdenes recibida:\n" +
        std::wstring(GetCommandLineW()) + L"\n\nCierre esta ventana para terminar.";

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kClass;
    if (!RegisterClassExW(&wc)) return 1;

    HWND hwnd = CreateWindowExW(0, kClass, L"VORLAN: programa de instalación (sustituto)",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT, CW_USEDEFAULT,
                                560, 280, nullptr, nullptr, instance, &window);
    if (!hwnd) return 1;
    ShowWindow(hwnd, given ? startup.wShowWindow : SW_SHOWDEFAULT);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DeleteObject(window.font);
    return 0;
}
