#pragma once

#include <string>

// Opens a web address (ANSI text) in the user's browser: through the shell
// first, else by starting the system browser as a COM object. True on
// success; nothing is shown to the user on failure.
bool OpenUrl(const std::string& address);
