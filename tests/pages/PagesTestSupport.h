#pragma once

#include <windows.h>

#include <string>

#include "skin/SkinnedDialog.h"

// The main window's frame without its tabs and pages: the parent the pages
// are created in, at the place the main window gives them.
class PageParent : public SkinnedDialog {
public:
    PageParent();
    ~PageParent() override;

    // Creates the page into the parent and puts it where the main window does.
    HWND Place(SkinnedDialog& page);
};

// A fresh, empty folder of the prefix's temp folder, for one test.
std::string ScratchFolder(const std::string& name);

// A press and a release of the left button at the client point.
void ClickAt(HWND hwnd, int x, int y);
