#pragma once

// Empties the system's DNS client cache, so that a HOSTS file just written
// takes effect at once instead of after the cached answers expire. Uses the
// system's own call in dnsapi.dll, looked up at run time; false where it is
// missing (older systems, Wine) or fails, which the caller may ignore.
bool FlushDnsCache();
