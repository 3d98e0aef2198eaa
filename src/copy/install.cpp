#include <charconv>

#include "copy/copy.h"
#include "copy/walk.h"

namespace vorlan {
namespace {

bool parse_count(const std::string& text, std::int64_t* n) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, *n);
    return ec == std::errc() && ptr == end;
}

void offer_retry(Form& form) {
    form.set_visible(btn_inferr, true);
    form.set_enabled(btn_inst, true);
    form.set_enabled(btn_atras3, true);
}

// A failure of the file system or of a program start: the user is told what
// failed, and can look at the report, try again or go back.
void stop_with(App& app, const std::string& what) {
    app.form.message_box(what, MB_STYLE_STOP, kTitle);
    offer_retry(app.form);
}

// The destination counts as there when anything stands at its path, unless it
// is marked hidden or system.
bool destination_exists(App& app) {
    std::uint32_t attrs = 0;
    return app.fs.attributes(app.state.AppDest, &attrs) && !(attrs & (ATTR_HIDDEN | ATTR_SYSTEM));
}

}  // namespace

void btn_inst_Click(App& app) {
    Form& form = app.form;
    const std::string& dest = app.state.AppDest;
    form.set_visible(btn_inferr, false);
    form.set_enabled(btn_inst, false);
    form.set_enabled(btn_atras3, false);
    form.set_text(NumFilesCopy, "0");
    form.list_clear(ListaFicheros);
    form.list_clear(ListaFicherosFail);
    form.set_progress(ProgressBar, 0);
    form.set_progress(ProgressBarT, 0);

    const Folder source{collapse_separators(app.state.AppOrigCarto)};
    std::uint32_t attrs = 0;
    if (!app.fs.attributes(source.path, &attrs) || !(attrs & ATTR_DIRECTORY))
        return stop_with(app, "No se encuentra la carpeta de datos de la aplicación:\n" + source.path);
    // Copying a tree into itself would delete each file before reading it.
    if (path_within(source.path, dest) || path_within(dest, source.path))
        return stop_with(app, "La carpeta de datos " + source.path + " y el directorio de destino " + dest +
                                  " se solapan.\nEjecute el programa desde el soporte de distribución.");

    form.list_add(ListaFicheros, "Analizando estructura de archivos...");
    std::int64_t to_copy = 0;
    std::string err;
    if (!NumFiles(app, source, true, &to_copy, &err))
        return stop_with(app, "No se han podido contar los archivos que copiar.\n" + err);
    form.set_text(NumFilesToCopy, std::to_string(to_copy));
    form.list_add(ListaFicheros, "Localizados " + form.text(NumFilesToCopy) + " archivos.");
    form.list_add(ListaFicheros, "Iniciando la copia de ficheros.");
    form.list_select(ListaFicheros, form.list_count(ListaFicheros) - 1);

    const std::string question =
        destination_exists(app)
            ? "El directorio " + dest + " ya existe.\n¿Desea sobreescribirlo?"
            : "Se va a proceder a generar el directorio '" + dest +
                  "'\n  y a copiar los datos de la aplicacion.\n¿Esta usted seguro?";
    if (form.message_box(question, MB_STYLE_WARN_YES_NO, kTitle) == ANSWER_NO) {
        form.message_box("Copia de ficheros no realizada por petición del usuario.", MB_STYLE_STOP, kTitle);
        return offer_retry(form);
    }

    std::uint64_t size = 0;
    if (!FolderSize(app, source, &size, &err))
        return stop_with(app, "No se ha podido medir la carpeta de datos.\n" + err);
    const double FldSize = static_cast<double>(size);
    double TamPgrs = 0;
    std::int64_t copied = 0;
    if (!ListFilesCopy(app, source, true, FldSize, TamPgrs, &copied, &err))
        return stop_with(app, "La copia de ficheros se ha interrumpido.\n" + err);

    std::int64_t expected = 0;
    if (!parse_count(form.text(NumFilesToCopy), &expected) || expected != copied) {
        form.message_box("Copia de ficheros fallida.\nCompruebe el informe de errores.", MB_STYLE_STOP, kTitle);
        return offer_retry(form);
    }

    // A tree without files creates no folder on the way, yet the grant needs one.
    if (copied == 0) MakeDirPath(app, dest);
    if (!AttribFiles(app, Folder{dest}, true, &err))
        return stop_with(app, "Los datos se han copiado, pero no se han podido restablecer sus atributos.\n" + err);
    std::string failed;
    for (const char* group : {"Todos", "Everyone"}) {
        if (!app.programs.start_system_tool_hidden("cacls.exe", dest + " /T /E /C /G " + group + ":F", &err))
            failed += "\n" + err;
    }
    if (!failed.empty())
        return stop_with(app, "Los datos se han copiado, pero no se ha podido iniciar cacls para conceder los permisos de " +
                                  dest + "." + failed);

    form.message_box("Copia de ficheros realizada correctamente.\n", MB_STYLE_INFO, kTitle);
    form.set_visible(btn_Cancel, false);
    form.set_visible(btn_fin, true);
}

void btn_inferr_Click(App& app) {
    Form& form = app.form;
    form.set_fore_color(ListaFicherosFail, kRed);
    if (form.visible(ListaFicherosFail)) {
        form.set_visible(ListaFicherosFail, false);
        form.set_visible(ListaFicheros, true);
        form.set_text(btn_inferr, "Informe de errores");
    } else {
        form.set_visible(ListaFicheros, false);
        form.set_visible(ListaFicherosFail, true);
        form.set_text(btn_inferr, "Ocultar Informe");
    }
}

}  // namespace vorlan
