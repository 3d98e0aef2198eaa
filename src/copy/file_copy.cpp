#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "copy/engine.h"
#include "copy/walk.h"

namespace vorlan {

namespace {

// The bar moves and the caller yields once per logical block of 1024 bytes,
// but the bytes travel in chunks of whole blocks: one read and one write per
// 64 KiB instead of per KiB. Measured under Wine on Linux: writes of 128 KiB
// and more ran two to four times slower whenever the file cache had to find
// room for them in certain ways, and smaller ones only add calls. The yields
// of a chunk come after its write, so the window never waits long either.
constexpr std::size_t kBlock = 1024;
constexpr std::size_t kChunk = 64 * kBlock;

// The buffer starts on a page boundary, as the file cache's pages do: a heap
// block may start 16 bytes past one, and from there the system's copy into
// the file cache took twice as long on the machine the benchmark ran on.
constexpr std::align_val_t kBufferAlignment{4096};
struct AlignedDelete {
    void operator()(char* p) const { ::operator delete[](p, kBufferAlignment); }
};
using Buffer = std::unique_ptr<char[], AlignedDelete>;
Buffer page_aligned(std::size_t n) { return Buffer(static_cast<char*>(::operator new[](n, kBufferAlignment))); }

const char* const kChanged = "El archivo de origen ha cambiado durante la copia.";

// Reads exactly `n` bytes. Running out early means the source shrank after
// its length was taken; padding or a short copy would pass for a complete one.
bool read_exactly(InputFile& in, char* buf, std::size_t n, std::string* reason) {
    while (n > 0) {
        std::size_t got = 0;
        if (!in.read(buf, n, &got, reason)) return false;
        if (got == 0) {
            *reason = kChanged;
            return false;
        }
        buf += got;
        n -= got;
    }
    return true;
}

// Everything after both files are open.
bool copy_contents(CopyRun& run, InputFile& in, OutputFile& out, std::string* reason) {
    const std::uint64_t size = in.size();
    if (size == 0) {
        run.events.yield();  // the one empty block
    } else {
        const std::size_t capacity = static_cast<std::size_t>(std::min<std::uint64_t>(size, kChunk));
        const Buffer buffer = page_aligned(capacity);
        const double whole = static_cast<double>(size);
        for (std::uint64_t written = 0; written < size;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - written));
            if (!read_exactly(in, buffer.get(), n, reason)) return false;
            if (!out.write(buffer.get(), n, reason)) return false;
            for (std::size_t done = 0; done < n;) {
                done += std::min(kBlock, n - done);
                const double remaining = static_cast<double>(size - written - done);
                run.events.file_progress(100.0 - std::floor(remaining * 100.0 / whole));
                run.events.yield();
            }
            written += n;
        }
    }
    // A source that grew has changed under the copy just as one that shrank:
    // what was copied is no file that ever existed whole, so it fails too.
    char probe = 0;
    std::size_t got = 0;
    if (!in.read(&probe, 1, &got, reason)) return false;
    if (got != 0) {
        *reason = kChanged;
        return false;
    }
    if (!out.close(reason)) return false;
    run.bytes += size;
    return true;
}

// A name beside `path` that nothing stands at, for the copy that replaces it.
std::string temporary_beside(FileSystem& fs, const std::string& path) {
    const std::size_t slash = path.rfind('\\');
    const std::string folder = path.substr(0, slash + 1);
    for (int n = 0;; ++n) {
        std::string candidate = folder + "~vorlan" + (n ? std::to_string(n) : "") + ".tmp";
        std::uint32_t attrs = 0;
        if (!fs.attributes(candidate, &attrs)) return candidate;
    }
}

// Writes the copy to `target`. A copy that fails part-way is closed and
// removed: no truncated file may stay, where it would pass for the data.
bool write_copy(CopyRun& run, InputFile& in, const std::string& target, std::string* reason) {
    std::unique_ptr<OutputFile> out = run.fs.create(target, reason);
    if (!out) return false;
    run.writing = {target, out.get()};
    const bool ok = copy_contents(run, in, *out, reason);
    run.writing = {};
    if (ok) return true;
    std::string ignored;
    out->close(&ignored);
    run.fs.remove_file(target, &ignored);
    return false;
}

}  // namespace

namespace {

bool copy_or_replace(CopyRun& run, const std::string& Src, const std::string& Dst, bool dst_may_exist,
                     std::string* reason) {
    // Writing the destination would overwrite the source itself.
    if (path_within(Dst, Src)) {
        *reason = "El destino es el propio archivo de origen.";
        return false;
    }
    // The source is opened before the destination is touched, so that a source
    // that cannot be read never costs the file already at the destination.
    std::unique_ptr<InputFile> in = run.fs.open_read(Src, reason);
    if (!in) return false;
    std::uint32_t attrs = 0;
    if (!dst_may_exist || !run.fs.attributes(Dst, &attrs)) return write_copy(run, *in, Dst, reason);
    if (attrs & ATTR_DIRECTORY) {
        *reason = "En el destino hay una carpeta con el mismo nombre.";
        return false;
    }
    // The older file stays until the new one is complete: a copy that fails
    // (a full disk, a source that cannot be read to the end) must not leave
    // the user with neither.
    const std::string temporary = temporary_beside(run.fs, Dst);
    if (!write_copy(run, *in, temporary, reason)) return false;
    if (run.fs.replace(temporary, Dst, reason)) return true;
    std::string ignored;
    run.fs.remove_file(temporary, &ignored);
    return false;
}

}  // namespace

bool copy_one(CopyRun& run, const std::string& Src, const std::string& Dst, bool dst_may_exist,
              std::string* reason) {
    const bool ok = copy_or_replace(run, Src, Dst, dst_may_exist, reason);
    run.events.file_progress(0);
    return ok;
}

bool CopyOneFile(CopyRun& run, const std::string& Src, const std::string& Dst, std::string* reason) {
    return copy_one(run, Src, Dst, true, reason);
}

CopyRun::CopyRun(FileSystem& file_system, CopyEvents& copy_events, Roots copy_roots)
    : fs(file_system), events(copy_events), roots(std::move(copy_roots)) {}

void CopyRun::abandon() {
    if (!writing.file) return;
    std::string ignored;
    writing.file->close(&ignored);
    fs.remove_file(writing.path, &ignored);
    writing = {};
}

}  // namespace vorlan
