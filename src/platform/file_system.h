#pragma once
// The file system as the core sees it: Windows paths in UTF-8, Windows rules.
// The Win32 implementation uses the wide-character API; tests use an in-memory one.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorlan {

// Attribute bits, with the platform's values.
enum : std::uint32_t {
    ATTR_READONLY = 0x01,
    ATTR_HIDDEN = 0x02,
    ATTR_SYSTEM = 0x04,
    ATTR_DIRECTORY = 0x10,
    ATTR_ARCHIVE = 0x20,
    ATTR_NORMAL = 0x80,
    ATTR_REPARSE_POINT = 0x400,  // a junction, a symbolic link or a mount point
};

struct Entry {
    std::string name;
    bool is_folder = false;
    std::uint64_t size = 0;  // files only
    std::uint32_t attributes = 0;
    std::uint64_t last_write = 0;  // files only: 100 ns ticks since 1601 (a FILETIME); 0 when unknown
};

class InputFile {
public:
    virtual ~InputFile() = default;
    virtual std::uint64_t size() const = 0;
    // When the file was last written (as Entry::last_write).
    virtual std::uint64_t last_write() const = 0;
    // Reads up to `n` bytes at the current position; `*got` is 0 only at the end.
    virtual bool read(void* buf, std::size_t n, std::size_t* got, std::string* err) = 0;
    // Ends a read in progress on another thread, and every later one, as
    // failed: a medium that went away may hold a read for minutes. Called from
    // any thread while the stream is in use.
    virtual void cancel() = 0;
};

class OutputFile {
public:
    virtual ~OutputFile() = default;
    // Writes all `n` bytes or fails.
    virtual bool write(const void* buf, std::size_t n, std::string* err) = 0;
    // Flushes and closes; a failure here means the file is not complete.
    virtual bool close(std::string* err) = 0;
};

// A new file the copy writes. It is provisional until kept: should the stream
// go without keep() or keep_as(), or the process end in any way first (a
// kill, a crash, the end of the session), the file is removed, by the system
// when the process no longer can. Nobody else can open it meanwhile.
class NewFile {
public:
    virtual ~NewFile() = default;  // removes a file that was not kept
    // Writes all `n` bytes or fails.
    virtual bool write(const void* buf, std::size_t n, std::string* err) = 0;
    // Has the system write what it holds of the file to the disk.
    virtual bool flush(std::string* err) = 0;
    // Gives the file the last-write time `time` (as Entry::last_write), after
    // its last write: the copy keeps its source's, as the system's own copy does.
    virtual bool set_last_write(std::uint64_t time, std::string* err) = 0;
    // The file is complete: it stays under its name, closed. On failure it is gone.
    virtual bool keep(std::string* err) = 0;
    // The file is complete: it takes the place of the file at `older`, in one
    // step, and stays there, closed. On failure `older` is as it was (a
    // read-only or open file is refused) and the new file is gone.
    virtual bool keep_as(const std::string& older, std::string* err) = 0;
};

// What the copy needs to know of the volume that holds a folder.
struct Volume {
    std::uint64_t free = 0;     // bytes this user may still write
    std::uint32_t cluster = 0;  // the unit a file takes room in; 0 when unknown
    std::string file_system;    // as the system names it: "NTFS", "FAT32", "exFAT", ...
};

// What holds a volume, as far as the system tells: what reading several
// files at once costs there.
enum class Device {
    Unknown,        // the system does not say
    Optical,        // a CD or DVD drive: its head travels between files
    SeekPenalty,    // a disk that the system says seeks (a spinning one)
    NoSeekPenalty,  // one that does not (flash, a solid-state or virtual disk)
    Network,        // a share on another computer
};

// Which entry of which volume a path reaches: any two spellings of one
// folder (other case, a short 8.3 name, a link to it) give the same.
struct FileId {
    std::uint64_t volume = 0, high = 0, low = 0;
    bool operator==(const FileId&) const = default;
};

// What an entry is held for: a file or a folder to change, or a folder above
// those, only looked at (and kept where it is).
enum class Hold { File, Folder, Above };

// What the handle of a held entry shows of it.
struct HeldFacts {
    bool is_folder = false;
    bool is_link = false;     // a junction, a symbolic link or a mount point itself
    std::uint32_t names = 1;  // of a file: its hard links, this name among them
};

