#pragma once
// The copy of one file, as the tree copy's workers run it. Private to the
// engine: the wizard copies trees, through CopyRun.

#include <cstdint>
#include <string>

#include "copy/sha256.h"
#include "platform/file_system.h"

namespace vorlan {

// The reason of a file whose copy was stopped by CopyRun::abandon.
inline constexpr const char* kAbandoned = "La copia se ha abandonado.";
// The reason of a file whose name reaches a file already at the destination
// that is not its older copy.
inline constexpr const char* kCollision =
    "En el destino ya hay otro archivo que responde a este nombre (Windows lo toma por el mismo: otras mayúsculas "
    "o un nombre corto 8.3); no se sobrescribe.";

// The reason of a file whose bytes, as read, do not give its listed digest.
inline constexpr const char* kNotAsListed =
    "El contenido leído no coincide con SHA256SUMS: el soporte puede estar dañado.";

// What a copy checks beside the bytes.
struct CopyCheck {
    // The digest the source's bytes must give, as they are read; a copy
    // whose bytes do not give it fails, and its new file goes.
    const Sha256Digest* expected = nullptr;
    // An older file at the destination equal to the source stays as it is
    // (`*unchanged`): with `expected`, one of the source's size whose bytes
    // give it; without, one of the source's size and last-write time.
    bool update = false;
};

// How far the copy of one file has got, told to whoever runs it.
class CopyProgress {
public:
    virtual ~CopyProgress() = default;
    // `written` of the file's `size` bytes are in the copy, after each chunk
    // (once, with 0 of 0, for an empty file). False ends the copy as failed:
    // the run is being abandoned. Called on the copying thread.
    virtual bool advanced(std::uint64_t written, std::uint64_t size) = 0;
    // The source being read, and nullptr before it is closed: a run that is
    // abandoned cancels a read the medium does not end. Called on the copying thread.
    virtual void reading(InputFile* source) = 0;
};

// Copies the file `source` to `dest` on the calling thread, in chunks of
// whole 1024-byte blocks. A new file is written provisional (see NewFile) and
// kept once complete; an older file at `dest` is replaced, in one step, only
// by a complete copy written to the disk first, read-only or not; a file that
// only answers to the name (another case, a short name) is never touched.
// `dest_may_exist` false says that no older file can be there (the walk has
// just made its folder), which saves a look per file. On failure `*reason`
// says why and nothing of the copy is left. `*bytes` is what was copied (or
// the size of the file left unchanged). The copy takes its source's last-write time.
bool copy_file(FileSystem& fs, CopyProgress& progress, const std::string& source, const std::string& dest,
               bool dest_may_exist, std::uint64_t* bytes, std::string* reason, const CopyCheck& check = {},
               bool* unchanged = nullptr);

// Whether `name` is one of the temporaries a copy writes beside an older file
// before it replaces it, by this program or by its earlier versions: one
// that a run finds in a folder it wrote was left by an earlier run.
bool is_temporary_name(const std::string& name);

}  // namespace vorlan
