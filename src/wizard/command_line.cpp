#include "wizard/command_line.h"

namespace vorlan {

const char* const kUsage =
    "Uso: instalar.exe /datos [/destino:CARPETA] [/sobrescribir] [/actualizar] [/registro:FICHERO]\n"
    "     instalar.exe /verificar [/destino:CARPETA] [/registro:FICHERO]\n"
    "     instalar.exe [/destino:CARPETA]\n"
    "     instalar.exe /?\n"
    "\n"
    "  /datos             Copia los datos de VORLAN sin ventana ni preguntas y termina\n"
    "                     con un código de salida.\n"
    "  /destino:CARPETA   Copia los datos a CARPETA en lugar de C:\\vorlan (con\n"
    "                     /verificar, comprueba los de CARPETA).\n"
    "  /sobrescribir      Si el destino ya existe, reemplaza sus archivos.\n"
    "  /actualizar        Con /datos: copia solo los archivos que faltan o que han\n"
    "                     cambiado, aunque el destino ya exista; no borra nada.\n"
    "  /verificar         Comprueba sin ventana los datos instalados con su lista\n"
    "                     SHA256SUMS y no copia nada.\n"
    "  /registro:FICHERO  Escribe el registro en FICHERO (si no, en instalar-vorlan.log\n"
    "                     de la carpeta temporal del usuario).\n"
    "  /?                 Muestra esta ayuda.\n"
    "\n"
    "Códigos de salida:\n"
    "  0  Todos los archivos copiados, atributos restablecidos y permisos concedidos.\n"
    "     Con /verificar: todos los archivos de la lista están y son iguales.\n"
    "  1  La copia se ha hecho, pero algunos archivos han fallado o no se han podido\n"
    "     dar todos los permisos (el registro dice cuáles y por qué).\n"
    "     Con /verificar: falta algún archivo de la lista o no es igual.\n"
    "  2  El destino ya existe y no se ha indicado /sobrescribir; no se ha escrito nada.\n"
    "  3  La instalación no ha podido empezar (no está la carpeta de datos, el destino\n"
    "     no se admite, origen y destino se solapan, no hay espacio...); no se ha\n"
    "     escrito nada. Con /verificar: no está la carpeta o su lista SHA256SUMS,\n"
    "     o la lista no se puede leer.\n"
    "  4  Ya se está ejecutando el instalador; no se ha escrito nada.\n"
    "  5  La línea de órdenes no es correcta; no se ha escrito nada.\n";

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string bad_value(const std::string& arg, char c) {
    // Windows programs read \" as a quote inside the argument:
    // /destino:"D:\datos\" /sobrescribir arrives as one argument,
    // /destino:D:\datos" /sobrescribir, and /sobrescribir would be lost.
    if (c == '"')
        return "La opción \"" + arg +
               "\" lleva unas comillas dentro: una \\ justo antes de las comillas de cierre las deja en el valor "
               "(/destino:\"D:\\datos\\\"). Quite esa \\ final o duplíquela (/destino:\"D:\\datos\\\\\").";
    return "La opción \"" + arg + "\" lleva el carácter " + std::string(1, c) +
           ", que no puede formar parte de un nombre de archivo.";
}

// Why switches that each are right do not go together, or empty.
std::string wrong_combination(const CommandLine& line, bool has_log) {
    if (line.verify && (line.unattended || line.overwrite || line.update))
        return "/verificar no se puede combinar con /datos, /sobrescribir ni /actualizar.";
    if (line.update && !line.unattended) return "/actualizar solo vale con /datos.";
    if (!line.unattended && !line.verify && (line.overwrite || has_log))
        return line.overwrite ? "/sobrescribir y /registro solo valen con /datos."
                              : "/registro solo vale con /datos o con /verificar.";
    return {};
}

}  // namespace

// A leading "\\?\" or "\\.\" is the path's own.
char bad_character(const std::string& path) {
    const std::size_t from = path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0 ? 4 : 0;
    const std::size_t at = path.find_first_of("\"<>|*?", from);
    return at == std::string::npos ? '\0' : path[at];
}

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine line;
    bool has_destination = false, has_log = false;
    for (const std::string& arg : args) {
        const std::string key =
            lower(arg.substr(0, arg.find(':') == std::string::npos ? arg.size() : arg.find(':') + 1));
        const std::string value = arg.substr(key.size());
        if (key == "/datos" && !line.unattended) {
            line.unattended = true;
        } else if (key == "/?") {
            line.help = true;
        } else if (key == "/sobrescribir" && !line.overwrite) {
            line.overwrite = true;
        } else if (key == "/verificar" && !line.verify) {
            line.verify = true;
        } else if (key == "/actualizar" && !line.update) {
            line.update = true;
        } else if ((key == "/destino:" || key == "/registro:") && !value.empty() && bad_character(value)) {
            if (line.error.empty()) line.error = bad_value(arg, bad_character(value));
        } else if (key == "/destino:" && !has_destination && !value.empty()) {
            line.destination = value;
            has_destination = true;
        } else if (key == "/registro:" && !has_log && !value.empty()) {
            line.log = value;
            has_log = true;
        } else if (line.error.empty()) {
            line.error = "La opción \"" + arg + "\" no es válida.";
        }
    }
    if (line.error.empty()) line.error = wrong_combination(line, has_log);
    return line;
}

}  // namespace vorlan
