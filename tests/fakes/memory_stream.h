#pragma once
// The streams of the in-memory file system, and the system's texts that the
// file system and its streams report.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "fakes/memory_file_system.h"

namespace vorlan::test {

namespace memory {

// The system's own texts for the errors the fake reports.
inline constexpr const char* kNotFound = "El sistema no puede encontrar el archivo especificado.";
inline constexpr const char* kAccessDenied = "Acceso denegado.";
inline constexpr const char* kSharing =
    "El proceso no tiene acceso al archivo porque está siendo utilizado por otro proceso.";
inline constexpr const char* kDeviceError = "La solicitud no se pudo realizar debido a un error de dispositivo de E/S.";
inline constexpr const char* kExists = "El archivo ya existe.";
inline constexpr const char* kCancelled =
    "Se ha anulado la operación de E/S debido a una salida de subproceso o a una solicitud de aplicación.";

inline bool fail(std::string* err, const char* text) {
    if (err) *err = text;
    return false;
}

// "X:\a\b" with doubled and trailing separators dropped; "" when not a valid absolute path.
std::string normal_path(const std::string& path);

}  // namespace memory

// One open file, read or written; a new file of the copy's is provisional
// until kept.
class MemoryStream : public InputFile, public OutputFile, public NewFile {
public:
    using Node = MemoryFileSystem::Node;
    MemoryStream(MemoryFileSystem& fs, Node& node, const Faults& faults, bool provisional = false,
                 bool reading = false);
    ~MemoryStream() override;

    std::uint64_t size() const override;
    std::uint64_t last_write() const override;
    bool read(void* buf, std::size_t n, std::size_t* got, std::string* err) override;
    void cancel() override;
    bool write(const void* buf, std::size_t n, std::string* err) override;
    bool close(std::string* err) override;
    bool flush(std::string* err) override;
    bool set_last_write(std::uint64_t time, std::string* err) override;
    bool keep(std::string* err) override;
    bool keep_as(const std::string& older, std::string* err) override;

private:
    MemoryFileSystem& fs_;
    Node* node_;
    Faults faults_;
    bool provisional_, reading_;
    bool open_ = true, flushed_ = true;
    int calls_ = 0;
    std::uint64_t limit_, pos_ = 0;
    std::mutex cancel_mutex_;
    std::condition_variable cancelled_signal_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace vorlan::test
