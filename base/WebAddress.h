#pragma once

#include <string_view>

// Web addresses as the program hands them to a browser. Pure text
// functions: no system calls.

// An http or https address with a host, at most 2083 characters, with
// nothing a shell could take for the end of a file name or the start of
// its arguments: no white space, control character or quote.
bool IsWebAddress(std::wstring_view address);

// Whether the address is an http or https address on host (any case, any
// port); one with a user name before its host ("http://host@other/") is
// on the other host.
bool IsAddressOnHost(std::wstring_view address, std::string_view host);
