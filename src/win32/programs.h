#pragma once
// Starting the application's setup program.

#include "platform/programs.h"

namespace vorlan::win32 {

class Win32Programs : public Programs {
public:
    bool start_minimized(const std::string& path, std::string* err) override;
};

}  // namespace vorlan::win32
