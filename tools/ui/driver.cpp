#include "ui/driver.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "win32/handle.h"
#include "win32/text.h"
#include "wizard/controls.h"

namespace vorlan::ui {

using win32::narrow;
using win32::UniqueHandle;
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
    wchar_t path[32768];
    const DWORD n = GetModuleFileNameW(nullptr, path, 32768);
    const std::string full = narrow(path, n);
    return full.substr(0, full.rfind('\\'));
}

std::string recode(const std::string& text, UINT from, UINT to) {
    // No code page makes more than one UTF-16 unit of a byte, nor more than
    // three bytes of one.
    std::wstring wide(text.size(), L'\0');
    const int n = static_cast<int>(text.size());
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(from, 0, text.data(), n, wide.data(), n)));
    std::string out(wide.size() * 3, '\0');
    const int m = WideCharToMultiByte(to, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(m));
    return out;
}

// ---------------------------------------------------------------------------
// Files

namespace {

// The "\\?\" form of a full path, built by hand: past 260 characters, and
// never cleaned by the system.
std::wstring raw(const std::string& path) { return L"\\\\?\\" + widen(path); }

template <typename Visit>
void each_entry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAW data;
    const win32::UniqueFind find(FindFirstFileW((raw(folder) + L"\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") visit(narrow(name), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileW(find.get(), &data));
}

void files_under(const std::string& root, const std::string& relative, std::vector<std::string>* out) {
    each_entry(relative.empty() ? root : root + "\\" + relative, [&](const std::string& name, bool folder) {
        const std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (folder)
            files_under(root, rel, out);
        else
            out->push_back(rel);
    });
}

}  // namespace

bool write_file(const std::string& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(raw(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    DWORD written = 0;
    return file.valid() && (bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                                        &written, nullptr) &&
                                              written == bytes.size()));
}

std::optional<std::string> read_file(const std::string& path) {
    UniqueHandle file(CreateFileW(raw(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char buf[64 * 1024];
    DWORD got = 0;
    while (ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    return bytes;
}

DWORD attributes(const std::string& path) { return GetFileAttributesW(raw(path).c_str()); }

bool exists(const std::string& path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }

bool make_folders(const std::string& path) {
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryW(raw(path.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW(raw(path).c_str(), nullptr);
    const DWORD a = attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool copy_file(const std::string& from, const std::string& to) {
    return CopyFileW(raw(from).c_str(), raw(to).c_str(), FALSE) != FALSE;
}

bool remove_tree(const std::string& path) {
    const DWORD attrs = attributes(path);
    if (attrs == INVALID_FILE_ATTRIBUTES) return true;
    SetFileAttributesW(raw(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) return DeleteFileW(raw(path).c_str()) != FALSE;
    each_entry(path, [&](const std::string& name, bool) { remove_tree(path + "\\" + name); });
    return RemoveDirectoryW(raw(path).c_str()) != FALSE;
}

std::vector<std::string> files_under(const std::string& root) {
    std::vector<std::string> out;
    files_under(root, "", &out);
    std::sort(out.begin(), out.end());
    return out;
}

std::string test_bytes(std::size_t n, unsigned seed) {
    std::string out(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

// ---------------------------------------------------------------------------
// Temporary folders and media

TempFolder::TempFolder(const std::string& name) {
    static std::atomic<int> counter{0};
    // A short (8.3) temporary path would make the program's own folder look
    // different from the paths the tests expect in its log.
    wchar_t temp[MAX_PATH + 1], longer[32768];
    GetTempPathW(MAX_PATH + 1, temp);
    const DWORD n = GetLongPathNameW(temp, longer, 32768);
    const std::string base = narrow(n > 0 && n < 32768 ? longer : temp);
    path_ = base + (base.ends_with("\\") ? "" : "\\") + "vorlan-test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter) + "-" + name;
    remove_tree(path_);
    make_folders(path_);
}

// A program that has just been ended may hold its files for a moment.
TempFolder::~TempFolder() { wait_until([&] { return remove_tree(path_); }, milliseconds(5000)); }

Medium::Medium(const std::string& name) : folder_(name) {
    const std::string bin = own_folder();
    if (!make_folders(path("aplicacion")) || !copy_file(bin + "\\instalar.exe", path("instalar.exe")) ||
        !copy_file(bin + "\\vorlan_standin.exe", path("aplicacion\\vorlan.exe")) ||
        !write_file(path("leeme.txt"), recode(kReadme, CP_UTF8, 1252)))
        error_ = "cannot make the medium in " + folder() + " from " + bin;
}

bool Medium::add_file(const std::string& relative, const std::string& bytes) {
    const std::string full = path(relative);
    return make_folders(full.substr(0, full.rfind('\\'))) && write_file(full, bytes);
}

std::vector<StandinStart> standin_starts(const std::string& log) {
    std::vector<StandinStart> out;
    const std::string text = read_file(log).value_or("");
    // A line still being written has no line end yet.
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        const std::string line = text.substr(at, end - at);
        const std::size_t show = line.find(" show="), cmd = line.find(" cmd=");
        if (!line.starts_with("pid=") || show == std::string::npos || cmd == std::string::npos) continue;
        out.push_back({static_cast<DWORD>(std::stoul(line.substr(4, show - 4))), line.substr(show + 6, cmd - show - 6),
                       line.substr(cmd + 5)});
    }
    return out;
}

// ---------------------------------------------------------------------------
// Process

Process Process::start(const std::string& exe, const std::string& folder, std::string* err,
                       const std::string& args) {
    Process p;
    std::wstring command = L"\"" + widen(exe) + L"\"" + (args.empty() ? L"" : L" " + widen(args));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(widen(exe).c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        widen(folder).c_str(), &si, &pi)) {
        *err = "cannot start " + exe + ": " + win32::error_text(GetLastError());
        return p;
    }
    const UniqueHandle thread(pi.hThread);
    p.handle_ = UniqueHandle(pi.hProcess);
    p.pid_ = pi.dwProcessId;
    return p;
}

Process Process::adopt(DWORD pid) {
    Process p;
    p.handle_ = UniqueHandle(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    p.pid_ = pid;
    return p;
}

bool Process::running() const { return handle_.valid() && WaitForSingleObject(handle_.get(), 0) == WAIT_TIMEOUT; }

bool Process::wait_exit(milliseconds timeout) const {
    return handle_.valid() && WaitForSingleObject(handle_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

std::optional<DWORD> Process::exit_code() const {
    DWORD code = 0;
    if (running() || !handle_.valid() || !GetExitCodeProcess(handle_.get(), &code)) return std::nullopt;
    return code;
}

void Process::terminate() {
    if (!running()) return;
    TerminateProcess(handle_.get(), 1);
    WaitForSingleObject(handle_.get(), 5000);
}

// ---------------------------------------------------------------------------
// Windows of another process

namespace {

std::string class_of(HWND hwnd) {
    wchar_t name[256];
    return narrow(name, static_cast<std::size_t>(std::max(0, GetClassNameW(hwnd, name, 256))));
}

LRESULT send(HWND hwnd, UINT msg, WPARAM wparam = 0, LPARAM lparam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result)) return -1;
    return static_cast<LRESULT>(result);
}

// Asks the window itself: the text of a control of another process is not
// kept where GetWindowText could read it.
std::string window_text(HWND hwnd) {
    const LRESULT length = send(hwnd, WM_GETTEXTLENGTH);
    if (length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, length)));
    return narrow(text);
}

// The visible child windows of `parent`; the top-level ones when it is null.
std::vector<HWND> visible_windows(HWND parent) {
    std::vector<HWND> out;
    auto add = [](HWND w, LPARAM list) {
        if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
        return TRUE;
    };
    if (parent)
        EnumChildWindows(parent, add, reinterpret_cast<LPARAM>(&out));
    else
        EnumWindows(add, reinterpret_cast<LPARAM>(&out));
    return out;
}

// The visible controls of a box of a class, with `style & mask` equal to `want`.
std::vector<HWND> children(HWND parent, const char* window_class, LONG mask = 0, LONG want = 0) {
    std::vector<HWND> out;
    for (HWND c : visible_windows(parent))
        if (lstrcmpiA(class_of(c).c_str(), window_class) == 0 && (GetWindowLongW(c, GWL_STYLE) & mask) == want)
            out.push_back(c);
    return out;
}

}  // namespace

std::vector<HWND> top_windows(DWORD pid, const std::string& window_class, const std::string& caption) {
    std::vector<HWND> out;
    for (HWND w : visible_windows(nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        wchar_t title[512];
        const int n = GetWindowTextW(w, title, 512);
        if (owner == pid && (window_class.empty() || class_of(w) == window_class) &&
            (caption.empty() || narrow(title, static_cast<std::size_t>(std::max(0, n))) == caption))
            out.push_back(w);
    }
    return out;
}

std::optional<Box> find_box(DWORD pid) {
    const std::vector<HWND> boxes = top_windows(pid, "#32770", kBoxTitle);
    if (boxes.empty()) return std::nullopt;
    return Box(boxes.front());
}

// ---------------------------------------------------------------------------
// Box

std::string Box::text() const {
    if (HWND text = GetDlgItem(hwnd_, 0xFFFF)) return window_text(text);
    const std::vector<HWND> labels = children(hwnd_, "Static", SS_TYPEMASK, SS_LEFT);
    return labels.empty() ? std::string() : window_text(labels.front());
}

std::string Box::icon() const {
    // Until a new box has painted itself the screen still shows what was
    // there before, perhaps the icon of the box before it: two readings a
    // moment apart must agree.
    std::string seen = "unknown";
    wait_until(
        [&] {
            const std::string before = seen;
            std::this_thread::sleep_for(milliseconds(100));
            seen = icon_now();
            return seen == before && seen != "unknown";
        },
        milliseconds(3000));
    return seen;
}

std::string Box::icon_now() const {
    const std::vector<HWND> icons = children(hwnd_, "Static", SS_TYPEMASK, SS_ICON);
    RECT rc{};
    if (icons.empty() || !GetWindowRect(icons.back(), &rc)) return "none";
    // The icon belongs to the other process, so it is read off the screen.
    const win32::WindowDc screen(nullptr);
    int yellow = 0, red = 0, blue = 0;
    for (int y = rc.top; y < rc.bottom; ++y) {
        for (int x = rc.left; x < rc.right; ++x) {
            const COLORREF c = GetPixel(screen.get(), x, y);
            const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
            yellow += r > 170 && g > 140 && b < 110;
            red += r > 150 && g < 100 && b < 100;
            blue += b > 140 && r < 120;
        }
    }
    const int enough = (rc.right - rc.left) * (rc.bottom - rc.top) / 20;
    if (yellow >= enough && yellow >= red && yellow >= blue) return "warning";
    if (red >= enough && red >= blue) return "stop";
    // The information and question icons are both blue; only the first is used.
    return blue >= enough ? "information" : "unknown";
}

std::vector<int> Box::buttons() const {
    std::vector<int> ids;
    for (HWND b : children(hwnd_, "Button")) ids.push_back(GetDlgCtrlID(b));
    std::sort(ids.begin(), ids.end());
    return ids;
}

int Box::default_button() const {
    const std::vector<HWND> b = children(hwnd_, "Button", BS_TYPEMASK, BS_DEFPUSHBUTTON);
    return b.empty() ? 0 : GetDlgCtrlID(b.front());
}

void Box::answer(int id) const {
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd_, id)));
}

bool Box::answer_and_wait(int id, milliseconds timeout) const {
    answer(id);
    return wait_until([&] { return !open(); }, timeout);
}

// ---------------------------------------------------------------------------
// Wizard

Wizard::Wizard(const Medium& medium, milliseconds timeout) {
    if (!medium.error().empty()) {
        error_ = "no medium: " + medium.error();
        return;
    }
    process_ = Process::start(medium.path("instalar.exe"), medium.folder(), &error_);
    if (!process_) return;
    pid_ = process_.pid();
    auto window = [&] {
        const std::vector<HWND> found = top_windows(pid_, "", kWindowCaption);
        hwnd_ = found.empty() ? nullptr : found.front();
        return hwnd_ != nullptr || !process_.running();
    };
    if (!wait_until(window, timeout) || !hwnd_)
        error_ = process_.running() ? "its window did not appear" : "it ended before its window showed";
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

std::string Wizard::text(int id) const { return window_text(control(id)); }

bool Wizard::checked(int id) const { return send(control(id), BM_GETCHECK) == BST_CHECKED; }

std::vector<std::string> Wizard::lines(int id) const {
    std::vector<std::string> out;
    const LRESULT count = send(control(id), LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = send(control(id), LB_GETTEXTLEN, static_cast<WPARAM>(i));
        std::wstring line(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        const LRESULT got =
            send(control(id), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, std::max<LRESULT>(length, 0))));
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
    return SIZE{rc.right, rc.bottom};
}

RECT Wizard::window_rect() const {
    RECT rc{};
    GetWindowRect(hwnd_, &rc);
    return rc;
}

int Wizard::focus_id() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd_, nullptr), &info) || GetParent(info.hwndFocus) != hwnd_)
        return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

void Wizard::click(int id) const {
    HWND ctl = control(id);
    if (class_of(ctl) == "Button")
        PostMessageW(ctl, BM_CLICK, 0, 0);
    else
        PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(ctl));
}

std::optional<Box> Wizard::box() const { return find_box(pid_); }

std::optional<Box> Wizard::wait_box(milliseconds timeout) const {
    std::optional<Box> found;
    wait_until([&] { return (found = box()).has_value(); }, timeout);
    return found;
}

bool Wizard::wait_visible(int id, bool want, milliseconds timeout) const {
    return wait_until([&] { return visible(id) == want; }, timeout);
}

std::string Wizard::open_copy_page() const {
    click(btn_sig0);
    if (!wait_visible(Label5)) return "page 1 did not show";
    click(Label5);
    if (!wait_until([&] { return enabled(btn_sig1); })) return "btn_sig1 stayed disabled";
    click(btn_sig1);
    return wait_visible(btn_inst) ? "" : "the copy page did not show";
}

}  // namespace vorlan::ui
