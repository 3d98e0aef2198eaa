#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "copy/copy_queue.h"
#include "copy/engine.h"
#include "copy/walk.h"

namespace vorlan {

namespace {

std::string not_through(const std::string& folder) {
    return "La carpeta de destino " + folder +
           " es una unión, un vínculo simbólico o un punto de montaje; no se escribe a través de ella.";
}

// One folder of the walk: its files, then its subfolders. `blocked` says why
// nothing may be written below this point (a destination folder above it
// leads elsewhere), empty when all is well.
bool copy_folder(CopyRun& run, CopyQueue& queue, const Folder& fld, bool NestedDirs, std::string blocked,
                 std::string* err) {
    std::vector<Entry> entries;
    if (!list_folder(run.fs, fld.path, &entries, err)) return false;
    const std::string dst_folder = ChangePath(run.roots, fld.path);
    // Every file of the folder goes into the same destination folder, which is
    // looked at once. When the walk makes it, the files that follow need not
    // look for an old file of their name.
    std::uint32_t attrs = 0;
    const bool there = run.fs.attributes(dst_folder, &attrs);
    if (blocked.empty() && there && (attrs & ATTR_REPARSE_POINT)) blocked = not_through(dst_folder);
    bool made = false;

    for (const Entry& file : entries) {
        if (file.is_folder) continue;
        if (run.abandoned()) return true;
        const std::string P = child_path(fld.path, file.name);
        const std::string dst = ChangePath(run.roots, P);
        if (path_within(dst, run.roots.source)) {
            // The same file when the source root is the destination (the
            // wizard started from C:\, or a root whose case kept it from being
            // mapped), another source file when it runs from the destination.
            queue.refuse(P, "El destino está dentro de la carpeta de origen.", file.size, true);
        } else if (!blocked.empty()) {
            queue.refuse(P, blocked, file.size, true);
        } else if (!run.destinations.insert(std::hash<std::string>{}(folded(dst))).second) {
            // A medium written on a system that tells case apart may hold
            // "Mapa.dat" beside "mapa.dat"; Windows would make them one file.
            queue.refuse(P,
                         "Otro archivo del soporte ya se ha copiado con este nombre (Windows no distingue "
                         "mayúsculas de minúsculas).",
                         file.size, true);
        } else {
            // Folders are made before any file in them is handed over. A folder
            // that cannot be made shows up as the copies into it failing.
            if (!there && !made) {
                std::string ignored;
                made = run.fs.make_folders(dst_folder + "\\", &ignored);
            }
            queue.copy(P, dst, there || !made, file.size);
        }
    }

    if (!NestedDirs) return true;
    for (const Entry& sub : entries) {
        if (!sub.is_folder) continue;
        const Folder next{child_path(fld.path, sub.name)};
        if (followed(sub)) {
            if (!copy_folder(run, queue, next, NestedDirs, blocked, err)) return false;
            continue;
        }
        // Not followed, so not copied: the run must not end as a success.
        queue.refuse(next.path, "La carpeta es una unión, un vínculo simbólico o un punto de montaje; no se copia.", 0,
                     false);
    }
    return true;
}

}  // namespace

bool ListFilesCopy(CopyRun& run, const Folder& fld, bool NestedDirs, double FldSize, double& TamPgrs,
                   std::string* err) {
    CopyQueue queue(run, FldSize, TamPgrs);
    // What was handed over before a folder failed to list is reported first.
    const bool walked = copy_folder(run, queue, fld, NestedDirs, {}, err);
    if (queue.finish() && !run.abandoned()) return walked;
    *err = kAbandoned;
    return false;
}

CopyRun::CopyRun(FileSystem& file_system, CopyEvents& copy_events, Roots copy_roots)
    : fs(file_system), events(copy_events), roots(std::move(copy_roots)) {}

void CopyRun::hold(bool held) {
    if (queue) queue->hold(held);
}

void CopyRun::abandon() {
    abandoned_ = true;
    if (queue) queue->abandon();
}

std::string ChangePath(const Roots& roots, const std::string& SpecIn) {
    std::string root = collapse_separators(roots.source);
    while (root.size() > 1 && root.back() == '\\') root.pop_back();
    // Only a root at the start, followed by a separator or the end: elsewhere
    // its text may be part of a subfolder's name.
    if (root.empty() || SpecIn.compare(0, root.size(), root) != 0) return SpecIn;
    if (SpecIn.size() > root.size() && SpecIn[root.size()] != '\\') return SpecIn;
    return roots.dest + SpecIn.substr(root.size());
}

void MakeDirPath(FileSystem& fs, std::string path) {
    if (path.empty()) return;
    if (path.back() != '\\') path += '\\';
    std::uint32_t attrs = 0;
    if (fs.attributes(path, &attrs)) return;
    std::string ignored;
    fs.make_folders(path, &ignored);
}

}  // namespace vorlan
