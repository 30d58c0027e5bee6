#pragma once

#include <exdisp.h>

#include <string>

// Opens a web address (ANSI text) in the user's browser: through the shell
// first, else by starting the system browser as a COM object. True on
// success; nothing is shown to the user on failure.
bool OpenUrl(const std::string& address);

// Navigates the browser to the address (ANSI text, converted whole).
HRESULT Navigate(IWebBrowser2* browser, const std::string& address);
