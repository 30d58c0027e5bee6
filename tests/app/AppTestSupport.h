#pragma once

#include <windows.h>

#include <string>

#include "tests/support/ProgramFiles.h"

// The custom hosts page's editor in a main window of any process (found by
// its control id), or null.
HWND FindHostsEditor(HWND mainWindow);
// The text of the custom hosts page's editor in a main window of any
// process (found by its control id); "" when there is none.
std::string HostsEditorText(HWND mainWindow);
