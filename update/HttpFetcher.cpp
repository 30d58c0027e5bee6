#include "update/HttpFetcher.h"

#include "base/UniqueHandle.h"
#include "update/HostAddress.h"

#include <bcrypt.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr char kAgent[] = "Mozila/4.0 (compatible; MSIE 5.0;)";
// Host names must fit this buffer with their terminator; longer ones are
// refused rather than cut, since a cut name would reach another host.
constexpr DWORD kHostBufferSize = 260;
constexpr size_t kMaxHeaderLength = 65536;
constexpr char kAcceptCompressed[] = "Accept-Encoding: gzip, deflate\r\n";
constexpr char kDigestPrefix[] = "sha256:";
constexpr size_t kDigestBytes = 32;
// Missing from MinGW's wininet.h.
constexpr DWORD kErrorDecodingFailed = 12175;  // ERROR_INTERNET_DECODING_FAILED

struct BCryptAlgorithmTraits : handle_traits::NullIsInvalid<BCRYPT_ALG_HANDLE> {
    static bool Close(BCRYPT_ALG_HANDLE h) {
        return BCRYPT_SUCCESS(BCryptCloseAlgorithmProvider(h, 0));
    }
};
struct BCryptHashTraits : handle_traits::NullIsInvalid<BCRYPT_HASH_HANDLE> {
    static bool Close(BCRYPT_HASH_HANDLE h) { return BCRYPT_SUCCESS(BCryptDestroyHash(h)); }
};
using BCryptAlgorithm = UniqueHandle<BCryptAlgorithmTraits>;
using BCryptHash = UniqueHandle<BCryptHashTraits>;

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

// A line break would carry the rest into the request as headers of its own.
bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    });
}

bool SameText(const std::string& a, const char* b) {
    return lstrcmpiA(a.c_str(), b) == 0;
}

bool CombineAddress(const std::string& base, const std::string& location, std::string& combined) {
    std::vector<char> buffer(INTERNET_MAX_URL_LENGTH + 1);
    DWORD size = DWORD(buffer.size());
    if (!InternetCombineUrlA(base.c_str(), location.c_str(), buffer.data(), &size,
                             ICU_NO_ENCODE)) {
        return false;
    }
    combined.assign(buffer.data(), size);
    return true;
}

bool IsRedirect(DWORD status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string ConditionalHeader(const std::string& validator) {
    if (IsDigestStamp(validator) || !IsStorableValidator(validator)) return std::string();
    return (IsEtagStamp(validator) ? "If-None-Match: " : "If-Modified-Since: ") + validator +
           "\r\n";
}

FetchStatus StatusOfSendError(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_SEC_INVALID_CERT:
        return FetchStatus::CertificateError;
    case ERROR_INTERNET_TIMEOUT:
    case WSAETIMEDOUT:
        return FetchStatus::TimedOut;
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        return FetchStatus::BadAddress;
    default:
        return FetchStatus::NoConnection;
    }
}

FetchStatus StatusOfReadError(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_TIMEOUT:
    case WSAETIMEDOUT:
        return FetchStatus::TimedOut;
    case kErrorDecodingFailed:
        return FetchStatus::BadEncoding;
    default:
        return FetchStatus::Cut;
    }
}

// Wine reports a receive time-out as a connection aborted (12030) when it
// hits the response head or a TLS read: a connection failure that came
// only after the whole time-out is taken for that time-out. The tick count
// moves in steps of up to 16 ms.
FetchStatus AfterWaiting(FetchStatus status, unsigned long long since, DWORD timeoutMs) {
    constexpr unsigned long long kTickStepMs = 16;
    const bool connectionFailed = status == FetchStatus::NoConnection || status == FetchStatus::Cut;
    return connectionFailed && GetTickCount64() - since + kTickStepMs >= timeoutMs
               ? FetchStatus::TimedOut
               : status;
}

bool SetDwordOption(HINTERNET handle, DWORD option, DWORD value) {
    return InternetSetOptionA(handle, option, &value, sizeof value) != FALSE;
}

// The longest a fetch's thread may take past the total limit to report
// how it ended, before the caller stops waiting for it.
constexpr DWORD kReportGraceMs = 1000;

