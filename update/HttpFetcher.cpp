#include "update/HttpFetcher.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

constexpr char kAgent[] = "Mozila/4.0 (compatible; MSIE 5.0;)";
constexpr DWORD kConnectTimeoutMs = 15000;
// Host names must fit this buffer with their terminator; longer ones are
// refused rather than cut, since a cut name would reach another host.
constexpr DWORD kHostBufferSize = 260;
constexpr size_t kMaxStampLength = 259;

// A dotted IPv4 address in 127.0.0.0/8, "localhost" or the IPv6 loopback.
bool IsLoopbackHost(const std::string& host) {
    if (lstrcmpiA(host.c_str(), "localhost") == 0 || host == "::1" || host == "[::1]") {
        return true;
    }
    if (host.compare(0, 4, "127.") != 0) return false;
    for (char c : host) {
        if (c != '.' && !std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// Leading digits as a number, 0 when there are none; valid only when the
// whole text is a number that fits.
long long ParseContentLength(const char* text, bool& valid) {
    long long value = 0;
    const char* p = text;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        if (value > (LLONG_MAX - 9) / 10) {
            valid = false;
            return value;
        }
        value = value * 10 + (*p - '0');
    }
    valid = p != text && *p == '\0';
    return value;
}

}  // namespace

HttpFetcher::~HttpFetcher() {
    CloseHandles();
}

void HttpFetcher::CloseHandles() {
    request_.Reset();
    connection_.Reset();
    session_.Reset();
    file_.Reset();
}

bool HttpFetcher::OpenRequest() {
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = 1;
    parts.dwHostNameLength = 1;
    parts.dwUserNameLength = 1;
    parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(address_.c_str(), 0, 0, &parts) ||
        parts.nScheme != INTERNET_SCHEME_HTTP || parts.dwHostNameLength >= kHostBufferSize) {
        return false;
    }
    std::string host(parts.lpszHostName, parts.dwHostNameLength);
    std::string path(parts.lpszUrlPath, parts.dwUrlPathLength);

    // The user's proxy cannot reach this machine's own loopback; Windows
    // itself bypasses it for loopback, Wine's WinINet does not.
    DWORD access = IsLoopbackHost(host) ? INTERNET_OPEN_TYPE_DIRECT : INTERNET_OPEN_TYPE_PRECONFIG;
    session_.Reset(InternetOpenA(kAgent, access, nullptr, nullptr, 0));
    if (!session_) return false;
    DWORD timeout = kConnectTimeoutMs;
    InternetSetOptionA(session_.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);

    connection_.Reset(InternetConnectA(session_.Get(), host.c_str(), parts.nPort, nullptr,
                                       nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection_) {
        const char* acceptTypes[] = {"*/*", nullptr};
        request_.Reset(HttpOpenRequestA(connection_.Get(), "GET", path.c_str(), "HTTP/1.1",
                                        nullptr, acceptTypes,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE, 0));
    }
    if (!request_ || !HttpSendRequestA(request_.Get(), nullptr, 0, nullptr, 0)) {
        CloseHandles();
        return false;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (HttpQueryInfoA(request_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                       &size, nullptr) &&
        status != HTTP_STATUS_OK) {
        CloseHandles();
        return false;
    }
    return true;
}

std::string HttpFetcher::GetLastModified(const std::string& address) {
    CloseHandles();
    address_ = address;
    stamp_.clear();
    if (OpenRequest()) {
        std::memset(buffer_, 0, kBufferSize);
        DWORD size = kBufferSize;
        if (HttpQueryInfoA(request_.Get(), HTTP_QUERY_LAST_MODIFIED, buffer_, &size, nullptr)) {
            stamp_.assign(buffer_, strnlen(buffer_, kMaxStampLength));
        }
    }
    CloseHandles();
    return stamp_;
}

int HttpFetcher::DownloadToFile(const std::string& address, const std::string& targetPath) {
    CloseHandles();
    contentLength_ = 0;
    bytesRead_ = 0;
    lastReadOk_ = false;
    stamp_.clear();
    address_ = address;
    targetPath_ = targetPath;
    downloadResult_ = Download();
    CloseHandles();
    return downloadResult_;
}

int HttpFetcher::Download() {
    if (!OpenRequest()) return kDownloadRequestFailed;
    std::memset(buffer_, 0, kBufferSize);
    DWORD size = kBufferSize - 1;
    if (!HttpQueryInfoA(request_.Get(), HTTP_QUERY_CONTENT_LENGTH, buffer_, &size, nullptr)) {
        return kDownloadNoLength;
    }
    bool lengthValid = false;
    contentLength_ = ParseContentLength(buffer_, lengthValid);
    if (contentLength_ == 0) return kDownloadNoLength;

    file_.Reset(CreateFileA(targetPath_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) return kDownloadFileFailed;
    for (;;) {
        DWORD count = 0;
        lastReadOk_ = InternetReadFile(request_.Get(), buffer_, kBufferSize - 1, &count) != FALSE;
        if (!lastReadOk_ || count == 0) break;
        bytesRead_ += count;
        DWORD written = 0;
        if (!WriteFile(file_.Get(), buffer_, count, &written, nullptr) || written != count) {
            return kDownloadFileFailed;
        }
    }
    if (!lastReadOk_) return kDownloadCut;
    // WinINet reports a connection closed before the announced length as a
    // normal end of data; merged as complete, a cut list would store the
    // new stamp and its missing entries would never come.
    if (lengthValid && bytesRead_ != contentLength_) return kDownloadCut;
    return kDownloadOk;
}
