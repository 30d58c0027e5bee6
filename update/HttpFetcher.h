#pragma once

#include "settings/ConfigText.h"
#include "update/ScopedHandles.h"

#include <string>

enum class FetchStatus {
    Ok,                // 200 and the whole body
    NotModified,       // 304 to the conditional request; no body
    BadAddress,        // not http:// or https://, unusable host (too long), ...
    NoConnection,      // name not resolved, connection refused/failed, send failed
    CertificateError,  // TLS certificate not trusted, wrong name, expired, revoked...
    HttpError,         // any other final status (404, 500...); httpStatus says which
    RedirectToHttp,    // https redirected to http: refused (anyone on the path could
                       // rewrite the list)
    RedirectToLocal,   // a public site redirected to a loopback, link-local or private
                       // address: refused (it would reach this machine or its network)
    TooManyRedirects,  // more than the redirect limit, or a loop
    TooLarge,          // body over the size cap
    Cut,               // body ended before its announced length, or the read failed
    TimedOut,          // no data for the idle limit, or the whole fetch, response head
                       // included, over the total limit
    BadEncoding,       // a Content-Encoding that cannot be decoded, or a compressed body
                       // that arrived undecoded
};

struct FetchLimits {
    DWORD connectMs = 15000;
    DWORD idleMs = 30000;    // longest wait for any data
    DWORD totalMs = 180000;  // the whole fetch, redirects included
    unsigned long long maxBytes = 64ull << 20;
    int maxRedirects = 5;
};

struct FetchResponse {
    FetchStatus status = FetchStatus::NoConnection;
    DWORD httpStatus = 0;      // last HTTP status received, 0 if none
    DWORD systemError = 0;     // WinINet / system error code behind a failure
    std::string lastModified;  // header text as sent
    std::string etag;          // header text as sent
    std::string contentType;
    std::string body;          // decoded body (Ok only)
    std::string finalAddress;  // address after redirects
};

// Fetches block lists over HTTP and HTTPS. Fetch returns by the total
// limit whatever the server does: the transfer runs on a thread of its own,
// which a server that never ends its response head keeps until it stops
// (or the process ends); Fetch does not wait for it. Every call opens and
// closes its own requests.
class HttpFetcher {
public:
    HttpFetcher() = default;
    HttpFetcher(const HttpFetcher&) = delete;
    HttpFetcher& operator=(const HttpFetcher&) = delete;

    void SetLimits(const FetchLimits& limits) { limits_ = limits; }
    // One GET of the address, following redirects. validator is the stamp
    // stored for the list: a date (Last-Modified text) sends
    // If-Modified-Since, an ETag (begins with '"' or 'W/"') If-None-Match,
    // a content digest or nothing no conditional header.
    FetchResponse Fetch(const std::string& address, const std::string& validator = std::string());

private:
    FetchLimits limits_;
};

// The validator a response gives its list: Last-Modified, else the ETag
// (if quoted, as it must be), each only if it may be stored
// (IsStorableValidator); empty when neither may, or unless the response is Ok.
std::string ListValidatorOf(const FetchResponse& response);
// The stamp of the list: its validator, else the content digest of the body.
std::string ListStampOf(const FetchResponse& response);
// "sha256:" and 64 lower-case hex digits; empty if the system cannot hash.
std::string ContentDigestStamp(const std::string& body);
// A short reason for a failed fetch, for the user and the log; empty for
// Ok and NotModified.
std::string FetchFailureReason(const FetchResponse& response);