struct Target {
    bool secure = false;
    std::string host;
    INTERNET_PORT port = 0;
    std::string object;  // path and query, as the request line carries them
};

// One fetch, shared by the thread that runs it and the caller that waits
// for it; whichever lets go last frees it. Only the running thread touches
// its handles.
class Transfer {
public:
    Transfer(const FetchLimits& limits, std::string address, std::string validator)
        : limits_(limits), address_(std::move(address)), validator_(std::move(validator)) {}
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    void Run();
    // The caller has stopped waiting: the thread ends at its next step.
    void Abandon() { abandoned_ = true; }
    FetchResponse& Response() { return response_; }

private:
    static bool CrackAddress(const std::string& address, Target& target);
    FetchStatus Open();
    FetchStatus Send(const Target& target, const std::string& headers);
    FetchStatus ReadBody();
    std::string QueryHeader(DWORD query, const char* name = nullptr) const;
    DWORD TimeLeft() const;
    void CloseHandles();

    const FetchLimits limits_;
    const std::string address_;
    const std::string validator_;
    std::atomic<bool> abandoned_{false};
    FetchResponse response_;
    unsigned long long deadline_ = 0;  // GetTickCount64 time the fetch must end by
    InternetHandle session_;
    InternetHandle connection_;
    InternetHandle request_;
};

DWORD WINAPI RunTransfer(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Transfer>> transfer(
        static_cast<std::shared_ptr<Transfer>*>(parameter));
    (*transfer)->Run();
    return 0;
}

