#include "copy/paths.h"
#include "wizard/app.h"

namespace vorlan {

namespace {

// A readme is a few pages. A huge one is shown in part: whole, it would take
// several copies of itself in memory (the bytes, the text, the box's own).
constexpr std::size_t kReadmeMostBytes = std::size_t{16} << 20;

}  // namespace

void load_readme(App& app, const std::string& path) {
    if (path.empty()) return;
    app.form.set_text(Leeme, "");
    std::string text, err;
    bool cut = false;
    if (!app.fs.read_ansi_text(path, kReadmeMostBytes, &text, &cut, &err)) {
        // The page stays usable and the next visit tries the file again.
        app.form.message_box(
            "No se ha podido leer el archivo de información:\n" + collapse_separators(path) + "\n" + err, MB_STYLE_WARN,
            kTitle);
        return;
    }
    if (cut) {
        if (!text.empty() && text.back() != '\n') text += "\r\n";
        text += "(El resto del archivo no se muestra: ábralo con un editor de textos.)";
    }
    app.form.set_text(Leeme, text);
}

void Option1_Click(App& app) {
    app.form.set_checked(Option2, false);
    app.form.set_enabled(btn_sig1, true);
}

void Option2_Click(App& app) {
    app.form.set_checked(Option1, false);
    app.form.set_enabled(btn_sig1, true);
}

void Label4_Click(App& app) {
    if (!app.form.enabled(Option1)) return;
    app.form.set_checked(Option1, true);
    Option1_Click(app);
    app.form.set_checked(Option2, false);
    app.form.set_enabled(btn_sig1, true);
}

void Label5_Click(App& app) {
    app.form.set_checked(Option1, false);
    app.form.set_checked(Option2, true);
    Option2_Click(app);
    app.form.set_enabled(btn_sig1, true);
}

}  // namespace vorlan
