#pragma once
// The program's window made in the test's own process, as the program's
// start-up makes it: common controls and COM first.

#include <windows.h>
#include <gtest/gtest.h>

#include <commctrl.h>
#include <objbase.h>

#include "win32/window.h"

namespace vorlan::win32 {

struct FormFixture : testing::Test {
    static void SetUpTestSuite() {
        const INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        ASSERT_TRUE(InitCommonControlsEx(&classes));
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void SetUp() override {
        std::string err;
        ASSERT_TRUE(form.create(GetModuleHandleW(nullptr), &err)) << err;
    }
    Win32Form form;
};

}  // namespace vorlan::win32
