#include "wizard/texts.h"

namespace vorlan {

std::string found_line(std::int64_t files) { return "Localizados " + std::to_string(files) + " archivos."; }

std::string copying_line(const std::string& source) { return "Copiando " + source + " --> "; }

std::string file_line(const std::string& source, bool ok) {
    return ok ? copying_line(source) + "Ok" : source + " --> FALLO";
}

std::string not_granted_line(const std::string& path, const std::string& reason) {
    return path + " --> FALLO al dar permisos: " + reason;
}

std::string with_crlf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace vorlan
