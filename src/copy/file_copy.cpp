#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "copy/copy.h"
#include "copy/walk.h"

namespace vorlan {

namespace {

// The bar moves and the window yields once per logical block of 1024 bytes,
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

// Reads exactly `n` bytes. Running out early means the source shrank after
// its length was taken; padding or a short copy would pass for a complete one.
bool read_exactly(InputFile& in, char* buf, std::size_t n) {
    std::string err;
    while (n > 0) {
        std::size_t got = 0;
        if (!in.read(buf, n, &got, &err) || got == 0) return false;
        buf += got;
        n -= got;
    }
    return true;
}

// Everything after both files are open.
bool copy_contents(App& app, InputFile& in, OutputFile& out) {
    const std::uint64_t size = in.size();
    std::string err;
    if (size == 0) {
        app.form.yield();  // the one empty block
    } else {
        const std::size_t capacity = static_cast<std::size_t>(std::min<std::uint64_t>(size, kChunk));
        const Buffer buffer = page_aligned(capacity);
        const double whole = static_cast<double>(size);
        for (std::uint64_t written = 0; written < size;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - written));
            if (!read_exactly(in, buffer.get(), n)) return false;
            if (!out.write(buffer.get(), n, &err)) return false;
            for (std::size_t done = 0; done < n;) {
                done += std::min(kBlock, n - done);
                const double remaining = static_cast<double>(size - written - done);
                app.form.set_progress(ProgressBar, 100.0 - std::floor(remaining * 100.0 / whole));
                app.form.yield();
            }
            written += n;
        }
    }
    // A source that grew has changed under the copy just as one that shrank:
    // what was copied is no file that ever existed whole, so it fails too.
    char probe = 0;
    std::size_t got = 0;
    if (!in.read(&probe, 1, &got, &err) || got != 0) return false;
    return out.close(&err);
}

bool copy_file(App& app, const std::string& Src, const std::string& Dst, bool dst_may_exist) {
    // Deleting the destination first would delete the source itself.
    if (path_within(Dst, Src)) return false;
    std::string err;
    // The source is opened before the destination is touched, so that a source
    // that cannot be read never costs the file already at the destination.
    std::unique_ptr<InputFile> in = app.fs.open_read(Src, &err);
    if (!in) return false;
    std::uint32_t attrs = 0;
    if (dst_may_exist && app.fs.attributes(Dst, &attrs)) {
        if (attrs & ATTR_DIRECTORY) return false;
        if (!app.fs.remove_file(Dst, &err)) return false;
    }
    std::unique_ptr<OutputFile> out = app.fs.create(Dst, &err);
    if (!out) return false;
    if (copy_contents(app, *in, *out)) return true;
    // No truncated file may stay under the real name, where it would pass for the data.
    in.reset();
    out->close(&err);
    out.reset();
    app.fs.remove_file(Dst, &err);
    return false;
}

}  // namespace

bool CopyFile(App& app, const std::string& Src, const std::string& Dst) {
    const bool ok = copy_file(app, Src, Dst, true);
    app.form.set_progress(ProgressBar, 0);
    return ok;
}

bool CopyFileIntoNewFolder(App& app, const std::string& Src, const std::string& Dst) {
    const bool ok = copy_file(app, Src, Dst, false);
    app.form.set_progress(ProgressBar, 0);
    return ok;
}

}  // namespace vorlan