bool Transfer::CrackAddress(const std::string& address, Target& target) {
    if (address.empty() || HasControlCharacter(address)) return false;
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = 1;
    parts.dwHostNameLength = 1;
    parts.dwUserNameLength = 1;
    parts.dwPasswordLength = 1;
    parts.dwUrlPathLength = 1;
    parts.dwExtraInfoLength = 1;
    if (!InternetCrackUrlA(address.c_str(), 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0 || parts.dwHostNameLength >= kHostBufferSize) {
        return false;
    }
    target.secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    target.host.assign(parts.lpszHostName, parts.dwHostNameLength);
    target.port = parts.nPort;
    std::string extra(parts.lpszExtraInfo ? parts.lpszExtraInfo : "", parts.dwExtraInfoLength);
    // The fragment belongs to the reader and is never sent.
    extra.erase(std::min(extra.find('#'), extra.size()));
    target.object.assign(parts.lpszUrlPath ? parts.lpszUrlPath : "", parts.dwUrlPathLength);
    if (target.object.empty()) target.object = "/";
    target.object += extra;
    return true;
}

void Transfer::CloseHandles() {
    request_.Reset();
    connection_.Reset();
    session_.Reset();
}

DWORD Transfer::TimeLeft() const {
    const unsigned long long now = GetTickCount64();
    return now >= deadline_ ? 0 : DWORD(std::min<unsigned long long>(deadline_ - now, MAXDWORD));
}

std::string Transfer::QueryHeader(DWORD query, const char* name) const {
    std::string text(256, '\0');
    for (;;) {
        // A custom query takes the header's name in the buffer it fills.
        if (name) text.replace(0, std::strlen(name) + 1, name, std::strlen(name) + 1);
        DWORD size = DWORD(text.size());
        if (HttpQueryInfoA(request_.Get(), query, &text[0], &size, nullptr)) {
            text.resize(size);
            return text;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= text.size() ||
            size > kMaxHeaderLength) {
            return std::string();
        }
        text.assign(size, '\0');
    }
}

FetchStatus Transfer::Send(const Target& target, const std::string& headers) {
    FetchResponse& response = response_;
    const DWORD left = TimeLeft();
    if (left == 0) return FetchStatus::TimedOut;

    // The user's proxy cannot reach this machine's own loopback; Windows
    // itself bypasses it for loopback, Wine's WinINet does not.
    DWORD access = KindOfHost(target.host) == HostKind::Loopback ? INTERNET_OPEN_TYPE_DIRECT
                                                                 : INTERNET_OPEN_TYPE_PRECONFIG;
    CloseHandles();
    session_.Reset(InternetOpenA(kAgent, access, nullptr, nullptr, 0));
    if (session_) {
        connection_.Reset(InternetConnectA(session_.Get(), target.host.c_str(), target.port,
                                           nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    }
    if (connection_) {
        const char* acceptTypes[] = {"*/*", nullptr};
        DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE |
                      INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
        if (target.secure) flags |= INTERNET_FLAG_SECURE;
        request_.Reset(HttpOpenRequestA(connection_.Get(), "GET", target.object.c_str(),
                                        "HTTP/1.1", nullptr, acceptTypes, flags, 0));
    }
    if (!request_) {
        response.systemError = GetLastError();
        return StatusOfSendError(response.systemError);
    }
    SetDwordOption(request_.Get(), INTERNET_OPTION_CONNECT_TIMEOUT,
                   std::min(limits_.connectMs, left));
    const DWORD idleMs = std::min(limits_.idleMs, left);
    SetDwordOption(request_.Get(), INTERNET_OPTION_SEND_TIMEOUT, idleMs);
    SetDwordOption(request_.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, idleMs);
    SetDwordOption(request_.Get(), INTERNET_OPTION_HTTP_DECODING, TRUE);

    const unsigned long long sentAt = GetTickCount64();
    if (!HttpSendRequestA(request_.Get(), headers.empty() ? nullptr : headers.c_str(),
                          DWORD(headers.size()), nullptr, 0)) {
        response.systemError = GetLastError();
        return AfterWaiting(StatusOfSendError(response.systemError), sentAt, idleMs);
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request_.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
        response.systemError = GetLastError();
        return FetchStatus::NoConnection;
    }
    response.httpStatus = status;
    return FetchStatus::Ok;
}

FetchStatus Transfer::Open() {
    FetchResponse& response = response_;
    std::string headers = ConditionalHeader(validator_);
    const bool conditional = !headers.empty();
    headers += kAcceptCompressed;

    response.finalAddress = address_;
    bool secure = false;
    bool local = false;
    for (int redirects = 0;; ++redirects) {
        if (abandoned_) return FetchStatus::TimedOut;
        Target target;
        if (!CrackAddress(response.finalAddress, target)) return FetchStatus::BadAddress;
        if (secure && !target.secure) return FetchStatus::RedirectToHttp;
        secure = target.secure;
        // A public site may not send the request on to this machine or its
        // network; a site that is there itself may.
        const bool targetLocal = IsLocalHost(KindOfHost(target.host));
        if (redirects == 0) local = targetLocal;
        if (targetLocal && !local) return FetchStatus::RedirectToLocal;
        FetchStatus sent = Send(target, headers);
        if (sent != FetchStatus::Ok) return sent;
        if (!IsRedirect(response.httpStatus)) break;
        if (redirects >= limits_.maxRedirects) return FetchStatus::TooManyRedirects;
        const std::string location = QueryHeader(HTTP_QUERY_LOCATION);
        if (location.empty()) return FetchStatus::HttpError;
        if (!CombineAddress(response.finalAddress, location, response.finalAddress)) {
            return FetchStatus::BadAddress;
        }
    }
    response.lastModified = QueryHeader(HTTP_QUERY_LAST_MODIFIED);
    response.etag = QueryHeader(HTTP_QUERY_ETAG);
    response.contentType = QueryHeader(HTTP_QUERY_CONTENT_TYPE);
    if (response.httpStatus == HTTP_STATUS_OK) return FetchStatus::Ok;
    if (response.httpStatus == HTTP_STATUS_NOT_MODIFIED && conditional) {
        return FetchStatus::NotModified;
    }
    return FetchStatus::HttpError;
}

FetchStatus Transfer::ReadBody() {
    FetchResponse& response = response_;
    // A body WinINet decodes loses its Content-Encoding and Content-Length
    // headers (Windows and Wine alike); a length beside gzip or deflate
    // would be the encoded one. Asked by number, Wine answers a decoded
    // body's encoding with its Content-Type, so it is asked by name.
    const std::string encoding = QueryHeader(HTTP_QUERY_CUSTOM, "Content-Encoding");
    const bool compressed = SameText(encoding, "gzip") || SameText(encoding, "deflate");
    if (!encoding.empty() && !compressed && !SameText(encoding, "identity")) {
        return FetchStatus::BadEncoding;
    }
    bool lengthValid = false;
    const long long length =
        ParseContentLength(QueryHeader(HTTP_QUERY_CONTENT_LENGTH).c_str(), lengthValid);
    const bool announced = lengthValid && !compressed;
    if (lengthValid && static_cast<unsigned long long>(length) > limits_.maxBytes) {
        return FetchStatus::TooLarge;
    }

    std::string& body = response.body;
    // Within the limit, as checked: the body grows in place, not by copies.
    if (announced) body.reserve(static_cast<std::size_t>(length));
    bool timeoutSet = false;
    DWORD timeout = 0;
    for (;;) {
        // A read waits for its first byte only: asking what is there first
        // keeps a server that drips bytes from holding one read open, so
        // the deadline is checked between reads.
        const DWORD left = TimeLeft();
        if (left == 0 || abandoned_) return FetchStatus::TimedOut;
        const DWORD idleMs = std::min(limits_.idleMs, left);
        // Set anew only when it changes, near the deadline: a body of
        // megabytes comes in thousands of reads.
        if (!timeoutSet || idleMs != timeout) {
            SetDwordOption(request_.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, idleMs);
            timeout = idleMs;
            timeoutSet = true;
        }
        const unsigned long long askedAt = GetTickCount64();
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request_.Get(), &available, 0, 0)) {
            response.systemError = GetLastError();
            return AfterWaiting(StatusOfReadError(response.systemError), askedAt, idleMs);
        }
        if (available == 0) break;
        if (body.size() + available > limits_.maxBytes) return FetchStatus::TooLarge;
        const size_t start = body.size();
        body.resize(start + available);
        DWORD read = 0;
        if (!InternetReadFile(request_.Get(), &body[start], available, &read)) {
            response.systemError = GetLastError();
            body.resize(start);
            return StatusOfReadError(response.systemError);
        }
        body.resize(start + read);
        if (read == 0) break;
    }
    // WinINet reports a connection closed before the announced length as a
    // normal end of data.
    if (announced && static_cast<long long>(body.size()) != length) return FetchStatus::Cut;
    // Still named after the read, the encoding was not undone (Windows
    // leaves a body alone that says Cache-Control: no-transform).
    const bool undecoded =
        compressed && !QueryHeader(HTTP_QUERY_CUSTOM, "Content-Encoding").empty();
    const bool gzipMagic = body.size() >= 2 && body[0] == '\x1f' && body[1] == '\x8b';
    return undecoded || gzipMagic ? FetchStatus::BadEncoding : FetchStatus::Ok;
}

void Transfer::Run() {
    deadline_ = GetTickCount64() + limits_.totalMs;
    FetchResponse& response = response_;
    try {
        response.status = Open();
        if (response.status == FetchStatus::Ok) response.status = ReadBody();
    } catch (const std::bad_alloc&) {
        response.status = FetchStatus::TooLarge;
    }
    if (response.status != FetchStatus::Ok) response.body.clear();
    CloseHandles();
}

}  // namespace

