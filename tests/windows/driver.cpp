#include "windows/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <ostream>
#include <thread>
#include <utility>

#include "win32/text.h"

namespace vorlan::ui {

using win32::narrow;
using win32::widen;

const char* const kReadme =
    "VORLAN: aplicación sobre SIG para la consulta de los mapas de velandros\r\n"
    "\r\n"
    "Léame antes de instalar. Requisitos: 200 MB libres en C:, pantalla de 800 × 600.\r\n"
    "Opción «Instalar»: inicia el programa de instalación; «Copiar»: copia los datos.\r\n"
    "Año 2024 · Dirección técnica — soporte@velandros.es\r\n";

bool wait_until(const std::function<bool()>& done, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(20));
    }
}

std::string own_folder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return narrow(path.substr(0, path.find_last_of(L'\\')));
}

std::string to_codepage(const std::string& utf8, UINT codepage) {
    const std::wstring wide = widen(utf8);
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(codepage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codepage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string from_codepage(const std::string& bytes, UINT codepage) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(codepage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codepage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return narrow(wide);
}

// ---------------------------------------------------------------------------
// Files

namespace {

struct Handle {
    HANDLE h;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE && h != nullptr) CloseHandle(h);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
};

template <typename Visit>
void each_entry(const std::wstring& folder, Visit visit) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        visit(name, data.dwFileAttributes);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

void remove_tree_w(const std::wstring& path) {
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    each_entry(path, [&](const std::wstring& name, DWORD) { remove_tree_w(path + L"\\" + name); });
    RemoveDirectoryW(path.c_str());
}

void files_under_w(const std::wstring& root, const std::wstring& relative, std::vector<std::string>* out) {
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    each_entry(folder, [&](const std::wstring& name, DWORD attrs) {
        const std::wstring rel = relative.empty() ? name : relative + L"\\" + name;
        if (attrs & FILE_ATTRIBUTE_DIRECTORY)
            files_under_w(root, rel, out);
        else
            out->push_back(narrow(rel));
    });
}

}  // namespace

bool write_file(const std::string& path, const std::string& bytes) {
    Handle file(CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!file.ok()) return false;
    DWORD written = 0;
    return bytes.empty() ||
           (WriteFile(file.h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size());
}

std::optional<std::string> read_file(const std::string& path) {
    Handle file(CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.ok()) return std::nullopt;
    std::string bytes;
    char buf[64 * 1024];
    DWORD got = 0;
    while (ReadFile(file.h, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    return bytes;
}

bool exists(const std::string& path) { return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

bool make_folders(const std::string& path) {
    std::wstring w = widen(path);
    for (std::size_t i = 3; i <= w.size(); ++i) {
        if (i == w.size() || w[i] == L'\\') CreateDirectoryW(w.substr(0, i).c_str(), nullptr);
    }
    const DWORD attrs = GetFileAttributesW(w.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool copy_file(const std::string& from, const std::string& to) {
    return CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE) != FALSE;
}

bool remove_tree(const std::string& path) {
    remove_tree_w(widen(path));
    return !exists(path);
}

std::vector<std::string> files_under(const std::string& root) {
    std::vector<std::string> out;
    files_under_w(widen(root), L"", &out);
    std::sort(out.begin(), out.end());
    return out;
}

// ---------------------------------------------------------------------------
// Medium

Medium::Medium(const std::string& name) {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) {
        error_ = "no temporary folder";
        return;
    }
    // A short (8.3) temporary path would make the program's own folder look
    // different from the paths the test expects in its log.
    wchar_t longer[32768];
    const DWORD m = GetLongPathNameW(temp, longer, 32768);
    std::string base = narrow(m > 0 && m < 32768 ? longer : temp);
    if (!base.empty() && base.back() == '\\') base.pop_back();
    folder_ = base + "\\vorlan-ui-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "-" +
              name;
    remove_tree(folder_);

    const std::string bin = own_folder();
    if (!make_folders(path("aplicacion")))
        error_ = "cannot create " + path("aplicacion");
    else if (!copy_file(bin + "\\instalar.exe", path("instalar.exe")))
        error_ = "cannot copy " + bin + "\\instalar.exe";
    else if (!copy_file(bin + "\\vorlan_standin.exe", path("aplicacion\\vorlan.exe")))
        error_ = "cannot copy " + bin + "\\vorlan_standin.exe";
    else if (!write_file(path("leeme.txt"), to_codepage(kReadme, 1252)))
        error_ = "cannot write " + path("leeme.txt");
}

Medium::~Medium() {
    if (folder_.empty()) return;
    // A program that has just been ended may hold its files for a moment.
    wait_until([&] { return remove_tree(folder_); }, milliseconds(5000));
}

bool Medium::add_file(const std::string& relative, const std::string& bytes) {
    const std::string full = path(relative);
    const std::size_t cut = full.find_last_of('\\');
    return make_folders(full.substr(0, cut)) && write_file(full, bytes);
}

bool Medium::add_folder(const std::string& relative) { return make_folders(path(relative)); }

std::vector<std::string> Medium::standin_log() const {
    std::vector<std::string> lines;
    const std::optional<std::string> bytes = read_file(path("aplicacion\\standin-log.txt"));
    if (!bytes) return lines;
    std::size_t start = 0;
    while (start < bytes->size()) {
        std::size_t end = bytes->find("\r\n", start);
        if (end == std::string::npos) end = bytes->size();
        lines.push_back(bytes->substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// ---------------------------------------------------------------------------
// Process

Process::~Process() {
    terminate();
    if (handle_) CloseHandle(handle_);
}

Process::Process(Process&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), pid_(std::exchange(other.pid_, 0)) {}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        terminate();
        if (handle_) CloseHandle(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
        pid_ = std::exchange(other.pid_, 0);
    }
    return *this;
}

Process Process::start(const std::string& exe, const std::string& folder, std::string* err) {
    Process p;
    std::wstring command = L"\"" + widen(exe) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(widen(exe).c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        widen(folder).c_str(), &si, &pi)) {
        *err = "cannot start " + exe + ": " + win32::error_text(GetLastError());
        return p;
    }
    CloseHandle(pi.hThread);
    p.handle_ = pi.hProcess;
    p.pid_ = pi.dwProcessId;
    return p;
}

Process Process::adopt(DWORD pid) {
    Process p;
    p.handle_ = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (p.handle_) p.pid_ = pid;
    return p;
}

bool Process::running() const { return handle_ && WaitForSingleObject(handle_, 0) == WAIT_TIMEOUT; }

bool Process::wait_exit(milliseconds timeout) const {
    return handle_ && WaitForSingleObject(handle_, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

void Process::terminate() {
    if (!running()) return;
    TerminateProcess(handle_, 1);
    WaitForSingleObject(handle_, 5000);
}

// ---------------------------------------------------------------------------
// Windows of another process

namespace {

constexpr UINT kSendTimeout = 5000;

std::string class_of(HWND hwnd) {
    wchar_t name[256];
    const int n = GetClassNameW(hwnd, name, 256);
    return narrow(std::wstring(name, static_cast<std::size_t>(n > 0 ? n : 0)));
}

bool is_class(HWND hwnd, const char* name) { return lstrcmpiA(class_of(hwnd).c_str(), name) == 0; }

// Asks the window itself: the text of a control of another process is not
// kept where GetWindowText could read it.
std::string window_text(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeout, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kSendTimeout, &got))
        return {};
    text.resize(std::min<std::size_t>(got, length));
    return narrow(text);
}

LRESULT send(HWND hwnd, UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeout, &result)) return -1;
    return static_cast<LRESULT>(result);
}

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

}  // namespace

std::vector<HWND> top_windows(DWORD pid, const std::string& window_class, const std::string& caption) {
    struct Search {
        DWORD pid;
        const std::string* window_class;
        const std::string* caption;
        std::vector<HWND> found;
    } search{pid, &window_class, &caption, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != s->pid) return TRUE;
            if (!s->window_class->empty() && class_of(hwnd) != *s->window_class) return TRUE;
            wchar_t title[512];
            const int n = GetWindowTextW(hwnd, title, 512);
            if (narrow(std::wstring(title, static_cast<std::size_t>(n > 0 ? n : 0))) != *s->caption) return TRUE;
            s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::optional<Box> find_box(DWORD pid) {
    for (HWND hwnd : top_windows(pid, "#32770", kBoxTitle)) {
        if (IsWindowVisible(hwnd)) return Box(hwnd);
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Box

std::string Box::text() const {
    if (HWND text = GetDlgItem(hwnd_, 0xFFFF)) return window_text(text);
    for (HWND child : children(hwnd_)) {
        if (is_class(child, "Static") && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            return window_text(child);
    }
    return {};
}

Icon Box::icon() const {
    // Until a new box has painted itself the screen still shows what was
    // there before, perhaps the icon of the box before it: two readings a
    // moment apart must agree.
    Icon seen = Icon::Unknown;
    wait_until(
        [&] {
            const Icon before = seen;
            std::this_thread::sleep_for(milliseconds(100));
            seen = icon_now();
            return seen == before && seen != Icon::Unknown;
        },
        milliseconds(3000));
    return seen;
}

Icon Box::icon_now() const {
    HWND icon = nullptr;
    for (HWND child : children(hwnd_)) {
        if (is_class(child, "Static") && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            IsWindowVisible(child))
            icon = child;
    }
    if (!icon) return Icon::None;
    RECT rc;
    GetWindowRect(icon, &rc);
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return Icon::None;

    // The icon belongs to the other process, so it is read off the screen.
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();

    int yellow = 0, red = 0, blue = 0;
    const auto* px = static_cast<const std::uint8_t*>(bits);
    for (int i = 0; i < w * h; ++i) {
        const int b = px[4 * i], g = px[4 * i + 1], r = px[4 * i + 2];
        if (r > 170 && g > 140 && b < 110)
            ++yellow;
        else if (r > 150 && g < 100 && b < 100)
            ++red;
        else if (b > 140 && r < 120)
            ++blue;
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    const int enough = w * h / 20;
    if (yellow >= enough && yellow >= red && yellow >= blue) return Icon::Warning;
    if (red >= enough && red >= blue) return Icon::Stop;
    // The information and question icons are both blue; only the first is used.
    if (blue >= enough) return Icon::Information;
    return Icon::Unknown;
}

std::vector<int> Box::buttons() const {
    std::vector<int> ids;
    for (HWND child : children(hwnd_)) {
        if (is_class(child, "Button") && IsWindowVisible(child)) ids.push_back(GetDlgCtrlID(child));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

int Box::default_button() const {
    for (HWND child : children(hwnd_)) {
        if (is_class(child, "Button") && IsWindowVisible(child) &&
            (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return GetDlgCtrlID(child);
    }
    const LRESULT id = send(hwnd_, DM_GETDEFID);
    return HIWORD(id) == DC_HASDEFID ? LOWORD(id) : 0;
}

bool Box::open() const { return IsWindow(hwnd_) && IsWindowVisible(hwnd_); }

void Box::answer(int id) const {
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, id)));
}

bool Box::answer_and_wait(int id, milliseconds timeout) const {
    answer(id);
    return wait_until([&] { return !open(); }, timeout);
}

const char* to_string(Icon icon) {
    switch (icon) {
        case Icon::None: return "none";
        case Icon::Warning: return "warning";
        case Icon::Stop: return "stop";
        case Icon::Information: return "information";
        case Icon::Question: return "question";
        case Icon::Unknown: return "unknown";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& out, Icon icon) { return out << to_string(icon); }

// ---------------------------------------------------------------------------
// Wizard

namespace {

HWND wizard_window(DWORD pid) {
    for (HWND hwnd : top_windows(pid, "", kWindowCaption)) {
        if (IsWindowVisible(hwnd)) return hwnd;
    }
    return nullptr;
}

}  // namespace

Wizard::Wizard(const Medium& medium, milliseconds timeout) {
    if (!medium.error().empty()) {
        error_ = "no medium: " + medium.error();
        return;
    }
    process_ = Process::start(medium.path("instalar.exe"), medium.folder(), &error_);
    if (!process_) return;
    pid_ = process_.pid();
    if (!wait_until([&] { return (hwnd_ = wizard_window(pid_)) != nullptr || !process_.running(); }, timeout) ||
        !hwnd_)
        error_ = process_.running() ? "the wizard's window did not appear" : "the wizard ended before its window showed";
}

std::optional<Wizard> Wizard::find(milliseconds timeout) {
    Wizard w;
    const std::wstring caption = widen(kWindowCaption);
    if (!wait_until(
            [&] {
                w.hwnd_ = FindWindowW(nullptr, caption.c_str());
                return w.hwnd_ && IsWindowVisible(w.hwnd_);
            },
            timeout))
        return std::nullopt;
    GetWindowThreadProcessId(w.hwnd_, &w.pid_);
    return w;
}

HWND Wizard::control(int id) const { return GetDlgItem(hwnd_, id); }

bool Wizard::visible(int id) const { return IsWindowVisible(control(id)) != FALSE; }

bool Wizard::enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }

std::string Wizard::text(int id) const { return window_text(control(id)); }

bool Wizard::checked(int id) const { return send(control(id), BM_GETCHECK) == BST_CHECKED; }

std::vector<std::string> Wizard::lines(int id) const {
    HWND list = control(id);
    std::vector<std::string> out;
    const LRESULT count = send(list, LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = send(list, LB_GETTEXTLEN, static_cast<WPARAM>(i));
        if (length < 0) break;
        std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT got = send(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(got < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(got), line.size()));
        out.push_back(narrow(line));
    }
    return out;
}

int Wizard::progress(int id) const { return static_cast<int>(send(control(id), PBM_GETPOS)); }

RECT Wizard::rect(int id) const {
    RECT rc{};
    GetWindowRect(control(id), &rc);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

SIZE Wizard::client_size() const {
    RECT rc{};
    GetClientRect(hwnd_, &rc);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

RECT Wizard::window_rect() const {
    RECT rc{};
    GetWindowRect(hwnd_, &rc);
    return rc;
}

int Wizard::focus_id() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd_, nullptr), &info) || !info.hwndFocus) return 0;
    if (GetParent(info.hwndFocus) != hwnd_) return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

std::vector<int> Wizard::visible_of(const std::vector<int>& ids) const {
    std::vector<int> out;
    for (int id : ids) {
        if (visible(id)) out.push_back(id);
    }
    return out;
}

void Wizard::click(int id) const {
    HWND ctl = control(id);
    if (is_class(ctl, "Button"))
        PostMessageW(ctl, BM_CLICK, 0, 0);
    else
        PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(ctl));
}

void Wizard::post_close() const { PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

void Wizard::post_system_close() const { PostMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0); }

std::optional<Box> Wizard::box() const { return find_box(pid_); }

std::optional<Box> Wizard::wait_box(milliseconds timeout) const {
    std::optional<Box> found;
    wait_until([&] { return (found = box()).has_value(); }, timeout);
    return found;
}

bool Wizard::wait_visible(int id, bool want, milliseconds timeout) const {
    return wait_until([&] { return visible(id) == want; }, timeout);
}

}  // namespace vorlan::ui
