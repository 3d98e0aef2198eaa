#pragma once
// One data installation, from the count to the grant: the sequence that the
// copy page's "Instalar" and the unattended installation share. What to show
// or log, and whether to go on, is the caller's.

#include <cstdint>
#include <string>
#include <vector>

#include "copy/tree_copy.h"
#include "platform/system.h"

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
    // The grant of full control to all users begins; it ended with `entries`
    // entries granted (see InstallReport for those it could not grant).
    virtual void granting() {}
    virtual void granted(std::int64_t /*entries*/) {}
};

enum class InstallEnd {
    NotStarted,   // nothing written: no source, a refused destination, overlap, no room, ...
    Declined,     // the confirmation was answered no; nothing written
    Interrupted,  // the walk stopped part-way
    Failed,       // the copy ran and some files were not copied
    NotFinished,  // every file copied, but the attributes or the grant failed, or some entries were not granted
    Succeeded,
};

struct InstallReport {
    InstallEnd end = InstallEnd::NotStarted;
    std::string message;  // what failed and why, for NotStarted, Interrupted and NotFinished
    std::int64_t found = 0, copied = 0;
    std::int64_t unchanged = 0;  // of those copied, left as they were by an update
    std::uint64_t bytes = 0;
    std::vector<Failure> failures;
    std::int64_t granted = 0;          // entries that all users now have full control of
    std::vector<Failure> not_granted;  // entries of the destination that they have not, and why
};

struct InstallRequest {
    Roots roots;
    // The system's folders, which the destination may not be nor hold.
    std::vector<KnownFolder> known_folders;
    // Files of the destination already as they are on the medium stay (see CopyOptions::update).
    bool update = false;
};

InstallReport run_install(FileSystem& fs, const InstallRequest& request, InstallEvents& events);

// The destination counts as there when anything stands at its path, hidden or not.
bool destination_exists(FileSystem& fs, const std::string& dest);

}  // namespace vorlan