FetchResponse HttpFetcher::Fetch(const std::string& address, const std::string& validator) {
    auto transfer = std::make_shared<Transfer>(limits_, address, validator);
    // WinINet reads the whole response head inside HttpSendRequest, which
    // no time-out of its own bounds against a server that sends a header
    // line a second, and which closing its handle does not end under Wine.
    auto* shared = new std::shared_ptr<Transfer>(transfer);
    const UniqueKernelHandle thread(CreateThread(nullptr, 0, RunTransfer, shared, 0, nullptr));
    if (!thread) {
        delete shared;
        transfer->Run();
        return std::move(transfer->Response());
    }
    const DWORD waitMs = limits_.totalMs > MAXDWORD - kReportGraceMs ? INFINITE
                                                                      : limits_.totalMs + kReportGraceMs;
    if (WaitForSingleObject(thread.Get(), waitMs) == WAIT_OBJECT_0) {
        return std::move(transfer->Response());
    }
    transfer->Abandon();
    FetchResponse timedOut;
    timedOut.status = FetchStatus::TimedOut;
    timedOut.finalAddress = address;
    return timedOut;
}

std::string ContentDigestStamp(const std::string& body) {
    BCRYPT_ALG_HANDLE rawAlgorithm = nullptr;
    if (!BCRYPT_SUCCESS(
            BCryptOpenAlgorithmProvider(&rawAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return std::string();
    }
    BCryptAlgorithm algorithm(rawAlgorithm);
    DWORD objectLength = 0;
    ULONG size = 0;
    if (!BCRYPT_SUCCESS(BCryptGetProperty(algorithm.Get(), BCRYPT_OBJECT_LENGTH,
                                          reinterpret_cast<PUCHAR>(&objectLength),
                                          sizeof objectLength, &size, 0))) {
        return std::string();
    }
    // Windows 7 wants the caller to hold the hash object.
    std::vector<UCHAR> object(objectLength);
    BCRYPT_HASH_HANDLE rawHash = nullptr;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm.Get(), &rawHash, object.data(), objectLength,
                                         nullptr, 0, 0))) {
        return std::string();
    }
    BCryptHash hash(rawHash);
    constexpr size_t kPiece = 1u << 30;
    for (size_t done = 0; done < body.size(); done += kPiece) {
        const ULONG piece = ULONG(std::min(kPiece, body.size() - done));
        auto bytes = reinterpret_cast<PUCHAR>(const_cast<char*>(body.data() + done));
        if (!BCRYPT_SUCCESS(BCryptHashData(hash.Get(), bytes, piece, 0))) return std::string();
    }
    UCHAR digest[kDigestBytes];
    if (!BCRYPT_SUCCESS(BCryptFinishHash(hash.Get(), digest, sizeof digest, 0))) {
        return std::string();
    }
    static const char kHex[] = "0123456789abcdef";
    std::string stamp = kDigestPrefix;
    for (UCHAR byte : digest) {
        stamp += kHex[byte >> 4];
        stamp += kHex[byte & 15];
    }
    return stamp;
}

