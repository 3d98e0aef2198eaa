// The file system's entries held as themselves, and the grant through their
// handles; the identity of what a path reaches.

#include <windows.h>

#include <aclapi.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "win32/file_system.h"
#include "win32/handle.h"
#include "win32/long_path.h"
#include "win32/text.h"

namespace vorlan::win32 {

namespace {

bool fail(std::string* err, DWORD code = GetLastError()) {
    *err = error_text(code);
    return false;
}

class Win32HeldEntry : public HeldEntry {
public:
    Win32HeldEntry(UniqueHandle handle, HeldFacts facts, bool access_lists)
        : handle_(std::move(handle)), facts_(facts), access_lists_(access_lists) {}

    const HeldFacts& facts() const override { return facts_; }

    bool list(std::vector<Entry>* out, std::string* err) override {
        out->clear();
        std::vector<std::uint64_t> buffer(8192);  // 64 KiB of entries a call, aligned as the records want
        FILE_INFO_BY_HANDLE_CLASS kind = FileFullDirectoryRestartInfo;
        for (;;) {
            if (!GetFileInformationByHandleEx(handle_.get(), kind, buffer.data(),
                                              static_cast<DWORD>(buffer.size() * sizeof buffer[0]))) {
                const DWORD code = GetLastError();
                // A volume's root has no "." nor "..", and may have nothing at all.
                const bool none = code == ERROR_NO_MORE_FILES ||
                                  (kind == FileFullDirectoryRestartInfo && code == ERROR_FILE_NOT_FOUND);
                return none || fail(err, code);
            }
            kind = FileFullDirectoryInfo;
            const char* at = reinterpret_cast<const char*>(buffer.data());
            for (;;) {
                const auto* record = reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
                const std::wstring_view name(record->FileName, record->FileNameLength / sizeof(wchar_t));
                if (name != L"." && name != L"..") {
                    Entry e;
                    e.name = narrow(name.data(), name.size());
                    e.attributes = record->FileAttributes;
                    e.is_folder = (record->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
                    if (!e.is_folder) e.size = static_cast<std::uint64_t>(record->EndOfFile.QuadPart);
                    out->push_back(std::move(e));
                }
                if (record->NextEntryOffset == 0) break;
                at += record->NextEntryOffset;
            }
        }
    }

    // GetKernelObjectSecurity reads the list, into a buffer that holds any
    // usual one: GetSecurityInfo would ask the system twice, for the size and
    // then for the list, and under Wine each ask is a round trip through the
    // Wine server, which the grant makes for every entry of the tree.
    // SetEntriesInAclW adds the entry as cacls /E /G does (merged with the
    // group's allowed rights, the other entries kept, explicit ones before
    // inherited ones); SetKernelObjectSecurity writes it through this handle
    // and changes nothing else. SetSecurityInfo and SetNamedSecurityInfo
    // would also carry the new inheritable entry into everything already
    // below the folder, by name, in a walk of their own that looks at no link
    // and no hard link: the walk of the caller decides what is granted.
    bool grant_all_users(std::string* err) override {
        // A volume without access lists (FAT, exFAT) lets every user do everything already.
        if (!access_lists_) return true;
        std::vector<std::uint64_t> buffer(512);  // 4 KiB, aligned as a descriptor wants
        DWORD needed = 0;
        while (!GetKernelObjectSecurity(handle_.get(), DACL_SECURITY_INFORMATION, buffer.data(),
                                        static_cast<DWORD>(buffer.size() * sizeof buffer[0]), &needed)) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size() * sizeof buffer[0])
                return fail(err);
            buffer.resize((needed + sizeof buffer[0] - 1) / sizeof buffer[0]);
        }
        const PSECURITY_DESCRIPTOR raw = buffer.data();
        BOOL present = FALSE, defaulted = FALSE;
        PACL old_list = nullptr;
        if (!GetSecurityDescriptorDacl(raw, &present, &old_list, &defaulted)) return fail(err);
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        if (!GetSecurityDescriptorControl(raw, &control, &revision)) return fail(err);
        // No list at all lets everyone do everything; a list of one entry would be less.
        if (!present || !(control & SE_DACL_PRESENT) || !old_list) return true;

