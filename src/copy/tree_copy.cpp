#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "copy/copy.h"
#include "copy/walk.h"

namespace vorlan {

namespace {

void select_last(Form& form) { form.list_select(ListaFicheros, form.list_count(ListaFicheros) - 1); }

// NumFilesCopy holds the running count of the whole run: read, add one, write back.
bool advance_copied_count(Form& form, std::string* err) {
    const std::string text = form.text(NumFilesCopy);
    std::int64_t n = 0;
    const char* end = text.data() + text.size();
    auto [stop, ec] = std::from_chars(text.data(), end, n);
    if (text.empty() || ec != std::errc() || stop != end || n < 0 || n == std::numeric_limits<std::int64_t>::max()) {
        *err = "El número de archivos copiados no es válido: \"" + text + "\"";
        return false;
    }
    form.set_text(NumFilesCopy, std::to_string(n + 1));
    return true;
}

}  // namespace

bool ListFilesCopy(App& app, const Folder& fld, bool NestedDirs, double FldSize, double& TamPgrs,
                   std::int64_t* copied, std::string* err) {
    std::int64_t& count = *copied;
    count = 0;
    std::vector<Entry> entries;
    if (!list_folder(app.fs, fld.path, &entries, err)) return false;
    const std::string dst_folder = ChangePath(app, fld.path);
    // Every file of the folder goes into the same destination folder, which is
    // made sure of once, for the first of them. When the walk makes it, the
    // files that follow need not look for an old file of their name.
    bool folder_checked = false;
    bool folder_new = false;

    for (const Entry& file : entries) {
        if (file.is_folder) continue;
        const std::string P = child_path(fld.path, file.name);
        const std::string dst = ChangePath(app, P);
        // A destination inside the source tree is a source file: the same file
        // when the source root is the destination (the wizard started from C:\,
        // or a root whose case kept it from being mapped), another one when the
        // wizard runs from inside the destination.
        const bool onto_source = path_within(dst, app.state.AppOrigCarto);
        if (!onto_source && !folder_checked) {
            folder_new = make_dir_path(app, dst_folder);
            folder_checked = true;
        }
        app.form.list_add(ListaFicheros, "Copiando " + P + " --> ");
        select_last(app.form);
        const bool ok = !onto_source && (folder_new ? CopyFileIntoNewFolder(app, P, dst) : CopyFile(app, P, dst));
        if (ok) {
            const int last = app.form.list_count(ListaFicheros) - 1;
            app.form.list_set_line(ListaFicheros, last, app.form.list_line(ListaFicheros, last) + "Ok");
            select_last(app.form);
            ++count;
            if (!advance_copied_count(app.form, err)) return false;
        } else {
            const std::string line = P + " --> FALLO";
            app.form.list_set_line(ListaFicheros, app.form.list_count(ListaFicheros) - 1, line);
            app.form.list_add(ListaFicherosFail, line);
        }
        // Every file empty leaves nothing to measure progress by.
        if (FldSize > 0) TamPgrs += static_cast<double>(file.size) * 100.0 / FldSize;
        // The shares of all files add up to 100 only up to rounding, which must
        // not leave the bar at 99; files that grew after the tree was measured
        // would carry the total past the bar's end.
        app.form.set_progress(ProgressBarT, std::clamp(std::floor(TamPgrs + 1e-6), 0.0, 100.0));
        app.form.yield();
    }

    if (!NestedDirs) return true;
    for (const Entry& folder : entries) {
        if (!folder.is_folder) continue;
        std::int64_t sub = 0;
        const bool ok = ListFilesCopy(app, Folder{child_path(fld.path, folder.name)}, NestedDirs, FldSize, TamPgrs,
                                      &sub, err);
        count += sub;
        if (!ok) return false;
    }
    return true;
}

std::string collapse_separators(const std::string& path) {
    if (path.find("\\\\", 1) == std::string::npos) return path;
    std::string out;
    out.reserve(path.size());
    std::size_t i = 0;
    // A leading "\\" names a network share and stays.
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        out = "\\\\";
        i = 2;
    }
    for (; i < path.size(); ++i) {
        if (path[i] == '\\' && !out.empty() && out.back() == '\\') continue;
        out += path[i];
    }
    return out;
}

std::string ChangePath(const App& app, const std::string& SpecIn) {
    std::string root = collapse_separators(app.state.AppOrigCarto);
    while (root.size() > 1 && root.back() == '\\') root.pop_back();
    // Only a root at the start, followed by a separator or the end: elsewhere
    // its text may be part of a subfolder's name.
    if (root.empty() || SpecIn.compare(0, root.size(), root) != 0) return SpecIn;
    if (SpecIn.size() > root.size() && SpecIn[root.size()] != '\\') return SpecIn;
    return app.state.AppDest + SpecIn.substr(root.size());
}

bool make_dir_path(App& app, std::string path) {
    if (path.empty()) return false;
    if (path.back() != '\\') path += '\\';
    std::uint32_t attrs = 0;
    if (app.fs.attributes(path, &attrs)) return false;
    // A folder that cannot be made shows up as the copies into it failing.
    std::string ignored;
    return app.fs.make_folders(path, &ignored);
}

void MakeDirPath(App& app, std::string path) { make_dir_path(app, std::move(path)); }

}  // namespace vorlan
