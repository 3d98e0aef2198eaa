#include "copy/engine.h"
#include "wizard/app.h"

namespace vorlan {

void Cargar_Leeme(App& app, const std::string& path) {
    if (path.empty()) return;
    app.form.set_text(Leeme, "");
    std::string text, err;
    if (!app.fs.read_ansi_text(path, &text, &err)) {
        // The page stays usable and the next visit tries the file again.
        app.form.message_box("No se ha podido leer el archivo de información:\n" + collapse_separators(path) + "\n" + err,
                             MB_STYLE_WARN, kTitle);
        return;
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
