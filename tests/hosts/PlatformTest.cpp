#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

// Every text of the program is in the Simplified Chinese ANSI code page; the
// tests only mean something when Wine runs with it.
TEST(Platform, AnsiCodePageIs936) {
    EXPECT_EQ(936u, GetACP());
}

TEST(Platform, NarrowLiteralsAreGbk) {
    EXPECT_STREQ("\xC9\xFD\xBC\xB6", "升级");
}

TEST(Platform, TestDataFolderIsReachable) {
    const char* dir = getenv("SITEMOAT_TEST_DATA");
    ASSERT_NE(nullptr, dir);
    std::string path = std::string(dir) + "LICENSE.anudeep";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << path;
}
