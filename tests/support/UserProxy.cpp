#include "tests/support/UserProxy.h"

namespace {

constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

LONG SetEnabled(HKEY key, DWORD enabled) {
    return RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enabled),
                          sizeof enabled);
}

LONG SetServer(HKEY key, const std::string& server) {
    return RegSetValueExA(key, "ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                          DWORD(server.size() + 1));
}

}  // namespace

UserProxy::UserProxy(const std::string& server) {
    result_ = RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr);
    if (result_ != ERROR_SUCCESS) {
        key_ = nullptr;
        return;
    }
    DWORD size = sizeof oldEnable_;
    hadEnable_ = RegQueryValueExA(key_, "ProxyEnable", nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(&oldEnable_), &size) == ERROR_SUCCESS;
    char old[512] = {};
    size = sizeof old - 1;
    hadServer_ = RegQueryValueExA(key_, "ProxyServer", nullptr, nullptr, reinterpret_cast<BYTE*>(old),
                                  &size) == ERROR_SUCCESS;
    oldServer_ = old;
    result_ = SetEnabled(key_, 1);
    if (result_ == ERROR_SUCCESS) result_ = SetServer(key_, server);
}

UserProxy::~UserProxy() {
    if (!key_) return;
    if (hadEnable_) {
        SetEnabled(key_, oldEnable_);
    } else {
        RegDeleteValueA(key_, "ProxyEnable");
    }
    if (hadServer_) {
        SetServer(key_, oldServer_);
    } else {
        RegDeleteValueA(key_, "ProxyServer");
    }
    RegCloseKey(key_);
}
