#pragma once
// Waiting for another process to get somewhere. Every wait of the UI driver
// has a timeout.

#include <chrono>
#include <functional>

namespace vorlan::ui {

using std::chrono::milliseconds;
inline constexpr milliseconds kWait{15000};

// Polls `done` every few milliseconds until it holds or `timeout` passes.
bool wait_until(const std::function<bool()>& done, milliseconds timeout = kWait);

}  // namespace vorlan::ui
