#include <windows.h>

#include <gtest/gtest.h>

// Every text of the program is in the Simplified Chinese ANSI code page; the
// tests only mean something when Wine runs with it.
TEST(Platform, AnsiCodePageIs936) {
    EXPECT_EQ(936u, GetACP());
}

TEST(Platform, NarrowLiteralsAreGbk) {
    EXPECT_STREQ("\xC9\xFD\xBC\xB6", "升级");
}
