#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

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
bool copy_folder(CopyRun& run, const Folder& fld, bool NestedDirs, double FldSize, double& TamPgrs,
                 std::string blocked, std::string* err) {
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
        const std::string P = child_path(fld.path, file.name);
        const std::string dst = ChangePath(run.roots, P);
        run.events.file_started(P);
        std::string reason;
        bool ok = false;
        if (path_within(dst, run.roots.source)) {
            // The same file when the source root is the destination (the
            // wizard started from C:\, or a root whose case kept it from being
            // mapped), another source file when it runs from the destination.
            reason = "El destino está dentro de la carpeta de origen.";
        } else if (!blocked.empty()) {
            reason = blocked;
        } else if (!run.destinations.insert(folded(dst)).second) {
            // A medium written on a system that tells case apart may hold
            // "Mapa.dat" beside "mapa.dat"; Windows would make them one file.
            reason = "Otro archivo del soporte ya se ha copiado con este nombre (Windows no distingue mayúsculas "
                     "de minúsculas).";
        } else {
            if (!there && !made) {
                // A folder that cannot be made shows up as the copies into it failing.
                std::string ignored;
                made = run.fs.make_folders(dst_folder + "\\", &ignored);
            }
            ok = copy_one(run, P, dst, there || !made, &reason);
        }
        if (ok) {
            ++run.copied;
        } else {
            run.failures.push_back({P, reason});
        }
        run.events.file_done(P, ok, reason);
        // Every file empty leaves nothing to measure progress by.
        if (FldSize > 0) TamPgrs += static_cast<double>(file.size) * 100.0 / FldSize;
        // The shares of all files add up to 100 only up to rounding, which must
        // not leave the bar at 99; files that grew after the tree was measured
        // would carry the total past the bar's end.
        run.events.overall_progress(std::clamp(std::floor(TamPgrs + 1e-6), 0.0, 100.0));
        run.events.yield();
    }

    if (!NestedDirs) return true;
    for (const Entry& sub : entries) {
        if (!sub.is_folder) continue;
        const Folder next{child_path(fld.path, sub.name)};
        if (followed(sub)) {
            if (!copy_folder(run, next, NestedDirs, FldSize, TamPgrs, blocked, err)) return false;
            continue;
        }
        // Not followed, so not copied: the run must not end as a success.
        const std::string reason = "La carpeta es una unión, un vínculo simbólico o un punto de montaje; no se copia.";
        run.events.file_started(next.path);
        run.failures.push_back({next.path, reason});
        run.events.file_done(next.path, false, reason);
        run.events.yield();
    }
    return true;
}

}  // namespace

bool ListFilesCopy(CopyRun& run, const Folder& fld, bool NestedDirs, double FldSize, double& TamPgrs,
                   std::string* err) {
    return copy_folder(run, fld, NestedDirs, FldSize, TamPgrs, {}, err);
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
