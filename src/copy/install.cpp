#include "copy/install.h"

#include "copy/destination_checks.h"
#include "copy/grant.h"
#include "copy/listed_digests.h"
#include "copy/paths.h"
#include "copy/room.h"
#include "copy/tree_walks.h"

namespace vorlan {

namespace {

InstallReport stopped(InstallEnd end, std::string message) {
    InstallReport r;
    r.end = end;
    r.message = std::move(message);
    return r;
}

// The destination, or a folder on the way to it, that leads elsewhere: a
// standard user can make one, and an administrator's run would then write
// (and grant full control) wherever it points.
std::string redirected_folder(FileSystem& fs, const std::string& dest) {
    std::string path = collapse_separators(dest);
    while (path.size() > 3) {
        std::uint32_t attrs = 0;
        if (fs.attributes(path, &attrs) && (attrs & ATTR_REPARSE_POINT)) return path;
        const std::size_t slash = path.rfind('\\');
        if (slash == std::string::npos || slash < 2) break;
        path.resize(slash);
    }
    return {};
}

// Names the first few entries the grant did not reach, and how many more.
std::string not_granted_message(const std::string& dest, const std::vector<Failure>& entries) {
    constexpr std::size_t kNamed = 5;
    std::string text = "Los datos se han copiado, pero no se ha dado a todos los usuarios control total sobre " +
                       std::to_string(entries.size()) + (entries.size() == 1 ? " elemento" : " elementos") + " de " +
                       dest + ":";
    for (std::size_t i = 0; i < entries.size() && i < kNamed; ++i)
        text += "\n" + entries[i].path + ": " + entries[i].reason;
    if (entries.size() > kNamed) text += "\n... y " + std::to_string(entries.size() - kNamed) + " más.";
    return text;
}

// Makes sure a folder exists, creating every missing folder on the way; quiet.
void ensure_folder(FileSystem& fs, std::string path) {
    if (path.empty()) return;
    if (path.back() != '\\') path += '\\';
    std::uint32_t attrs = 0;
    if (fs.attributes(path, &attrs)) return;
    std::string ignored;
    fs.make_folders(path, &ignored);
}

}  // namespace

bool destination_exists(FileSystem& fs, const std::string& dest) {
    std::uint32_t attrs = 0;
    return fs.attributes(dest, &attrs);
}

InstallReport run_install(FileSystem& fs, const InstallRequest& request, InstallEvents& events) {
    const std::string& dest = request.roots.dest;
    const std::string source = collapse_separators(request.roots.source);
    std::uint32_t attrs = 0;
    if (!fs.attributes(source, &attrs) || !(attrs & ATTR_DIRECTORY))
        return stopped(InstallEnd::NotStarted, "No se encuentra la carpeta de datos de la aplicación:\n" + source);
    // The list is read whole before anything is written: a wrong line found
    // half-way would leave half a tree installed.
    ListedDigests listed;
    bool has_list = false;
    if (std::string wrong; !read_listed_digests(fs, source, &has_list, &listed, &wrong))
        return stopped(InstallEnd::NotStarted, wrong);
    if (const std::string refused = refused_destination(fs, request.known_folders, dest); !refused.empty())
        return stopped(InstallEnd::NotStarted, refused);
    // Copying a tree into itself would overwrite each file with itself.
    if (path_within(fs, source, dest) || path_within(fs, dest, source))
        return stopped(InstallEnd::NotStarted,
                       "La carpeta de datos " + source + " y el directorio de destino " + dest +
                           " se solapan.\nEjecute el programa desde el soporte de distribución.");
    if (const std::string redirected = redirected_folder(fs, dest); !redirected.empty())
        return stopped(InstallEnd::NotStarted,
                       "La carpeta " + redirected +
                           " es una unión, un vínculo simbólico o un punto de montaje.\nNo se copiarán datos a través "
                           "de ella: elija otro directorio de destino.");

    events.counting();
    InstallReport report;
    std::string err;
    if (!count_files(fs, events, source, &report.found, &err))
        return stopped(InstallEnd::NotStarted, "No se han podido contar los archivos que copiar.\n" + err);
    events.counted(report.found);

    const bool exists = destination_exists(fs, dest);
    if (!events.confirm(exists)) return stopped(InstallEnd::Declined, {});

    std::uint64_t size = 0;
    std::string refusal;
    if (!check_room(fs, events, source, dest, exists, &size, &refusal, &err))
        return stopped(InstallEnd::NotStarted, "No se ha podido medir la carpeta de datos.\n" + err);
    if (!refusal.empty()) return stopped(InstallEnd::NotStarted, refusal);

    CopyRun run(fs, events, request.roots, {has_list ? &listed : nullptr, request.update});
    events.copying(&run);
    const bool walked = run.copy_tree(size, &err);
    events.copying(nullptr);
    report.copied = run.results().copied;
    report.unchanged = run.results().unchanged;
    report.bytes = run.results().bytes;
    report.failures = run.results().failures;
    if (!walked) {
        report.end = InstallEnd::Interrupted;
        report.message = "La copia de ficheros se ha interrumpido.\n" + err;
        return report;
    }
    // Equal counts alone are no success: a file added to the medium after the
    // count can make up for one that failed.
    if (report.found != report.copied || !report.failures.empty()) {
        report.end = InstallEnd::Failed;
        return report;
    }

    report.end = InstallEnd::NotFinished;
    // A tree without files creates no folder on the way, yet the grant needs one.
    if (report.copied == 0) ensure_folder(fs, dest);
    if (!clear_attributes(fs, events, dest, &err)) {
        report.message = "Los datos se han copiado, pero no se han podido restablecer sus atributos.\n" + err;
        return report;
    }
    events.granting();
    GrantResult grant;
    if (!grant_all_users(fs, events, dest, &grant, &err)) {
        report.message =
            "Los datos se han copiado, pero no se ha podido dar a todos los usuarios control total sobre " + dest +
            ".\n" + err;
        return report;
    }
    report.granted = grant.granted;
    report.not_granted = std::move(grant.not_granted);
    events.granted(report.granted);
    if (!report.not_granted.empty()) {
        report.message = not_granted_message(dest, report.not_granted);
        return report;
    }
    report.end = InstallEnd::Succeeded;
    return report;
}

}  // namespace vorlan
