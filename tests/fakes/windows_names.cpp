#include "fakes/windows_names.h"

#include <cctype>
#include <cstdint>

namespace vorlan::test {

namespace {

char32_t upper(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 0x20;
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;  // à..þ
    if (c == 0xFF) return 0x178;                                 // ÿ
    if (c >= 0x100 && c <= 0x17F) {                              // Latin Extended-A, in pairs
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) return c;
        const bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        return (c % 2 == 1) != odd_upper ? c - 1 : c;
    }
    if ((c >= 0x3B1 && c <= 0x3CB && c != 0x3C2)) return c - 0x20;  // α..ϋ
    if (c == 0x3C2) return 0x3A3;                                   // final sigma
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;    // а..я
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;    // ѐ..џ
    if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;  // ａ..ｚ
    return c;
}

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool short_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || std::string("$%'-_@~`!(){}^#&").find(c) != std::string::npos;
}

std::string upper_short(const std::string& part, std::size_t most) {
    std::string out;
    for (char c : part)
        if (out.size() < most && short_char(c) && static_cast<unsigned char>(c) < 0x80)
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

std::string fold_like_windows(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const int n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (n == 1 || i + static_cast<std::size_t>(n) > text.size()) {
            out += static_cast<char>(b < 0x80 ? static_cast<char>(upper(b)) : text[i]);
            ++i;
            continue;
        }
        char32_t c = b & (0xFF >> (n + 1));
        for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        append_utf8(out, upper(c));
        i += static_cast<std::size_t>(n);
    }
    return out;
}

bool fits_8_3(const std::string& name) {
    const std::size_t dot = name.find('.');
    if (name.empty() || dot == 0 || name.find('.', dot == std::string::npos ? dot : dot + 1) != std::string::npos)
        return false;
    const std::string base = name.substr(0, dot), ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.size() > 8 || ext.size() > 3 || (dot != std::string::npos && ext.empty())) return false;
    for (char c : base + ext)
        if (!short_char(c) || static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string short_name(const std::string& name, int n) {
    const std::size_t dot = name.rfind('.');
    const std::string base = upper_short(name.substr(0, dot == 0 ? name.size() : dot), 6);
    const std::string ext = dot == std::string::npos || dot == 0 ? "" : upper_short(name.substr(dot + 1), 3);
    return base + "~" + std::to_string(n) + (ext.empty() ? "" : "." + ext);
}

}  // namespace vorlan::test
