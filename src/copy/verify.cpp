#include "copy/verify.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "copy/paths.h"
#include "copy/tree_walks.h"

namespace vorlan {
namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr std::uint64_t kLargestList = 1ull << 30;

// The files of the tree, by their path relative to it as the file system
// compares names, in the walk's order.
struct TreeFiles : FolderVisitor {
    FileSystem& fs;
    VerifyEvents& events;
    std::size_t prefix;  // of every path under the root, the root's own part
    struct File {
        std::string path;
        Entry entry;
        bool listed = false;
    };
    std::vector<File> files;
    std::unordered_map<std::string, std::size_t> by_key;
    bool stopped = false;

    TreeFiles(FileSystem& f, VerifyEvents& e, const std::string& root)
        : fs(f), events(e), prefix(child_path(root, "").size()) {}

    bool visit(const std::string& folder, int, const std::vector<Entry>& entries, std::string*) override {
        if (!events.go_on()) return !(stopped = true);
        for (const Entry& e : entries) {
            if (e.is_folder) continue;
            const std::string path = child_path(folder, e.name);
            by_key.emplace(fs.fold_case(path.substr(prefix)), files.size());
            files.push_back({path, e});
        }
        return true;
    }
    void not_followed(const std::string&, int) override {}
};

// A listed file as the reader hands it to the report.
struct Job {
    ChecksumEntry line;
    CheckedFile result;
    bool read = false;  // whether it has to be read; else `result` is already its verdict
    bool done = false;
    std::uint64_t bytes = 0;
};

// The workers, reading and hashing the jobs to read, in the list's order as
// far as they can; the caller waits for each in turn.
class Readers {
public:
    Readers(FileSystem& fs, std::vector<Job>& jobs, int count) : fs_(fs), jobs_(jobs), open_(count, nullptr) {
        for (int i = 0; i < count; ++i) threads_.emplace_back([this, i] { work(i); });
    }
    // Stops whatever is still being read and waits for every worker: nothing
    // of the check goes on behind its caller, whatever way it leaves.
    ~Readers() {
        stop();
        for (std::thread& t : threads_) t.join();
    }
    Readers(const Readers&) = delete;
    Readers& operator=(const Readers&) = delete;

    // Waits up to `most` for job `i`; whether it is done.
    bool wait(std::size_t i, std::chrono::milliseconds most) {
        std::unique_lock lock(mutex_);
        return done_.wait_for(lock, most, [&] { return jobs_[i].done; });
    }
    void stop() {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        for (InputFile* f : open_)
            if (f) f->cancel();
    }

private:
    void work(int me) {
        std::vector<char> buffer(kChunk);
        for (;;) {
            const std::size_t i = next_++;
            if (i >= jobs_.size()) return;
            if (!jobs_[i].read) continue;
            CheckedFile result = jobs_[i].result;
            std::uint64_t bytes = 0;
            try {
                check(me, jobs_[i].line.digest, buffer, &result, &bytes);
            } catch (const std::exception& e) {
                result.state = FileState::Unreadable;
                result.reason = std::string("error inesperado al leerlo: ") + e.what();
            }
            std::lock_guard lock(mutex_);
            if (stopped_) return;
            jobs_[i].result = std::move(result);
            jobs_[i].bytes = bytes;
            jobs_[i].done = true;
            done_.notify_all();
        }
    }

    void check(int me, const Sha256Digest& expected, std::vector<char>& buffer, CheckedFile* result,
               std::uint64_t* bytes) {
        std::string err;
        std::unique_ptr<InputFile> file = fs_.open_read(result->path, &err);
        if (!file) {
            result->state = FileState::Unreadable;
            result->reason = "no se puede abrir: " + err;
            return;
        }
        {
            std::lock_guard lock(mutex_);
            if (stopped_) return;
            open_[me] = file.get();
        }
        Sha256 hash;
        std::size_t got = 0;
        bool ok = true;
        while ((ok = file->read(buffer.data(), buffer.size(), &got, &err)) && got > 0) {
            hash.update(buffer.data(), got);
            *bytes += got;
        }
        {
            std::lock_guard lock(mutex_);
            open_[me] = nullptr;
        }
        if (!ok) {
            result->state = FileState::Unreadable;
            result->reason = "no se puede leer: " + err;
        } else if (hash.finish() != expected) {
            result->state = FileState::Different;
            result->reason = "su contenido no coincide con SHA256SUMS";
        }
    }

