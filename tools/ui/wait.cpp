#include "ui/wait.h"

#include <thread>

namespace vorlan::ui {

bool wait_until(const std::function<bool()>& done, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(milliseconds(20));
    }
}

}  // namespace vorlan::ui
