#pragma once

#include <windows.h>

#include <string>

// The user's proxy set to server (such as a loopback server standing in
// for the maker's host) for the scope, and put back as it was after it:
// the test prefixes send the web elsewhere to a dead proxy on loopback,
// so that nothing ever leaves this machine. Result() tells whether the
// settings were written.
class UserProxy {
public:
    explicit UserProxy(const std::string& server);
    ~UserProxy();
    UserProxy(const UserProxy&) = delete;
    UserProxy& operator=(const UserProxy&) = delete;

    LONG Result() const { return result_; }

private:
    HKEY key_ = nullptr;
    LONG result_ = ERROR_SUCCESS;
    bool hadEnable_ = false;
    DWORD oldEnable_ = 0;
    bool hadServer_ = false;
    std::string oldServer_;
};
