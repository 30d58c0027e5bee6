#pragma once

#include <windows.h>
#include <ole2.h>

// The control-hosting functions of the system's ATL library (atl.dll),
// which MinGW does not provide, loaded at first use and kept for the life of
// the process (its "AtlAxWin" window class points into it). Every call fails
// cleanly when the library or the function is missing.
namespace atl {

// Registers the "AtlAxWin" host window class.
bool AxWinInit();
HRESULT AxCreateControlEx(LPCOLESTR name, HWND host, IStream* stream, IUnknown** container,
                          IUnknown** control, REFIID sinkIid, IUnknown* sink);
HRESULT AxGetHost(HWND host, IUnknown** hostObject);

}  // namespace atl
