#pragma once

#include <windows.h>

#include "base/UniqueHandle.h"

// What the program brings up before its first window and takes down after
// its last, in the platform's order: COM, the common control classes its
// templates use, ATL's control host class, the application module, and the
// rich edit library of the custom hosts page's editor. One object on the
// thread that makes the windows, outliving them; the tests and the
// benchmark bring up the same.
class ProgramServices {
public:
    explicit ProgramServices(HINSTANCE instance);
    ~ProgramServices();
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    // False when the rich edit library is missing: the custom hosts page
    // then comes up without its editor.
    bool HasRichEdit() const { return static_cast<bool>(richEdit_); }

private:
    bool com_ = false;
    UniqueModule richEdit_;
};
