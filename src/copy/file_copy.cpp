#include "copy/file_copy.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <optional>

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

// Everything after both files are open: the bytes, hashed as they go by
// when a digest is expected, a last look that the source has not grown, the
// source's last-write time. The file is not kept yet.
bool copy_contents(CopyProgress& progress, InputFile& in, NewFile& out, const Sha256Digest* expected,
                   std::uint64_t* size, std::string* reason) {
    std::optional<Sha256> hash;
    if (expected) hash.emplace();
    *size = in.size();
    if (*size == 0 && !progress.advanced(0, 0)) {
        *reason = kAbandoned;
        return false;
    }
    if (*size > 0) {
        const std::size_t capacity = static_cast<std::size_t>(std::min<std::uint64_t>(*size, kChunk));
        const Buffer buffer = page_aligned(capacity);
        for (std::uint64_t written = 0; written < *size;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, *size - written));
            if (!read_exactly(in, buffer.get(), n, reason)) return false;
            if (hash) hash->update(buffer.get(), n);
            if (!out.write(buffer.get(), n, reason)) return false;
            written += n;
            if (!progress.advanced(written, *size)) {
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
    if (hash && hash->finish() != *expected) {
        *reason = kNotAsListed;
        return false;
    }
    return out.set_last_write(in.last_write(), reason);
}

// Whether the file at `dest`, of `size` bytes, gives `expected`. Read as a
// copy reads, told as a copy's progress: a run being abandoned stops it.
bool gives_digest(FileSystem& fs, CopyProgress& progress, const std::string& dest, std::uint64_t size,
                  const Sha256Digest& expected) {
    std::string ignored;
    const std::unique_ptr<InputFile> in = fs.open_read(dest, &ignored);
    if (!in || in->size() != size) return false;
    const std::size_t capacity =
        static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::uint64_t>(size, 1), kChunk));
    const Buffer buffer = page_aligned(capacity);
    Sha256 hash;
    for (std::uint64_t done = 0; done < size;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, size - done));
        if (!read_exactly(*in, buffer.get(), n, &ignored)) return false;
        hash.update(buffer.get(), n);
        done += n;
        if (!progress.advanced(done, size)) return false;
    }
    return hash.finish() == expected;
}

// Whether the older file `older` at `dest` already is the source's copy.
bool unchanged_copy(FileSystem& fs, CopyProgress& progress, InputFile& in, const std::string& dest, const Entry& older,
                    const CopyCheck& check) {
    if (!check.update || older.size != in.size()) return false;
    if (check.expected) return gives_digest(fs, progress, dest, older.size, *check.expected);
    return older.last_write != 0 && older.last_write == in.last_write();
}

// Tells whoever runs the copy which source is being read, while it is open.
class Reading {
public:
    Reading(CopyProgress& progress, InputFile* source) : progress_(progress) { progress_.reading(source); }
    ~Reading() { progress_.reading(nullptr); }
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

private:
    CopyProgress& progress_;
};

// Temporaries are numbered anew for every file, so that no two copies ever
// try one name; a name left by an earlier run is passed over. The ";" keeps
// them apart from the media's files: a CD's names (Joliet) cannot hold one.
// Nor can a short 8.3 name, so creating one never reaches another file.
constexpr const char* kTemporaryStart = "~vorlan;";
constexpr const char* kTemporaryEnd = ".tmp";
std::atomic<unsigned> temporaries{0};

// Creates the file for the copy that replaces `path`, beside it.
std::unique_ptr<NewFile> create_temporary_beside(FileSystem& fs, const std::string& path, std::string* reason) {
    const std::string folder = path.substr(0, path.rfind('\\') + 1);
    for (int tries = 0; tries < 100; ++tries) {
        bool exists = false;
        std::unique_ptr<NewFile> out =
            fs.create_new(folder + kTemporaryStart + std::to_string(++temporaries) + kTemporaryEnd, &exists, reason);
        if (out || !exists) return out;
    }
    return nullptr;
}

