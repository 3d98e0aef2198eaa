#pragma once
// Kernel handles that close themselves, so that no early return leaks one.

#include <windows.h>

#include <utility>

namespace vorlan::win32 {

class ScopedHandle {
public:
    ScopedHandle() = default;
    // CreateFileW fails with INVALID_HANDLE_VALUE, most other calls with null:
    // both are kept as "no handle".
    explicit ScopedHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~ScopedHandle() {
        if (h_) CloseHandle(h_);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            if (h_) CloseHandle(h_);
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr; }

    // Closes now, for callers that must know whether the close worked; the
    // last error is left as CloseHandle set it.
    bool close() {
        HANDLE h = std::exchange(h_, nullptr);
        return !h || CloseHandle(h);
    }

private:
    HANDLE h_ = nullptr;
};

}  // namespace vorlan::win32
