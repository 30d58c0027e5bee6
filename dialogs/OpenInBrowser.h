#pragma once

#include <string>

// Opens a web address in the user's browser (OpenUrl), never elevated.
// Where no browser can be started without this process's rights, the
// address is put on the clipboard and shown to the user to open by hand.
// True when the browser was started.
bool OpenInBrowser(const std::wstring& address);
bool OpenInBrowser(const std::string& address);

// What the user is shown then.
std::string OpenByHandText(const std::wstring& address);
