#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The grammar of a HOSTS line, shared by the HOSTS document and the
// block-list merge: words, remarks, addresses, names and the names no line
// may block. Byte by byte: every character that matters here (space, tab,
// "#", ".", CR, LF) is ASCII below 0x40, and no byte of a GBK or UTF-8
// multibyte character is one of them.

// Space, tab, VT, FF and NUL: what separates the words of a line.
bool IsWordBreak(char c);
// CR and LF; the merge also ends a line at NUL.
bool IsLineBreak(char c);

// The words of the line before its remark ("#" and the rest), leading
// blanks skipped; empty for a blank line or a remark line.
std::string_view EntryPart(std::string_view line);
// Cuts the next word off text; empty when none is left.
std::string_view NextWord(std::string_view& text);
// The line from its first word on: no leading blanks.
std::string_view TrimLeadingBlanks(std::string_view line);

// A "#" line that comments out an entry: reading on from the "#", four
// digits come before any character other than a digit, a space, a tab or a
// "." ("#127.0.0.1 x", "# 102.54.94.97 x"; not "# words", not "#12.3").
bool IsCommentedOutEntry(std::string_view line);

// 0.0.0.0, 127.0.0.1, :: and ::1, the addresses that block a name.
bool IsBlockingAddress(std::string_view address);
bool IsIpv6Address(std::string_view address);
// "1.2.3.4" and "::1" alike; no real top-level domain is all digits.
bool LooksLikeAddress(std::string_view word);
// A plausible host name: labels of letters, digits, "-" and "_" between
// single dots, at most 63 characters each and 253 in all, not an address.
bool IsHostName(std::string_view word);
// localhost, broadcasthost, ip6-... and the like, which name this machine.
bool IsLocalName(std::string_view name);

// The form in which names compare: ASCII letters lowered, but only in a
// name that is all ASCII (lowering single bytes would change the
// double-byte characters of others), and one trailing dot dropped ("a.com."
// is "a.com"). Views name when nothing changes, else store.
std::string_view NameKey(std::string_view name, std::string& store);
bool SameName(std::string_view a, std::string_view b);
// A 64-bit hash of a name's key, by which records keep names compactly.
std::uint64_t NameHash(std::string_view key);

// The maker's own sites: a protected domain or a name under one, never a
// name that merely contains one ("mysitemoat.example").
bool IsMakerName(std::string_view name);
// The system's update, certificate-revocation and security services, and
// names under them. No downloaded list may block them; the user still may.
bool IsSystemServiceName(std::string_view name);
