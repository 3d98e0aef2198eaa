#pragma once
// Texts that the window and the unattended log both show, each written once:
// the log reads line for line as the copy page's list, and a second instance
// says the same with a window or without.

#include <cstdint>
#include <string>

namespace vorlan {

inline constexpr const char* kAlreadyRunning = "La aplicacion solicitada ya se esta ejecutando";

// The three lines before the copy.
inline constexpr const char* kCountingLine = "Analizando estructura de archivos...";
std::string found_line(std::int64_t files);
inline constexpr const char* kStartingLine = "Iniciando la copia de ficheros.";

// A file's line while it is being copied, and once it is done.
std::string copying_line(const std::string& source);
std::string file_line(const std::string& source, bool ok);
// An entry of the destination that all users could not be given full control of.
std::string not_granted_line(const std::string& path, const std::string& reason);

// The failure report's last line, before the log's path.
inline constexpr const char* kLogIsAt = "Registro de la copia: ";

// `text` with every line break (LF, CR or CR LF) as CR LF, as Windows' text
// files, consoles and multi-line text boxes want them.
std::string with_crlf(const std::string& text);

}  // namespace vorlan
