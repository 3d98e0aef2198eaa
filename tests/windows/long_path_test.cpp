// Paths in the form the file system hands to the wide-character API.

#include "win32/long_path.h"

#include <gtest/gtest.h>

namespace vorlan::win32 {
namespace {

TEST(LongPath, CleansAndPrefixes) {
    EXPECT_EQ(long_path("D:\\\\vorlan"), L"\\\\?\\D:\\vorlan");  // run from a drive root
    EXPECT_EQ(long_path("C:\\a\\.\\b\\..\\c"), L"\\\\?\\C:\\a\\c");
    EXPECT_EQ(long_path("\\\\srv\\share\\\\x\\y"), L"\\\\?\\UNC\\srv\\share\\x\\y");
    EXPECT_EQ(long_path("C:\\capas\\punto."), L"\\\\?\\C:\\capas\\punto.");  // the dot is the name's
}

}  // namespace
}  // namespace vorlan::win32