    FileSystem& fs_;
    std::vector<Job>& jobs_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable done_;
    bool stopped_ = false;
    std::vector<InputFile*> open_;  // each worker's file being read, to cancel
    std::vector<std::thread> threads_;
};

void tally(VerifyReport* report, FileState state) {
    switch (state) {
        case FileState::Equal: ++report->equal; break;
        case FileState::Missing: ++report->missing; break;
        case FileState::Different: ++report->different; break;
        case FileState::Unreadable: ++report->unreadable; break;
    }
}

}  // namespace

bool read_checksums(FileSystem& fs, const std::string& folder, std::vector<ChecksumEntry>* entries, std::string* err) {
    const std::string path = child_path(folder, kChecksumsName);
    std::string reason;
    std::unique_ptr<InputFile> file = fs.open_read(path, &reason);
    if (!file) {
        *err = "No se puede abrir la lista " + path + ": " + reason;
        return false;
    }
    // A list of a million files takes some 100 MB; anything far larger is not one.
    if (file->size() > kLargestList) {
        *err = "La lista " + path + " es demasiado grande (" + std::to_string(file->size()) + " bytes).";
        return false;
    }
    std::string text, chunk(kChunk, '\0');
    std::size_t got = 0;
    bool ok = true;
    while ((ok = file->read(chunk.data(), chunk.size(), &got, &reason)) && got > 0) text.append(chunk.data(), got);
    if (!ok) {
        *err = "No se puede leer la lista " + path + ": " + reason;
        return false;
    }
    if (parse_checksums(text, entries, &reason)) return true;
    *err = "La lista " + path + " no es correcta: " + reason;
    return false;
}

VerifyReport verify_tree(FileSystem& fs, const std::string& tree, VerifyEvents& events, int workers) {
    VerifyReport report;
    std::uint32_t attrs = 0;
    if (!fs.attributes(tree, &attrs) || !(attrs & ATTR_DIRECTORY)) {
        report.end = VerifyEnd::NoTree;
        report.message = "No existe la carpeta de datos " + tree + ".";
        return report;
    }
    std::vector<ChecksumEntry> lines;
    if (!read_checksums(fs, tree, &lines, &report.message)) {
        report.end = VerifyEnd::NoList;
        return report;
    }
    report.listed = static_cast<std::int64_t>(lines.size());
    TreeFiles found(fs, events, tree);
    std::string err;
    if (!walk_tree(fs, tree, found, &err)) {
        report.end = found.stopped ? VerifyEnd::Interrupted : VerifyEnd::NoTree;
        report.message = err;
        return report;
    }

    // What the walk already tells is decided here; the rest is read.
    std::vector<Job> jobs(lines.size());
    std::size_t to_read = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Job& job = jobs[i];
        job.line = std::move(lines[i]);
        std::string relative = job.line.path;
        std::replace(relative.begin(), relative.end(), '/', '\\');
        job.result.path = child_path(tree, relative);
        const auto at = found.by_key.find(fs.fold_case(relative));
        if (at == found.by_key.end()) {
            job.result.state = FileState::Missing;
            job.result.reason = "no está";
        } else {
            TreeFiles::File& file = found.files[at->second];
            file.listed = true;
            job.read = copied(file.entry);
            if (!job.read) {
                job.result.state = FileState::Different;
                job.result.reason = "es un enlace, no un archivo";
            }
        }
        job.done = !job.read;
        to_read += job.read;
    }

    {
        Readers readers(fs, jobs, static_cast<int>(std::min<std::size_t>(std::max(workers, 1), to_read)));
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            while (!readers.wait(i, VerifyEvents::kPoll))
                if (!events.go_on()) {
                    report.end = VerifyEnd::Interrupted;
                    return report;
                }
            events.checked(jobs[i].result);
            tally(&report, jobs[i].result.state);
            report.bytes += jobs[i].bytes;
            if (!events.go_on()) {
                report.end = VerifyEnd::Interrupted;
                return report;
            }
        }
    }
    const std::string list_key = fs.fold_case(kChecksumsName);
    for (const TreeFiles::File& file : found.files)
        if (!file.listed && fs.fold_case(file.path.substr(found.prefix)) != list_key) {
            events.unlisted(file.path);
            ++report.unlisted;
        }
    return report;
}

}  // namespace vorlan
