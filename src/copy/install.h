#pragma once
// One data installation, from the count to the grant: the sequence that the
// copy page's "Instalar" and the unattended installation share. What to show
// or log, and whether to go on, is the caller's.

#include <cstdint>
#include <string>
#include <vector>

#include "copy/tree_copy.h"
#include "platform/programs.h"

namespace vorlan {

class InstallEvents : public CopyEvents {
public:
    // Counting begins; it ended with `files` files found.
    virtual void counting() = 0;
    virtual void counted(std::int64_t files) = 0;
    // Whether to copy, knowing whether the destination is already there.
    virtual bool confirm(bool destination_exists) = 0;
    // The copy in progress (so that an end that cannot wait can abandon it),
    // or nullptr once it has returned. When the copy ends by an exception
    // there is no second call: the run is gone once the exception leaves
    // run_install.
    virtual void copying(CopyRun* run) = 0;
    // A grant of the awaited kind, cacls with `arguments`, ended with this exit code.
    virtual void granted(const std::string& /*arguments*/, int /*exit_code*/) {}
};

enum class InstallEnd {
    NotStarted,   // nothing written: no source, overlap, no room, ...
    Declined,     // the confirmation was answered no; nothing written
    Interrupted,  // the walk stopped part-way
    Failed,       // the copy ran and some files were not copied
    NotFinished,  // every file copied, but the attributes or the grant failed
    Succeeded,
};

struct InstallReport {
    InstallEnd end = InstallEnd::NotStarted;
    std::string message;  // what failed and why, for NotStarted, Interrupted and NotFinished
    std::int64_t found = 0, copied = 0;
    std::uint64_t bytes = 0;
    std::vector<Failure> failures;
};

struct InstallRequest {
    Roots roots;
    // Wait for each cacls run and report its exit code, rather than leaving it running.
    bool await_grant = false;
};

InstallReport run_install(FileSystem& fs, Programs& programs, const InstallRequest& request, InstallEvents& events);

// The arguments of the cacls run that grants `group` full control of the tree at `dest`.
std::string grant_arguments(const std::string& dest, const std::string& group);

// The destination counts as there when anything stands at its path, unless it
// is marked hidden or system.
bool destination_exists(FileSystem& fs, const std::string& dest);

}  // namespace vorlan
