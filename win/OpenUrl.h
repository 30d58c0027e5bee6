#pragma once

#include <exdisp.h>

#include <string>

// How a start of the user's browser went.
enum class OpenUrlResult {
    Started,        // the browser was asked to open the address
    NotWebAddress,  // not an http or https address (IsWebAddress): nothing started
    NotUnelevated,  // this process runs elevated and the desktop's shell could not
                    // start the browser for the user: nothing started
    Failed,         // the shell could not open it
};

// Opens a web address in the user's browser, never with this process's
// rights: when it runs elevated, the desktop's own shell (Explorer) starts
// the browser, as a click on the desktop would; otherwise the shell is
// asked as usual. Nothing is shown to the user here.
OpenUrlResult OpenUrl(const std::wstring& address);
// The same for ANSI text (the program's own addresses).
OpenUrlResult OpenUrl(const std::string& address);

// Whether this process runs with a full administrator token; true also
// when the system cannot say.
bool IsProcessElevated();

// Navigates the browser to the address (ANSI text, converted whole).
HRESULT Navigate(IWebBrowser2* browser, const std::string& address);