std::string last_step(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

// The attributes an older file can be given back.
constexpr std::uint32_t kSettable = ATTR_READONLY | ATTR_HIDDEN | ATTR_SYSTEM | ATTR_ARCHIVE;

// Puts the complete copy in `out` in the place of the older file `older` at `dest`.
bool replace_older(FileSystem& fs, NewFile& out, const std::string& dest, const Entry& older, std::string* reason) {
    // A power cut soon after the replace must not leave neither version whole.
    if (!out.flush(reason)) return false;
    // Overwriting the destination was confirmed: a read-only older file is no
    // exception. It stays read-only should the replace fail.
    const bool read_only = (older.attributes & ATTR_READONLY) != 0;
    if (read_only && !fs.set_attributes(dest, older.attributes & kSettable & ~std::uint32_t{ATTR_READONLY}, reason))
        return false;
    if (out.keep_as(dest, reason)) return true;
    std::string ignored;
    if (read_only) fs.set_attributes(dest, older.attributes & kSettable, &ignored);
    return false;
}

}  // namespace

bool copy_file(FileSystem& fs, CopyProgress& progress, const std::string& source, const std::string& dest,
               bool dest_may_exist, std::uint64_t* bytes, std::string* reason, const CopyCheck& check,
               bool* unchanged) {
    *bytes = 0;
    if (unchanged) *unchanged = false;
    // Writing the destination would overwrite the source itself.
    if (path_within(fs, dest, source)) {
        *reason = "El destino es el propio archivo de origen.";
        return false;
    }
    // The source is opened before the destination is touched, so that a source
    // that cannot be read never costs the file already at the destination.
    const std::unique_ptr<InputFile> in = fs.open_read(source, reason);
    if (!in) return false;
    const Reading reading(progress, in.get());
    std::uint64_t size = 0;
    Entry older;
    if (!dest_may_exist || !fs.lookup(dest, &older)) {
        bool exists = false;
        const std::unique_ptr<NewFile> out = fs.create_new(dest, &exists, reason);
        if (!out && exists) *reason = kCollision;
        if (!out || !copy_contents(progress, *in, *out, check.expected, &size, reason) || !out->keep(reason))
            return false;
        *bytes = size;
        return true;
    }
    if (older.is_folder) {
        *reason = "En el destino hay una carpeta con el mismo nombre.";
        return false;
    }
    // Another file that only answers to this name (by its short name) is not
    // the older copy of this one.
    if (fs.fold_case(older.name) != fs.fold_case(last_step(dest))) {
        *reason = kCollision;
        return false;
    }
    if (unchanged_copy(fs, progress, *in, dest, older, check)) {
        if (unchanged) *unchanged = true;
        *bytes = older.size;
        return true;
    }
    // The older file stays until the new one is complete: a copy that fails
    // (a full disk, a source that cannot be read to the end) must not leave
    // the user with neither.
    const std::unique_ptr<NewFile> out = create_temporary_beside(fs, dest, reason);
    if (!out || !copy_contents(progress, *in, *out, check.expected, &size, reason) ||
        !replace_older(fs, *out, dest, older, reason))
        return false;
    *bytes = size;
    return true;
}

bool is_temporary_name(const std::string& name) {
    const std::string start = "~vorlan", end = kTemporaryEnd;
    if (name.size() < start.size() + end.size() || name.compare(0, start.size(), start) != 0 ||
        name.compare(name.size() - end.size(), end.size(), end) != 0)
        return false;
    // "~vorlan;12.tmp", and the earlier versions' "~vorlan.tmp" and "~vorlan12.tmp".
    std::string middle = name.substr(start.size(), name.size() - start.size() - end.size());
    if (!middle.empty() && middle[0] == ';') {
        middle.erase(0, 1);
        if (middle.empty()) return false;
    }
    return middle.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace vorlan