        BYTE everyone[SECURITY_MAX_SID_SIZE];
        DWORD sid_size = sizeof everyone;
        if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sid_size)) return fail(err);
        EXPLICIT_ACCESSW access = {};
        access.grfAccessPermissions = FILE_ALL_ACCESS;
        access.grfAccessMode = GRANT_ACCESS;
        access.grfInheritance = facts_.is_folder ? SUB_CONTAINERS_AND_OBJECTS_INHERIT : NO_INHERITANCE;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        access.Trustee.ptstrName = reinterpret_cast<LPWSTR>(everyone);
        PACL merged = nullptr;
        const DWORD code = SetEntriesInAclW(1, &access, old_list, &merged);
        if (code != ERROR_SUCCESS) return fail(err, code);
        const UniqueLocal<PACL> new_list(merged);

        SECURITY_DESCRIPTOR descriptor;
        if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
            !SetSecurityDescriptorDacl(&descriptor, TRUE, merged, FALSE))
            return fail(err);
        // Written as it was read but for the new entry: a list that inherits
        // keeps its inherited entries marked so, a protected one stays protected.
        const SECURITY_DESCRIPTOR_CONTROL kept = SE_DACL_AUTO_INHERITED | SE_DACL_PROTECTED;
        if (!SetSecurityDescriptorControl(&descriptor, kept, control & kept)) return fail(err);
        if (!SetKernelObjectSecurity(handle_.get(), DACL_SECURITY_INFORMATION, &descriptor)) return fail(err);
        return true;
    }

private:
    UniqueHandle handle_;
    HeldFacts facts_;
    bool access_lists_;  // whether its volume keeps any
};

}  // namespace

std::unique_ptr<HeldEntry> Win32FileSystem::hold(const std::string& path, Hold as, std::string* err) {
    // A folder is opened for listing, which is data access: only a handle
    // with data access takes part in sharing, and only then does its sharing,
    // without FILE_SHARE_DELETE, keep others from renaming, moving or
    // deleting the folder while it is held. A file shares everything: it is
    // looked at and changed through this handle whatever its name does.
    DWORD access = FILE_READ_ATTRIBUTES;
    if (as != Hold::Above) access |= READ_CONTROL | WRITE_DAC;
    if (as != Hold::File) access |= FILE_LIST_DIRECTORY;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (as == Hold::File ? FILE_SHARE_DELETE : 0);
    const std::wstring name = long_path(path);
    UniqueHandle handle(CreateFileW(name.c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    // Not GetFileInformationByHandle: it asks for the volume's serial number
    // too, which Wine takes a tenth of a millisecond to find, as long as the
    // rest of a grant.
    FILE_STANDARD_INFO standard;
    FILE_ATTRIBUTE_TAG_INFO tag;
    if (!handle.valid() || !GetFileInformationByHandleEx(handle.get(), FileStandardInfo, &standard, sizeof standard) ||
        !GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &tag, sizeof tag)) {
        fail(err);
        return nullptr;
    }
    const HeldFacts facts{standard.Directory != FALSE, (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
                          standard.NumberOfLinks};
    // Every entry a grant holds is on its path's volume (it goes through no
    // mount point), so that volume is asked once.
    const std::wstring volume = name.substr(0, volume_root_length(name));
    const std::lock_guard<std::mutex> lock(access_lists_mutex_);
    auto known = access_lists_.find(volume);
    if (known == access_lists_.end()) {
        DWORD flags = 0;
        const bool lists = !GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
                           (flags & FILE_PERSISTENT_ACLS);
        known = access_lists_.emplace(volume, lists).first;
    }
    return std::make_unique<Win32HeldEntry>(std::move(handle), facts, known->second);
}

bool Win32FileSystem::identify(const std::string& path, FileId* id) {
    const UniqueHandle handle(CreateFileW(long_path(path).c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) return false;
    // The 128-bit identity where the system has it (ReFS needs all of it);
    // the older 64-bit one elsewhere.
    FILE_ID_INFO full;
    if (GetFileInformationByHandleEx(handle.get(), FileIdInfo, &full, sizeof full)) {
        static_assert(sizeof full.FileId.Identifier == 2 * sizeof(std::uint64_t));
        *id = {full.VolumeSerialNumber, 0, 0};
        std::memcpy(&id->high, full.FileId.Identifier + 8, 8);
        std::memcpy(&id->low, full.FileId.Identifier, 8);
        return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info)) return false;
    *id = {info.dwVolumeSerialNumber, 0, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
    return true;
}

}  // namespace vorlan::win32
