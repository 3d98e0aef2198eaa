#include "copy/file_copy.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>

#include "copy/paths.h"

namespace vorlan {

namespace {

// The copy counts in logical blocks of 1024 bytes, but the bytes travel in
// chunks of whole blocks: one read and one write per 64 KiB instead of per
// KiB. Measured under Wine on Linux: writes of 128 KiB and more ran two to
// four times slower whenever the file cache had to find room for them in
// certain ways, and smaller ones only add calls.
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
bool copy_contents(CopyProgress& progress, InputFile& in, OutputFile& out, std::uint64_t* bytes, std::string* reason) {
    const std::uint64_t size = in.size();
    if (size == 0 && !progress.advanced(0, 0)) {
        *reason = kAbandoned;
        return false;
    }
    if (size > 0) {
        const std::size_t capacity = static_cast<std::size_t>(std::min<std::uint64_t>(size, kChunk));
        const Buffer buffer = page_aligned(capacity);
        for (std::uint64_t written = 0; written < size;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - written));
            if (!read_exactly(in, buffer.get(), n, reason)) return false;
            if (!out.write(buffer.get(), n, reason)) return false;
            written += n;
            if (!progress.advanced(written, size)) {
                *reason = kAbandoned;
                return false;
            }
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
    *bytes = size;
    return true;
}

// Creates the file for the copy that replaces `path`, under a name beside it
// that nothing stands at. Files of one folder may be replaced at the same
// time: the name is chosen and taken under one lock, or two copies could
// write into one temporary.
std::unique_ptr<OutputFile> create_temporary_beside(FileSystem& fs, const std::string& path, std::string* temporary,
                                                    std::string* reason) {
    static std::mutex naming;
    const std::lock_guard<std::mutex> lock(naming);
    const std::string folder = path.substr(0, path.rfind('\\') + 1);
    for (int n = 0;; ++n) {
        *temporary = folder + "~vorlan" + (n ? std::to_string(n) : "") + ".tmp";
        std::uint32_t attrs = 0;
        if (!fs.attributes(*temporary, &attrs)) return fs.create(*temporary, reason);
    }
}

// Writes the copy into `out`, made at `target`. A copy that fails part-way is
// closed and removed: no truncated file may stay, where it would pass for the data.
bool write_copy(FileSystem& fs, CopyProgress& progress, InputFile& in, std::unique_ptr<OutputFile> out,
                const std::string& target, std::uint64_t* bytes, std::string* reason) {
    if (!out) return false;
    if (copy_contents(progress, in, *out, bytes, reason)) return true;
    std::string ignored;
    out->close(&ignored);
    fs.remove_file(target, &ignored);
    return false;
}

}  // namespace

bool copy_file(FileSystem& fs, CopyProgress& progress, const std::string& source, const std::string& dest,
               bool dest_may_exist, std::uint64_t* bytes, std::string* reason) {
    // Writing the destination would overwrite the source itself.
    if (path_within(dest, source)) {
        *reason = "El destino es el propio archivo de origen.";
        return false;
    }
    // The source is opened before the destination is touched, so that a source
    // that cannot be read never costs the file already at the destination.
    std::unique_ptr<InputFile> in = fs.open_read(source, reason);
    if (!in) return false;
    std::uint32_t attrs = 0;
    if (!dest_may_exist || !fs.attributes(dest, &attrs))
        return write_copy(fs, progress, *in, fs.create(dest, reason), dest, bytes, reason);
    if (attrs & ATTR_DIRECTORY) {
        *reason = "En el destino hay una carpeta con el mismo nombre.";
        return false;
    }
    // The older file stays until the new one is complete: a copy that fails
    // (a full disk, a source that cannot be read to the end) must not leave
    // the user with neither.
    std::string temporary;
    std::unique_ptr<OutputFile> out = create_temporary_beside(fs, dest, &temporary, reason);
    if (!write_copy(fs, progress, *in, std::move(out), temporary, bytes, reason)) return false;
    if (fs.replace(temporary, dest, reason)) return true;
    std::string ignored;
    fs.remove_file(temporary, &ignored);
    *bytes = 0;
    return false;
}

}  // namespace vorlan
