#include "hosts/DnsCache.h"

#include <windows.h>

#include "base/SystemLibrary.h"
#include "base/UniqueHandle.h"

bool FlushDnsCache() {
    using FlushFunction = BOOL(WINAPI*)();
    const UniqueModule dnsapi(LoadSystemLibrary(L"dnsapi.dll"));
    if (!dnsapi) return false;
    const auto flush = reinterpret_cast<FlushFunction>(
        reinterpret_cast<void*>(GetProcAddress(dnsapi.Get(), "DnsFlushResolverCache")));
    return flush && flush() != FALSE;
}
