#include "copy/room.h"

#include <limits>

namespace vorlan {

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::string megabytes(std::uint64_t bytes, bool round_up) {
    return std::to_string(bytes / kMiB + (round_up && bytes % kMiB ? 1 : 0));
}

// FAT (FAT12, FAT16) and FAT32 keep a file's size in 32 bits. exFAT keeps it
// in 64: its files may be as large as any.
bool holds_32_bit_sizes(const std::string& file_system) {
    return file_system.size() >= 3 && (file_system[0] == 'F' || file_system[0] == 'f') &&
           (file_system[1] == 'A' || file_system[1] == 'a') && (file_system[2] == 'T' || file_system[2] == 't');
}

}  // namespace

bool check_room(FileSystem& fs, WalkEvents& events, const std::string& source, const std::string& dest,
                bool dest_exists, std::uint64_t* bytes, std::string* refusal, std::string* err) {
    refusal->clear();
    Volume volume;
    std::string ignored;
    const bool known = fs.volume(dest, &volume, &ignored);
    const bool fat = known && holds_32_bit_sizes(volume.file_system);
    const std::uint64_t largest_file = fat ? std::uint64_t{0xFFFFFFFF} : std::numeric_limits<std::uint64_t>::max();
    TreeSize size;
    if (!measure_tree(fs, events, source, dest_exists ? dest : std::string(), known ? volume.cluster : 1, largest_file,
                      &size, err))
        return false;
    *bytes = size.bytes;
    if (!size.too_large.empty()) {
        *refusal =
            "El archivo " + size.too_large + " ocupa 4 GB o más, y el disco de destino (" + volume.file_system +
            ") no admite archivos tan grandes.\nNo se ha copiado nada: elija un destino en un disco NTFS o exFAT.";
        return true;
    }
    // A volume whose facts cannot be read is left to the copy, which reports what fails.
    if (!known) return true;
    const std::uint64_t needed = size.room + size.largest_replaced;
    if (needed > volume.free + size.freed)
        *refusal = "No hay espacio suficiente en el disco para copiar los datos a " + dest + ".\nSe necesitan " +
                   megabytes(needed - size.freed, true) + " MB y hay " + megabytes(volume.free, false) + " MB libres.";
    return true;
}

}  // namespace vorlan