// An entry opened as itself (a link is never followed), for a change that
// must reach exactly what was looked at: the look and the change go through
// this one handle, so nothing can be put in the entry's place between them.
// While a folder is held, nobody can rename, move or delete it, so its path,
// and the paths of what is in it, keep leading through it.
class HeldEntry {
public:
    virtual ~HeldEntry() = default;
    virtual const HeldFacts& facts() const = 0;
    // The entries directly in the held folder, listed through its handle
    // ("." and ".." left out).
    virtual bool list(std::vector<Entry>* out, std::string* err) = 0;
    // Adds full control for all users (the well-known group, whatever the
    // system's language calls it) to the entry's access list, keeping every
    // other entry of the list; on a folder, inherited by what is made in it
    // later. Nothing else changes: not what the folder already holds. Not
    // for an entry held as Above.
    virtual bool grant_all_users(std::string* err) = 0;
};

// Called from several threads at once. While a tree is copied, its workers
// (up to four threads) call open_read, lookup, create_new, set_attributes and
// fold_case, and use the streams these give, while the caller's thread walks
// the tree with list, lookup, attributes, remove_file, make_folders and
// fold_case. An implementation must take such calls at the same time, on any
// paths, with no state shared between calls that is not guarded, and give
// each call its own error text. A stream is used and destroyed on the thread
// that opened it (InputFile::cancel alone comes from another). The copy never
// has two threads writing one path: the other calls (create, volume, device,
// read_ansi_text) come from the caller's thread alone.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The entries directly in a folder, files and folders, in the order the
    // file system yields them ("." and ".." left out).
    virtual bool list(const std::string& folder, std::vector<Entry>* out, std::string* err) = 0;

    // Attributes of whatever stands at `path` (ATTR_DIRECTORY for a folder);
    // false when nothing does.
    virtual bool attributes(const std::string& path, std::uint32_t* attrs) = 0;
    virtual bool set_attributes(const std::string& path, std::uint32_t attrs, std::string* err) = 0;

    // Deletes a file (never a folder). Fails on a read-only file or one in use.
    virtual bool remove_file(const std::string& path, std::string* err) = 0;

    // Opens a file for reading, sharing reading with other programs.
    virtual std::unique_ptr<InputFile> open_read(const std::string& path, std::string* err) = 0;
    // Creates an empty file for writing, or empties the one already there (the
    // unattended run's log); its folder must exist.
    virtual std::unique_ptr<OutputFile> create(const std::string& path, std::string* err) = 0;

    // Creates every missing folder of `path` up to its last "\".
    virtual bool make_folders(const std::string& path, std::string* err) = 0;

    // Reads a text file, decoding its bytes with the system's ANSI code page
    // (as Windows-1252 where that page is UTF-8 and the bytes are not UTF-8).
    // A file longer than `most` bytes is read only so far, back to the end of
    // its last whole line there, and `*cut` says so.
    virtual bool read_ansi_text(const std::string& path, std::size_t most, std::string* utf8, bool* cut,
                                std::string* err) = 0;

    // The entry at `path` as its folder lists it: its name is the one stored,
    // which is not the last step of `path` when that is another name for it
    // (a short 8.3 name, say). False when nothing is there.
    virtual bool lookup(const std::string& path, Entry* entry) = 0;

    // Creates a new file at `path` for the copy, provisional until kept (see
    // NewFile); its folder must exist. It never opens a file already there,
    // whatever name reaches it (another case, a short name): `*exists` is then
    // true, and that file is left as it was.
    virtual std::unique_ptr<NewFile> create_new(const std::string& path, bool* exists, std::string* err) = 0;

    // `text` as this file system compares names: two names of one folder
    // name the same entry when they give the same text (on Windows, letter by
    // letter as the system's own ordinal case-insensitive comparison takes it).
    virtual std::string fold_case(const std::string& text) = 0;

    // The volume that holds `path` (which need not exist yet: its nearest
    // existing folder decides).
    virtual bool volume(const std::string& path, Volume* out, std::string* err) = 0;
    // What holds the volume of `path`.
    virtual Device device(const std::string& path) = 0;

    // Holds the entry at `path` itself; a folder so that it can be listed and
    // stays where it is. The grant calls it from several threads at once, and
    // uses each held entry on the thread that held it.
    virtual std::unique_ptr<HeldEntry> hold(const std::string& path, Hold as, std::string* err) = 0;

    // Which entry `path` reaches, links followed; false when it reaches none.
    // From the caller's thread alone.
    virtual bool identify(const std::string& path, FileId* id) = 0;
};

}  // namespace vorlan
