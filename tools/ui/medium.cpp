#include "ui/medium.h"

#include <atomic>

#include "ui/files.h"
#include "ui/wait.h"
#include "win32/text.h"

namespace vorlan::ui {

using win32::narrow;

const char* const kReadme =
    "VORLAN: aplicación sobre SIG para la consulta de los mapas de velandros\r\n"
    "\r\n"
    "Léame antes de instalar. Requisitos: 200 MB libres en C:, pantalla de 800 × 600.\r\n"
    "Opción «Instalar»: inicia el programa de instalación; «Copiar»: copia los datos.\r\n"
    "Año 2024 · Dirección técnica — soporte@velandros.es\r\n";

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
TempFolder::~TempFolder() {
    wait_until([&] { return remove_tree(path_); }, milliseconds(5000));
}

Medium::Medium(const std::string& name) : folder_(name) {
    const std::string bin = own_folder();
    if (!make_folders(path("aplicacion")) || !copy_file(bin + "\\instalar.exe", path("instalar.exe")) ||
        !copy_file(bin + "\\vorlan_standin.exe", path("aplicacion\\vorlan.exe")) ||
        !write_file(path("leeme.txt"), recode(kReadme, CP_UTF8, 1252)))
        error_ = "cannot make the medium in " + folder() + " from " + bin;
}

bool Medium::add_folder(const std::string& relative) { return make_folders(path(relative)); }

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

}  // namespace vorlan::ui
