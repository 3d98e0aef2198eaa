// The system's own folders, as the shell names them on this computer:
// wherever they were put, in whatever language.

#include <shlobj.h>

#include "win32/system.h"
#include "win32/text.h"

namespace vorlan::win32 {

std::vector<KnownFolder> Win32System::known_folders() {
    using Kind = KnownFolder::Kind;
    const struct {
        const KNOWNFOLDERID& id;
        Kind kind;
    } wanted[] = {
        {FOLDERID_Windows, Kind::Windows},
        {FOLDERID_ProgramFiles, Kind::ProgramFiles},
        {FOLDERID_ProgramFilesX86, Kind::ProgramFiles},
        {FOLDERID_ProgramData, Kind::ProgramData},
        {FOLDERID_UserProfiles, Kind::Users},
        {FOLDERID_Profile, Kind::Profile},
        {FOLDERID_Public, Kind::Profile},
    };
    std::vector<KnownFolder> out;
    for (const auto& w : wanted) {
        PWSTR path = nullptr;
        // A folder this system does not have (no 32-bit programs' folder) is left out.
        if (SUCCEEDED(SHGetKnownFolderPath(w.id, KF_FLAG_DONT_VERIFY, nullptr, &path)) && path)
            out.push_back({w.kind, narrow(path)});
        CoTaskMemFree(path);
    }
    return out;
}

}  // namespace vorlan::win32
