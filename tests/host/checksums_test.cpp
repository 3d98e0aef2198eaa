// SHA256SUMS: the lines the list may hold and the ones it may not, and the
// list as the program writes it.

#include <gtest/gtest.h>

#include "copy/checksums.h"

namespace vorlan::test {
namespace {

// Three digests, as their hexadecimal text.
const std::string A(64, 'a'), B = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef",
                              B_UPPER = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF", C(64, 'c');

Sha256Digest digest(const std::string& hex) {
    Sha256Digest d{};
    EXPECT_TRUE(from_hex(hex, &d)) << hex;
    return d;
}

// "path=hex" per entry, for messages that show what was read.
std::string shown(const std::vector<ChecksumEntry>& entries) {
    std::string s;
    for (const auto& e : entries) s += "[" + e.path + "]=" + to_hex(e.digest).substr(0, 4) + " ";
    return s;
}

// The reasons that recur below.
const std::string kNoDigest = "no empieza por los 64 dígitos hexadecimales de un SHA-256",
                  kNoSeparator =
                      "tras el SHA-256 han de ir dos espacios (o un espacio y \"*\") y el nombre del fichero",
                  kUp = "la ruta sale del árbol de datos con \"..\"",
                  kEmptyStep = "la ruta tiene un paso vacío, \".\" o hecho solo de puntos y espacios",
                  kColon = "el nombre contiene \":\", que Windows no admite en un nombre",
                  kBackslash = "el nombre contiene \"\\\", que Windows toma por separador de carpetas",
                  kNotUtf8 = "el nombre no está en UTF-8";

TEST(Checksums, LinesAcceptedAndRefused) {
    const struct {
        std::string text;
        std::vector<std::pair<std::string, std::string>> entries;  // path, digest; when accepted
        int line;                                                  // when refused: the line named
        std::string reason;                                        // and why
    } cases[] = {
        {"", {}, 0, ""},
        {A + "  mapas/nivel_0/0/0.jpg\n", {{"mapas/nivel_0/0/0.jpg", A}}, 0, ""},
        // CR LF, a last line without its LF, upper-case digits, a byte order mark.
        {A + "  uno\r\n" + B_UPPER + "  dos", {{"uno", A}, {"dos", B}}, 0, ""},
        {"\xEF\xBB\xBF" + A + "  uno\n", {{"uno", A}}, 0, ""},
        // The binary marker is not part of the name; a second "*" is.
        {A + " *capa.shp\n" + B + "  *estrella\n", {{"capa.shp", A}, {"*estrella", B}}, 0, ""},
        // Accents, spaces at either end of a name, a name that looks like an option.
        {A + "  Cartografía básica/Años 1990–2000/señal.png\n" + B + "   espacio \n" + C + "  -n\n",
         {{"Cartografía básica/Años 1990–2000/señal.png", A}, {" espacio ", B}, {"-n", C}},
         0,
         ""},
        // Escaped names; a dot inside a name is only a dot.
        {"\\" + A + "  a\\nb\n\\" + B + "  c\\rd.e\n\\" + C + "  simple\n",
         {{"a\nb", A}, {"c\rd.e", B}, {"simple", C}},
         0,
         ""},

        {"x\n", {}, 1, kNoDigest},
        {A + "  uno\n\n" + B + "  dos\n", {}, 2, "la línea está vacía"},
        {A.substr(1) + "  uno\n", {}, 1, kNoDigest},
        {A + "a  uno\n", {}, 1, kNoDigest},
        {A + "g  uno\n", {}, 1, kNoSeparator},
        {A + " uno\n", {}, 1, kNoSeparator},
        {A + "\tuno\n", {}, 1, kNoSeparator},
        {A + "  uno\r\n" + B + "  dos\r\n" + C + "  \r\n", {}, 3, "falta el nombre del fichero"},
        {A + " *\n", {}, 1, "falta el nombre del fichero"},
        // Names that would lead out of the tree, or somewhere else on Windows.
        {A + "  /etc/passwd\n", {}, 1, "la ruta es absoluta"},
        {A + "  ../fuera.txt\n", {}, 1, kUp},
        {A + "  a/../../b\n", {}, 1, kUp},
        {A + "  a/..\n", {}, 1, kUp},
        {A + "  a//b\n", {}, 1, kEmptyStep},
        {A + "  ./a\n", {}, 1, kEmptyStep},
        {A + "  a/\n", {}, 1, kEmptyStep},
        {A + "  a/. ./b\n", {}, 1, kEmptyStep},
        {A + "  .../b\n", {}, 1, kEmptyStep},
        {A + "  C:/Windows/win.ini\n", {}, 1, kColon},
        {A + "  capa.shp:flujo\n", {}, 1, kColon},
        {A + "  ..\\..\\Windows\\win.ini\n", {}, 1, kBackslash},
        {"\\" + A + "  ..\\\\x\n", {}, 1, kBackslash},
        {A + "  a\\nb\n", {}, 1, kBackslash},  // not escaped: a backslash and an n
        {"\\" + A + "  a\\tb\n", {}, 1, "el nombre lleva \"\\t\", que no es un escape de sha256sum"},
        {"\\" + A + "  ab\\\n", {}, 1, "el nombre acaba en una \"\\\" suelta"},
        {A + "  caf\xE9.txt\n", {}, 1, kNotUtf8},
        {A + "  \xC0\xAF\n", {}, 1, kNotUtf8},      // "/" spelt long
        {A + "  \xED\xA0\x80\n", {}, 1, kNotUtf8},  // a lone surrogate
        {A + "  a" + std::string(1, '\0') + "b\n", {}, 1, "el nombre contiene un carácter nulo"},
        {A + "  uno\n" + B + "  dos\r\n" + C + " *uno\n", {}, 3, "\"uno\" ya figura en la línea 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<ChecksumEntry> entries{{"left over", {}}};
        std::string err;
        const bool ok = parse_checksums(c.text, &entries, &err);
        if (c.line == 0) {
            EXPECT_TRUE(ok) << err;
            std::vector<ChecksumEntry> expected;
            for (const auto& [path, hex] : c.entries) expected.push_back({path, digest(hex)});
            EXPECT_EQ(entries, expected) << shown(entries);
        } else {
            EXPECT_FALSE(ok) << shown(entries);
            EXPECT_EQ(err, "SHA256SUMS, línea " + std::to_string(c.line) + ": " + c.reason);
            EXPECT_TRUE(entries.empty()) << "a refused list gives no entries: " << shown(entries);
        }
    }
}

// What the program writes sha256sum reads, and the parser reads back.
TEST(Checksums, WrittenSortedAndEscapedAsSha256sumWritesThem) {
    const struct {
        std::vector<std::pair<std::string, std::string>> entries;
        std::string text;
    } cases[] = {
        {{}, ""},
        // Byte order: capitals, then small letters, then accented letters (UTF-8 lead bytes
        // are above ASCII); "-" and "." sort before "/".
        {{{"b/x", A}, {"é", B}, {"B", C}, {"b.x", A}, {"b-x", B}, {"a", C}},
         C + "  B\n" + C + "  a\n" + B + "  b-x\n" + A + "  b.x\n" + A + "  b/x\n" + B + "  é\n"},
        {{{"a\nb", A}, {"c\rd", B}, {"e\\f", C}}, "\\" + A + "  a\\nb\n\\" + B + "  c\\rd\n\\" + C + "  e\\\\f\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<ChecksumEntry> entries;
        for (const auto& [path, hex] : c.entries) entries.push_back({path, digest(hex)});
        const std::string text = write_checksums(entries);
        EXPECT_EQ(text, c.text);

        std::vector<ChecksumEntry> back;
        std::string err;
        const bool backslash = text.find("\\\\") != std::string::npos;
        EXPECT_EQ(parse_checksums(text, &back, &err), !backslash) << err;  // Windows cannot hold a "\" in a name
        if (!backslash) {
            EXPECT_EQ(write_checksums(back), text);
        }
    }
}

}  // namespace
}  // namespace vorlan::test
