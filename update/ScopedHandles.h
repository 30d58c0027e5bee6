#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/UniqueHandle.h"

namespace handle_traits {

struct Internet : NullIsInvalid<HINTERNET> {
    static bool Close(HINTERNET h) { return InternetCloseHandle(h) != FALSE; }
};

}  // namespace handle_traits

using InternetHandle = UniqueHandle<handle_traits::Internet>;
