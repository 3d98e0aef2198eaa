#pragma once
// Starting the application's setup program and the system's own tools.

#include "platform/programs.h"

namespace vorlan::win32 {

class Win32Programs : public Programs {
public:
    bool start_minimized(const std::string& path, std::string* err) override;
    bool start_system_tool_hidden(const std::string& exe, const std::string& args, std::string* err,
                                  int* exit_code = nullptr) override;
};

}  // namespace vorlan::win32
