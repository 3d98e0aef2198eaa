// The file system's names as the destination takes them, and its volumes:
// what the copy asks before it writes.

#include <windows.h>
#include <winioctl.h>

#include <string_view>

#include "win32/file_system.h"
#include "win32/handle.h"
#include "win32/long_path.h"
#include "win32/new_file.h"
#include "win32/text.h"

namespace vorlan::win32 {

bool Win32FileSystem::lookup(const std::string& path, Entry* entry) {
    std::wstring name = long_path(path);
    while (name.size() > volume_root_length(name) && name.back() == L'\\') name.pop_back();
    // A wildcard would find other names; no name holds one.
    if (name.find_first_of(L"*?<>\"", 4) != std::wstring::npos) return false;
    // A volume's root is no entry of any folder: only its attributes are there.
    if (name.size() <= volume_root_length(name)) {
        const DWORD attrs = GetFileAttributesW(name.c_str());
        if (attrs == INVALID_FILE_ATTRIBUTES) return false;
        *entry = {"", (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0, 0, attrs};
        return true;
    }
    // The search gives the entry's own name, whatever name reached it.
    WIN32_FIND_DATAW data;
    const UniqueFind find(FindFirstFileExW(name.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (!find.valid()) return false;
    entry->name = narrow(data.cFileName);
    entry->attributes = data.dwFileAttributes;
    entry->is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry->size = entry->is_folder ? 0 : (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    entry->last_write = entry->is_folder ? 0
                                         : std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32 |
                                               data.ftLastWriteTime.dwLowDateTime;
    return true;
}

std::unique_ptr<NewFile> Win32FileSystem::create_new(const std::string& path, bool* exists, std::string* err) {
    return create_new_file(long_path(path), exists, err);
}

// Upper case in the invariant locale, one UTF-16 unit for one: what the
// system's ordinal case-insensitive comparison (CompareStringOrdinal) and
// NTFS's table of upper case do with a name.
std::string Win32FileSystem::fold_case(const std::string& text) {
    if (text.empty()) return text;
    const std::wstring wide = widen(text);
    std::wstring upper(wide.size(), L'\0');
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), static_cast<int>(wide.size()),
                                upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0);
    if (n <= 0) return text;
    upper.resize(static_cast<std::size_t>(n));
    return narrow(upper);
}

bool Win32FileSystem::volume(const std::string& path, Volume* out, std::string* err) {
    const std::wstring folder = nearest_existing_folder(long_path(path));
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        *err = error_text(GetLastError());
        return false;
    }
    *out = {available.QuadPart, 0, {}};
    // The root of the volume (a mount point may be one): its file system and
    // its clusters. Either may be unknown; the free space is what counts most.
    wchar_t root[MAX_PATH + 1];
    std::wstring volume_root = folder.substr(0, volume_root_length(folder));
    if (GetVolumePathNameW(folder.c_str(), root, MAX_PATH + 1)) volume_root = root;
    wchar_t name[MAX_PATH + 1];
    if (GetVolumeInformationW(volume_root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1))
        out->file_system = narrow(name);
    DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
    if (GetDiskFreeSpaceW(volume_root.c_str(), &sectors, &bytes, &free_clusters, &clusters))
        out->cluster = sectors * bytes;
    return true;
}

Device Win32FileSystem::device(const std::string& path) {
    const std::wstring folder = nearest_existing_folder(long_path(path));
    wchar_t root[MAX_PATH + 1];
    if (!GetVolumePathNameW(folder.c_str(), root, MAX_PATH + 1)) return Device::Unknown;
    switch (GetDriveTypeW(root)) {
        case DRIVE_CDROM: return Device::Optical;
        case DRIVE_REMOTE: return Device::Network;
        default: break;
    }
    // The volume's device, by its "\\?\Volume{...}" name or, where the
    // system gives none (Wine), by its drive letter's "\\.\X:", answers for
    // the disk under it (for a volume over several disks, not at all). No
    // access is asked: a query of the device's properties needs none, and a
    // standard user has no other.
    std::wstring device_name;
    wchar_t volume[MAX_PATH + 1];
    const std::wstring_view root_name = root;
    const std::size_t letter = root_name.starts_with(L"\\\\?\\") ? 4 : 0;
    if (GetVolumeNameForVolumeMountPointW(root, volume, MAX_PATH + 1)) device_name = volume;
    else if (root_name.size() >= letter + 2 && root_name[letter + 1] == L':')
        device_name = std::wstring(L"\\\\.\\") + root_name[letter] + L':';
    else return Device::Unknown;
    if (device_name.back() == L'\\') device_name.pop_back();
    const UniqueHandle handle(
        CreateFileW(device_name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle.valid()) return Device::Unknown;
    STORAGE_PROPERTY_QUERY query{};
    query.PropertyId = StorageDeviceSeekPenaltyProperty;
    query.QueryType = PropertyStandardQuery;
    DEVICE_SEEK_PENALTY_DESCRIPTOR seek{};
    DWORD got = 0;
    if (!DeviceIoControl(handle.get(), IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &seek, sizeof seek, &got,
                         nullptr) ||
        got < sizeof seek)
        return Device::Unknown;
    return seek.IncursSeekPenalty ? Device::SeekPenalty : Device::NoSeekPenalty;
}

}  // namespace vorlan::win32
