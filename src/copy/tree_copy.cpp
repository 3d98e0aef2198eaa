#include "copy/tree_copy.h"

#include <functional>
#include <utility>

#include "copy/copy_queue.h"
#include "copy/file_copy.h"
#include "copy/listed_digests.h"

namespace vorlan {

namespace {

std::string not_through(const std::string& folder) {
    return "La carpeta de destino " + folder +
           " es una unión, un vínculo simbólico o un punto de montaje; no se escribe a través de ella.";
}

std::string last_step(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// Files copied at the same time from a source on `device`. Many small files
// copy faster several at a time, where reads cost no travel: the wait for
// one file's open or read hides behind the others'. A disc's or a spinning
// disk's head would travel between the files instead, and several reads at
// once can be much slower than one file after another there. A share on
// another computer keeps several: each open and read is a round trip over
// the network, which several files at once overlap, and the server orders
// its own disk's reads (Windows' own robocopy copies from shares with
// several threads for that reason). When the system does not say, the
// source is taken to be as the benchmark's disks are.
int workers_for(Device device) {
    switch (device) {
        case Device::Optical:
        case Device::SeekPenalty: return 1;
        case Device::NoSeekPenalty:
        case Device::Network:
        case Device::Unknown: break;
    }
    return 4;
}

}  // namespace

// The copy's walk: each folder's files handed over to the queue, in order.
class CopyRun::Walk : public FolderVisitor {
public:
    explicit Walk(CopyRun& run)
        : run_(run), source_key_(path_key(run.fs_, run.roots_.source)), root_(collapse_separators(run.roots_.source)) {
        if (run.options_.listed) found_.assign(run.options_.listed->entries.size(), false);
    }

    bool visit(const std::string& folder, int depth, const std::vector<Entry>& entries, std::string* err) override;
    void not_followed(const std::string& folder, int) override {
        // Not followed, so not copied: the run must not end as a success.
        run_.queue_->refuse(folder, "La carpeta es una unión, un vínculo simbólico o un punto de montaje; no se copia.",
                            0, false);
    }

    // Every listed file the walk did not find fails.
    void refuse_not_found() {
        for (std::size_t i = 0; i < found_.size(); ++i) {
            if (found_[i]) continue;
            std::string relative = run_.options_.listed->entries[i].path;
            for (char& c : relative)
                if (c == '/') c = '\\';
            run_.queue_->refuse(child_path(root_, relative),
                                "El archivo figura en SHA256SUMS, pero no está en el soporte.", 0, true);
        }
    }

private:
    // The listed digest of the file at `source`, which the walk has found.
    const Sha256Digest* listed_digest(const std::string& source) {
        if (!run_.options_.listed) return nullptr;
        std::size_t index = 0;
        const std::size_t skip = root_.size() + (root_.ends_with('\\') ? 0 : 1);
        const ChecksumEntry* entry = run_.options_.listed->find(run_.fs_, source.substr(skip), &index);
        if (!entry) return nullptr;
        found_[index] = true;
        return &entry->digest;
    }

