#pragma once
// Starting the application's setup program.

#include <windows.h>

#include "platform/programs.h"

namespace vorlan::win32 {

class Win32Programs : public Programs {
public:
    // The window that owns the setup program's elevation prompt, so that the
    // prompt opens in front of it rather than behind.
    void set_owner(HWND owner) { owner_ = owner; }

    bool start_minimized(const std::string& path, std::string* err) override;

private:
    HWND owner_ = nullptr;
};

}  // namespace vorlan::win32
