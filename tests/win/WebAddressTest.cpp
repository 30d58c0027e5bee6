#include "base/WebAddress.h"
#include "win/OpenUrl.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Only http and https addresses with a host ever reach the shell: anything
// else it would run as a program or a document.
TEST(WebAddress, OnlyWebAddressesAreOpened) {
    const struct {
        const wchar_t* address;
        bool web;
    } cases[] = {
        {L"http://www.sitemoat.example/", true},
        {L"HTTPS://a.example:8443/x?q=1#f", true},
        {L"http://[::1]/", true},
        {L"http://user@a.example/", true},
        {L"http://", false},
        {L"http:///path", false},
        {L"http://user@/", false},
        {L"file:///C:/Windows/System32/calc.exe", false},
        {L"C:\\Windows\\System32\\calc.exe", false},
        {L"\\\\server\\share\\setup.exe", false},
        {L"javascript:alert(1)", false},
        {L"mailto:a@b.example", false},
        {L"http://a.example/ calc.exe", false},
        {L"http://a.example/\"x", false},
        {L"http://a.example/\tx", false},
        {L"ftp://a.example/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.web, IsWebAddress(c.address)) << std::string(c.address, c.address + wcslen(c.address));
    }
    EXPECT_FALSE(IsWebAddress(L"http://a.example/" + std::wstring(2100, L'a')));
    // Refused before any shell is asked.
    EXPECT_EQ(OpenUrlResult::NotWebAddress, OpenUrl(std::wstring(L"file:///C:/Windows/System32/calc.exe")));
    EXPECT_EQ(OpenUrlResult::NotWebAddress, OpenUrl(std::string("C:\\Windows\\notepad.exe")));
}

}  // namespace