    CopyRun& run_;
    const std::string source_key_, root_;
    std::vector<bool> found_;  // by listed entry
    // By depth, on the way down: why nothing may be written below this point
    // (a destination folder above leads elsewhere), empty when all is well.
    std::vector<std::string> blocked_;
};

bool CopyRun::Walk::visit(const std::string& folder, int depth, const std::vector<Entry>& entries, std::string* err) {
    if (run_.abandoned_ || run_.queue_->abandoned()) {
        *err = kAbandoned;
        return false;
    }
    FileSystem& fs = run_.fs_;
    CopyQueue& queue = *run_.queue_;
    const std::string dest_folder = destination_path(run_.roots_, folder);
    // Every file of the folder goes into the same destination folder, which is
    // looked at once. When the walk makes it, the files that follow need not
    // look for an old file of their name.
    blocked_.resize(static_cast<std::size_t>(depth) + 1);
    std::string& blocked = blocked_[depth];
    blocked = depth > 0 ? blocked_[depth - 1] : std::string();
    Entry found;
    const bool there = fs.lookup(dest_folder, &found);
    if (blocked.empty() && there && (found.attributes & ATTR_REPARSE_POINT)) blocked = not_through(dest_folder);
    // A folder under the root that answers to the name of another (by its
    // short name): the files would land in that other folder.
    if (blocked.empty() && there && depth > 0 && found.is_folder &&
        fs.fold_case(found.name) != fs.fold_case(last_step(dest_folder)))
        blocked = "La carpeta de destino " + dest_folder + " es otro nombre de la carpeta " + found.name +
                  "; no se escribe en ella.";
    bool made = false, handed_over = false;

    for (const Entry& file : entries) {
        if (file.is_folder) continue;
        if (run_.abandoned_) break;
        const std::string source = child_path(folder, file.name);
        const std::string dest = destination_path(run_.roots_, source);
        const std::string key = path_key(fs, dest);
        const Sha256Digest* expected = listed_digest(source);
        if (!copied(file)) {
            queue.refuse(source, "El archivo es un vínculo simbólico; no se copia.", 0, true);
        } else if (key_within(key, source_key_)) {
            // The same file when the source root is the destination (the
            // wizard started from C:\, or a root whose case kept it from being
            // mapped), another source file when it runs from the destination.
            queue.refuse(source, "El destino está dentro de la carpeta de origen.", file.size, true);
        } else if (!blocked.empty()) {
            queue.refuse(source, blocked, file.size, true);
        } else if (!run_.destinations_.insert(std::hash<std::string>{}(key)).second) {
            // A medium written on a system that tells case apart may hold
            // "Mapa.dat" beside "mapa.dat"; Windows would make them one file.
            queue.refuse(source,
                         "Otro archivo del soporte ya se ha copiado con este nombre (Windows no distingue "
                         "mayúsculas de minúsculas).",
                         file.size, true);
        } else {
            // Folders are made before any file in them is handed over. A folder
            // that cannot be made shows up as the copies into it failing.
            if (!there && !made) {
                std::string ignored;
                made = fs.make_folders(dest_folder + "\\", &ignored);
            }
            queue.copy(source, dest, there || !made, file.size, expected);
            handed_over = true;
        }
    }
    if (handed_over) queue.folder_done(dest_folder);
    return true;
}

// The files of the destination that no file of the run went to.
class CopyRun::Leftovers : public FolderVisitor {
public:
    explicit Leftovers(CopyRun& run) : run_(run) {}
    bool visit(const std::string& folder, int, const std::vector<Entry>& entries, std::string*) override {
        for (const Entry& e : entries) {
            if (e.is_folder || is_temporary_name(e.name)) continue;
            const std::string path = child_path(folder, e.name);
            if (!run_.destinations_.count(std::hash<std::string>{}(path_key(run_.fs_, path))))
                run_.events_.not_on_medium(path);
        }
        run_.events_.yield();
        return true;
    }
    void not_followed(const std::string&, int) override {}

private:
    CopyRun& run_;
};

CopyRun::CopyRun(FileSystem& fs, CopyEvents& events, Roots roots, CopyOptions options)
    : fs_(fs), events_(events), roots_(std::move(roots)), options_(options) {}

CopyRun::~CopyRun() = default;

bool CopyRun::copy_tree(std::uint64_t size, std::string* err) {
    queue_ = std::make_unique<CopyQueue>(fs_, events_, results_, size, workers_for(fs_.device(roots_.source)),
                                         options_.update, options_.listed != nullptr);
    // However this ends, the queue goes with it, and with the queue its
    // workers; but a queue whose workers the system holds in a read is left
    // to them (the process is ending).
    struct Drop {
        std::unique_ptr<CopyQueue>& queue;
        ~Drop() {
            if (!queue) return;
            queue->abandon();  // nothing left to stop after a walk that finished
            if (queue->stuck()) static_cast<void>(queue.release());
            queue.reset();
        }
    } drop{queue_};
    // What was handed over before a folder failed to list is reported first.
    Walk walk(*this);
    const bool walked = walk_tree(fs_, collapse_separators(roots_.source), walk, err);
    if (walked) walk.refuse_not_found();
    if (queue_->finish()) {
        if (walked && options_.update) {
            // What cannot be listed here is left untold: nothing is deleted either way.
            Leftovers leftovers(*this);
            std::string ignored;
            walk_tree(fs_, collapse_separators(roots_.dest), leftovers, &ignored);
        }
        return walked;
    }
    *err = queue_->why_stopped().empty() ? kAbandoned : queue_->why_stopped();
    return false;
}

void CopyRun::hold(bool held) {
    if (queue_) queue_->hold(held);
}

void CopyRun::abandon() {
    abandoned_ = true;
    if (queue_) queue_->abandon();
}

}  // namespace vorlan
