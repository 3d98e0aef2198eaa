#include "copy/checksums.h"

#include <algorithm>
#include <unordered_map>

namespace vorlan {
namespace {

// Whether `s` is well-formed UTF-8: no stray continuation bytes, no overlong
// forms, no surrogates, nothing past U+10FFFF.
bool valid_utf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t more = 0;
        char32_t c = 0, least = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            more = 1, c = b & 0x1F, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            more = 2, c = b & 0x0F, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            more = 3, c = b & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (s.size() - i <= more) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto cont = static_cast<unsigned char>(s[i + k]);
            if ((cont & 0xC0) != 0x80) return false;
            c = c << 6 | (cont & 0x3F);
        }
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += more + 1;
    }
    return true;
}

// The name of an escaped line with "\\", "\n" and "\r" undone.
bool unescape(std::string_view name, std::string* out, std::string* why) {
    out->clear();
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            *out += name[i];
            continue;
        }
        if (++i == name.size()) {
            *why = "el nombre acaba en una \"\\\" suelta";
            return false;
        }
        switch (name[i]) {
            case '\\': *out += '\\'; break;
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            default:
                *why = std::string("el nombre lleva \"\\") + name[i] + "\", que no es un escape de sha256sum";
                return false;
        }
    }
    return true;
}

// Why `path` may not name a file of the tree, or "" when it may.
std::string refused_path(const std::string& path) {
    if (path.empty()) return "falta el nombre del fichero";
    if (path.find('\0') != std::string::npos) return "el nombre contiene un carácter nulo";
    if (!valid_utf8(path)) return "el nombre no está en UTF-8";
    if (path[0] == '/') return "la ruta es absoluta";
    if (path.find('\\') != std::string::npos)
        return "el nombre contiene \"\\\", que Windows toma por separador de carpetas";
    // "C:x" names a drive, "a:b" a stream of the file "a".
    if (path.find(':') != std::string::npos) return "el nombre contiene \":\", que Windows no admite en un nombre";
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view step = std::string_view(path).substr(start, end - start);
        if (step == "..") return "la ruta sale del árbol de datos con \"..\"";
        // Windows drops a name's trailing dots and spaces, so "..." or ". "
        // could end up meaning "." or "..".
        if (step.find_first_not_of(". ") == std::string_view::npos) {
            return "la ruta tiene un paso vacío, \".\" o hecho solo de puntos y espacios";
        }
        if (end == path.size()) return "";
        start = end + 1;
    }
}

bool parse_line(std::string_view line, ChecksumEntry* entry, std::string* why) {
    if (line.empty()) {
        *why = "la línea está vacía";
        return false;
    }
    const bool escaped = line[0] == '\\';
    if (escaped) line.remove_prefix(1);
    const std::size_t digits = std::min(line.find_first_not_of("0123456789abcdefABCDEF"), line.size());
    if (digits != 64 || !from_hex(line.substr(0, 64), &entry->digest)) {
        *why = "no empieza por los 64 dígitos hexadecimales de un SHA-256";
        return false;
    }
    line.remove_prefix(64);
    if (line.size() < 2 || line[0] != ' ' || (line[1] != ' ' && line[1] != '*')) {
        *why = "tras el SHA-256 han de ir dos espacios (o un espacio y \"*\") y el nombre del fichero";
        return false;
    }
    line.remove_prefix(2);
    if (escaped) {
        if (!unescape(line, &entry->path, why)) return false;
    } else {
        entry->path = line;
    }
    *why = refused_path(entry->path);
    return why->empty();
}

}  // namespace

bool parse_checksums(std::string_view text, std::vector<ChecksumEntry>* entries, std::string* err) {
    entries->clear();
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::unordered_map<std::string, std::size_t> first_line;  // of each path
    for (std::size_t number = 1; !text.empty(); ++number) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.ends_with('\r')) line.remove_suffix(1);

        ChecksumEntry entry;
        std::string why;
        if (parse_line(line, &entry, &why)) {
            const auto [seen, fresh] = first_line.emplace(entry.path, number);
            if (fresh) {
                entries->push_back(std::move(entry));
                continue;
            }
            why = "\"" + entry.path + "\" ya figura en la línea " + std::to_string(seen->second);
        }
        *err = std::string(kChecksumsName) + ", línea " + std::to_string(number) + ": " + why;
        entries->clear();
        return false;
    }
    return true;
}

std::string checksum_line(const ChecksumEntry& entry) {
    const bool escaped = entry.path.find_first_of("\\\n\r") != std::string::npos;
    std::string line = escaped ? "\\" : "";
    line += to_hex(entry.digest);
    line += "  ";
    for (const char c : entry.path) {
        switch (c) {
            case '\\': line += "\\\\"; break;
            case '\n': line += "\\n"; break;
            case '\r': line += "\\r"; break;
            default: line += c;
        }
    }
    line += '\n';
    return line;
}

std::string write_checksums(std::vector<ChecksumEntry> entries) {
    std::sort(entries.begin(), entries.end(),
              [](const ChecksumEntry& a, const ChecksumEntry& b) { return a.path < b.path; });
    std::string text;
    for (const auto& e : entries) text += checksum_line(e);
    return text;
}

}  // namespace vorlan