std::string ListValidatorOf(const FetchResponse& response) {
    if (response.status != FetchStatus::Ok) return std::string();
    if (IsStorableValidator(response.lastModified)) return response.lastModified;
    // An ETag sent without its quotes would read back as a date.
    if (IsEtagStamp(response.etag) && IsStorableValidator(response.etag)) return response.etag;
    return std::string();
}

std::string ListStampOf(const FetchResponse& response) {
    if (response.status != FetchStatus::Ok) return std::string();
    const std::string validator = ListValidatorOf(response);
    return validator.empty() ? ContentDigestStamp(response.body) : validator;
}

std::string FetchFailureReason(const FetchResponse& response) {
    const std::string code = "（" + std::to_string(response.httpStatus) + "）";
    switch (response.status) {
    case FetchStatus::Ok:
    case FetchStatus::NotModified:
        return std::string();
    case FetchStatus::BadAddress:
        return "地址无效";
    case FetchStatus::NoConnection:
        return "无法连接";
    case FetchStatus::CertificateError:
        if (response.systemError == ERROR_INTERNET_SEC_CERT_DATE_INVALID) {
            return "证书已过期或尚未生效";
        }
        if (response.systemError == ERROR_INTERNET_SEC_CERT_CN_INVALID) {
            return "证书与网站名称不符";
        }
        return "证书不受信任";
    case FetchStatus::HttpError:
        if (response.httpStatus == 404 || response.httpStatus == 410) return "未找到" + code;
        if (response.httpStatus == 401 || response.httpStatus == 403) return "拒绝访问" + code;
        if (response.httpStatus >= 500) return "服务器错误" + code;
        return "服务器答复异常" + code;
    case FetchStatus::RedirectToHttp:
        return "拒绝从https转向http";
    case FetchStatus::RedirectToLocal:
        return "拒绝转向本机或局域网地址";
    case FetchStatus::TooManyRedirects:
        return "重定向次数过多";
    case FetchStatus::TooLarge:
        return "列表过大";
    case FetchStatus::Cut:
        return "下载不完整";
    case FetchStatus::TimedOut:
        return "连接超时";
    case FetchStatus::BadEncoding:
        return "无法解码的压缩格式";
    }
    return std::string();
}
