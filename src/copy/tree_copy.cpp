#include "copy/tree_copy.h"

#include <functional>
#include <utility>

#include "copy/copy_queue.h"
#include "copy/file_copy.h"

namespace vorlan {

namespace {

std::string not_through(const std::string& folder) {
    return "La carpeta de destino " + folder +
           " es una unión, un vínculo simbólico o un punto de montaje; no se escribe a través de ella.";
}

}  // namespace

CopyRun::CopyRun(FileSystem& fs, CopyEvents& events, Roots roots)
    : fs_(fs), events_(events), roots_(std::move(roots)) {}

CopyRun::~CopyRun() = default;

bool CopyRun::copy_tree(std::uint64_t size, std::string* err) {
    queue_ = std::make_unique<CopyQueue>(fs_, events_, results_, abandoned_, size);
    // However this ends, the queue goes with it, and with the queue its workers.
    struct Drop {
        std::unique_ptr<CopyQueue>& queue;
        ~Drop() { queue.reset(); }
    } drop{queue_};
    // What was handed over before a folder failed to list is reported first.
    const bool walked = copy_folder(collapse_separators(roots_.source), {}, err);
    if (queue_->finish()) return walked;
    *err = kAbandoned;
    return false;
}

void CopyRun::hold(bool held) {
    if (queue_) queue_->hold(held);
}

void CopyRun::abandon() {
    abandoned_ = true;
    if (queue_) queue_->abandon();
}

// One folder of the walk: its files, then its subfolders. `blocked` says why
// nothing may be written below this point (a destination folder above it
// leads elsewhere), empty when all is well.
bool CopyRun::copy_folder(const std::string& folder, std::string blocked, std::string* err) {
    std::vector<Entry> entries;
    if (!list_folder(fs_, folder, &entries, err)) return false;
    const std::string dest_folder = destination_path(roots_, folder);
    // Every file of the folder goes into the same destination folder, which is
    // looked at once. When the walk makes it, the files that follow need not
    // look for an old file of their name.
    std::uint32_t attrs = 0;
    const bool there = fs_.attributes(dest_folder, &attrs);
    if (blocked.empty() && there && (attrs & ATTR_REPARSE_POINT)) blocked = not_through(dest_folder);
    bool made = false;

    for (const Entry& file : entries) {
        if (file.is_folder) continue;
        if (abandoned_) return true;
        const std::string source = child_path(folder, file.name);
        const std::string dest = destination_path(roots_, source);
        if (!copied(file)) {
            queue_->refuse(source, "El archivo es un vínculo simbólico; no se copia.", 0, true);
        } else if (path_within(dest, roots_.source)) {
            // The same file when the source root is the destination (the
            // wizard started from C:\, or a root whose case kept it from being
            // mapped), another source file when it runs from the destination.
            queue_->refuse(source, "El destino está dentro de la carpeta de origen.", file.size, true);
        } else if (!blocked.empty()) {
            queue_->refuse(source, blocked, file.size, true);
        } else if (!destinations_.insert(std::hash<std::string>{}(folded(dest))).second) {
            // A medium written on a system that tells case apart may hold
            // "Mapa.dat" beside "mapa.dat"; Windows would make them one file.
            queue_->refuse(source,
                           "Otro archivo del soporte ya se ha copiado con este nombre (Windows no distingue "
                           "mayúsculas de minúsculas).",
                           file.size, true);
        } else {
            // Folders are made before any file in them is handed over. A folder
            // that cannot be made shows up as the copies into it failing.
            if (!there && !made) {
                std::string ignored;
                made = fs_.make_folders(dest_folder + "\\", &ignored);
            }
            queue_->copy(source, dest, there || !made, file.size);
        }
    }

    for (const Entry& sub : entries) {
        if (!sub.is_folder) continue;
        const std::string next = child_path(folder, sub.name);
        if (followed(sub)) {
            if (!copy_folder(next, blocked, err)) return false;
            continue;
        }
        // Not followed, so not copied: the run must not end as a success.
        queue_->refuse(next, "La carpeta es una unión, un vínculo simbólico o un punto de montaje; no se copia.", 0,
                       false);
    }
    return true;
}

}  // namespace vorlan
