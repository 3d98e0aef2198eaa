#pragma once
// The copy of one file, as the tree copy's workers run it. Private to the
// engine: the wizard copies trees, through CopyRun.

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace vorlan {

// The reason of a file whose copy was stopped by CopyRun::abandon.
inline constexpr const char* kAbandoned = "La copia se ha abandonado.";
// The reason of a file whose name reaches a file already at the destination
// that is not its older copy.
inline constexpr const char* kCollision =
    "En el destino ya hay otro archivo que responde a este nombre (Windows lo toma por el mismo: otras mayúsculas "
    "o un nombre corto 8.3); no se sobrescribe.";

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
// says why and nothing of the copy is left. `*bytes` is what was copied.
bool copy_file(FileSystem& fs, CopyProgress& progress, const std::string& source, const std::string& dest,
               bool dest_may_exist, std::uint64_t* bytes, std::string* reason);

// Whether `name` is one of the temporaries a copy writes beside an older file
// before it replaces it, by this program or by its earlier versions: one
// that a run finds in a folder it wrote was left by an earlier run.
bool is_temporary_name(const std::string& name);

}  // namespace vorlan
