#include "update/HttpFetcher.h"

#include "settings/SettingsStore.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ProgramFiles.h"
#include "tests/support/UserProxy.h"
#include "update/HostAddress.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr char kStamp[] = "Wed, 17 Mar 2021 08:51:11 GMT";

class HttpFetcherTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.IsRunning()); }
    FetchResponse Fetch(const std::string& path, const std::string& validator = std::string()) {
        return fetcher.Fetch(server.Url(path), validator);
    }

    LoopbackHttpServer server;
    HttpFetcher fetcher;
};

// Every byte value, CR LF and bare LF, long enough for many read chunks.
std::string BinaryBody(size_t size) {
    std::string body;
    for (size_t i = 0; body.size() < size; ++i) {
        body += char(i % 256);
        if (i % 61 == 0) body += "\r\n0.0.0.0 ads.example\n";
    }
    body.resize(size);
    return body;
}

std::string TestData(const char* name) {
    const char* dir = std::getenv("SITEMOAT_TEST_DATA");
    return ReadWholeFile(std::string(dir ? dir : "") + name);
}

// body in chunks of the given size, with the closing empty chunk.
std::string Chunked(const std::string& body, size_t chunkSize) {
    std::string chunked;
    for (size_t at = 0; at < body.size(); at += chunkSize) {
        const std::string piece = body.substr(at, chunkSize);
        char size[20];
        std::snprintf(size, sizeof size, "%zx\r\n", piece.size());
        chunked += size + piece + "\r\n";
    }
    return chunked + "0\r\n\r\n";
}

std::string Redirect(const std::string& status, const std::string& location) {
    return RawHttpResponse(status, {"Location: " + location, "Content-Length: 0"}, "");
}

// The query is part of the request, the fragment never is; every request
// asks for a compressed body.
TEST_F(HttpFetcherTest, RequestFormAsTheServerReceivesIt) {
    const std::string withQuery = "/host/host.txt?list=ads&v=%32";
    server.SetList("/host/host.txt", kStamp, "0.0.0.0 a.example\r\n");
    server.SetList(withQuery, kStamp, "0.0.0.0 a.example\r\n");
    EXPECT_EQ(FetchStatus::Ok, fetcher.Fetch(server.Url(withQuery + "#top")).status);
    EXPECT_EQ(FetchStatus::Ok, Fetch("/host/host.txt").status);

    std::vector<ReceivedRequest> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("GET " + withQuery + " HTTP/1.1", requests[0].requestLine);
    EXPECT_EQ("GET /host/host.txt HTTP/1.1", requests[1].requestLine);
    const std::vector<std::string> headers = {
        "Accept: */*", "Host: 127.0.0.1:" + std::to_string(server.Port()),
        "User-Agent: Mozila/4.0 (compatible; MSIE 5.0;)", "Accept-Encoding: gzip, deflate"};
    EXPECT_EQ(headers, requests[0].headers);
    EXPECT_EQ(headers, requests[1].headers);
}

TEST_F(HttpFetcherTest, StampIsTheLastModifiedTextAsSent) {
    server.SetList("/plain", kStamp, "x");
    server.SetList("/odd", "  Some Server's Own Words  ", "x");
    server.SetList("/none", "", "x");
    server.SetList("/long", std::string(250, 'a') + std::string(50, 'b'), "x");
    EXPECT_EQ(kStamp, Fetch("/plain").lastModified);
    EXPECT_EQ("Some Server's Own Words", Fetch("/odd").lastModified);
    EXPECT_EQ("", Fetch("/none").lastModified);
    // Whole, however long: such a one is never stored (ListStampOf).
    EXPECT_EQ(std::string(250, 'a') + std::string(50, 'b'), Fetch("/long").lastModified);
}

TEST_F(HttpFetcherTest, WholeBodyArrivesByteForByte) {
    std::string body = BinaryBody(100000);
    server.SetList("/list", kStamp, body);
    EXPECT_EQ(body, Fetch("/list").body);
    // The object is used again, for a shorter list.
    server.SetList("/list", kStamp, "0.0.0.0 b.example");
    EXPECT_EQ("0.0.0.0 b.example", Fetch("/list").body);
}

TEST_F(HttpFetcherTest, StatusOtherThan200GivesNoListAndNoStamp) {
    server.SetResponse("/gone", RawHttpResponse("404 Not Found",
                                                {"Content-Length: 9", "Last-Modified: x"},
                                                "not found"));
    server.SetResponse("/error", RawHttpResponse("500 Internal Server Error",
                                                 {"Content-Length: 5", "Last-Modified: x"},
                                                 "error"));
    for (const char* path : {"/gone", "/error"}) {
        const FetchResponse response = Fetch(path);
        EXPECT_EQ(FetchStatus::HttpError, response.status) << path;
        EXPECT_EQ("", response.body) << path;
        EXPECT_EQ("", ListStampOf(response)) << path;
    }
}

// No usable length: the body is read to its end, however the server ends it.
TEST_F(HttpFetcherTest, BodiesWithoutAUsableLengthAreReadToTheirEnd) {
    server.SetResponse("/zero", RawHttpResponse("200 OK", {"Content-Length: 0"}, ""));
    server.SetResponse("/words", RawHttpResponse("200 OK", {"Content-Length: many"}, "abc"));
    const FetchResponse zero = Fetch("/zero");
    EXPECT_EQ(FetchStatus::Ok, zero.status);
    EXPECT_EQ("", zero.body);
    EXPECT_EQ("abc", Fetch("/words").body);
}

// The server closes the connection before the announced length: no list.
TEST_F(HttpFetcherTest, BodyEndingBeforeTheAnnouncedLengthIsCut) {
    std::string body = BinaryBody(50000);
    server.SetResponse("/cut", RawHttpResponse("200 OK",
                                               {"Content-Length: 50000", "Last-Modified: x"},
                                               body.substr(0, 20000)));
    server.SetResponse("/cut-small", RawHttpResponse("200 OK", {"Content-Length: 100"},
                                                     "0.0.0.0 d.example"));
    for (const char* path : {"/cut", "/cut-small"}) {
        const FetchResponse response = Fetch(path);
        EXPECT_EQ(FetchStatus::Cut, response.status) << path;
        EXPECT_EQ("", response.body) << path;
    }
}

TEST_F(HttpFetcherTest, OnlyWebAddressesAreTried) {
    server.SetList("/list", kStamp, "0.0.0.0 f.example");
    std::string authority = "127.0.0.1:" + std::to_string(server.Port());
    for (std::string address : {"ftp://" + authority + "/list", std::string("127.0.0.1/list"),
                                std::string(""),
                                // A line break would smuggle a header into the request.
                                "http://" + authority + "/list\r\nX-Smuggled: 1"}) {
        FetchResponse response = fetcher.Fetch(address);
        EXPECT_EQ(FetchStatus::BadAddress, response.status) << address;
        EXPECT_EQ("地址无效", FetchFailureReason(response)) << address;
    }
    EXPECT_EQ(0, server.ConnectionCount());
}

// "127.0.0.000…01" is the loopback address however many zeros it has, so
// a host name of any length can reach the test server: one that fits the
// 260-byte host buffer does, a longer one is refused before connecting.
TEST_F(HttpFetcherTest, HostNamesThatDoNotFitAreRefused) {
    server.SetList("/list", kStamp, "0.0.0.0 g.example");
    auto hostOfLength = [](size_t length) {
        return "127.0.0." + std::string(length - 9, '0') + "1";
    };
    auto address = [&](size_t length) {
        return "http://" + hostOfLength(length) + ":" + std::to_string(server.Port()) + "/list";
    };
    EXPECT_EQ(kStamp, fetcher.Fetch(address(259)).lastModified);
    EXPECT_EQ(1, server.ConnectionCount());

    server.ClearRequests();
    EXPECT_EQ(FetchStatus::BadAddress, fetcher.Fetch(address(260)).status);
    EXPECT_EQ(FetchStatus::BadAddress, fetcher.Fetch(address(400)).status);
    EXPECT_EQ(0, server.ConnectionCount());
}

TEST_F(HttpFetcherTest, ConditionalHeaderFollowsTheKindOfStamp) {
    server.SetList("/list", "", "x");
    struct Case {
        std::string validator;
        std::string ifModifiedSince;
        std::string ifNoneMatch;
    };
    const Case cases[] = {
        {"", "", ""},
        {kStamp, kStamp, ""},
        {"\"5f-abc\"", "", "\"5f-abc\""},
        {"W/\"5f-abc\"", "", "W/\"5f-abc\""},
        {ContentDigestStamp("x"), "", ""},
    };
    for (const Case& c : cases) {
        server.ClearRequests();
        EXPECT_EQ(FetchStatus::Ok, Fetch("/list", c.validator).status) << c.validator;
        std::vector<ReceivedRequest> requests = server.Requests();
        ASSERT_EQ(1u, requests.size()) << c.validator;
        EXPECT_EQ(c.ifModifiedSince, requests[0].Header("If-Modified-Since")) << c.validator;
        EXPECT_EQ(c.ifNoneMatch, requests[0].Header("If-None-Match")) << c.validator;
    }
}

// The ETag is the list's stamp; asked again with it, the server answers
// 304 and no body crosses the wire.
TEST_F(HttpFetcherTest, UnchangedListComesBackNotModified) {
    const std::string etag = "\"list-v1\"";
    const std::string notModified = RawHttpResponse("304 Not Modified", {"ETag: " + etag}, "");
    const std::string whole = RawHttpResponse(
        "200 OK", {"ETag: " + etag, "Content-Length: 17"}, "0.0.0.0 a.example");
    server.SetHandler("/list", [&](const ReceivedRequest& request) {
        return request.Header("If-None-Match") == etag ? notModified : whole;
    });
    FetchResponse first = Fetch("/list");
    ASSERT_EQ(FetchStatus::Ok, first.status);
    EXPECT_EQ(etag, ListStampOf(first));

    server.ClearRequests();
    FetchResponse again = Fetch("/list", ListStampOf(first));
    EXPECT_EQ(FetchStatus::NotModified, again.status);
    EXPECT_EQ(304u, again.httpStatus);
    EXPECT_EQ(etag, again.etag);
    EXPECT_EQ("", again.body);
    EXPECT_EQ(static_cast<long long>(notModified.size()), server.BytesSent());
}

TEST_F(HttpFetcherTest, ChunkedBodyIsReadToItsEnd) {
    const std::string body = BinaryBody(30000);
    server.SetResponse("/list", RawHttpResponse("200 OK", {"Transfer-Encoding: chunked"},
                                                Chunked(body, 7000)));
    FetchResponse response = Fetch("/list");
    EXPECT_EQ(FetchStatus::Ok, response.status);
    EXPECT_TRUE(body == response.body);
}

// A real list crosses the wire gzip-compressed and arrives as plain text.
TEST_F(HttpFetcherTest, GzipListArrivesDecoded) {
    const std::string plain = TestData("anudeep-coinminer.hosts");
    const std::string packed = TestData("anudeep-coinminer.hosts.gz");
    ASSERT_FALSE(plain.empty());
    ASSERT_FALSE(packed.empty());
    const std::string length = "Content-Length: " + std::to_string(packed.size());
    server.SetResponse("/list",
                       RawHttpResponse("200 OK", {"Content-Encoding: gzip", length}, packed));
    FetchResponse response = Fetch("/list");
    EXPECT_EQ(FetchStatus::Ok, response.status) << response.systemError;
    EXPECT_TRUE(plain == response.body);
    EXPECT_LT(server.BytesSent(), static_cast<long long>(plain.size() / 2));
}

TEST_F(HttpFetcherTest, ResponsesThatGiveNoList) {
    FetchLimits limits;
    limits.maxBytes = 1000;
    fetcher.SetLimits(limits);
    const std::string packed = TestData("anudeep-coinminer.hosts.gz").substr(0, 900);
    auto ok = [](const std::vector<std::string>& headers, const std::string& body) {
        return RawHttpResponse("200 OK", headers, body);
    };
    struct Case {
        std::string path;
        std::string response;
        FetchStatus status;
        DWORD httpStatus;
        std::string reason;
    };
    const Case cases[] = {
        {"/at-cap", ok({"Content-Length: 1000"}, std::string(1000, 'a')), FetchStatus::Ok, 200, ""},
        {"/cut", ok({"Content-Length: 100"}, "0.0.0.0 d.example"), FetchStatus::Cut, 200,
         "下载不完整"},
        {"/over-cap", ok({"Content-Length: 1001"}, std::string(1001, 'a')), FetchStatus::TooLarge,
         200, "列表过大"},
        {"/over-cap-chunked",
         ok({"Transfer-Encoding: chunked"}, Chunked(std::string(1001, 'a'), 300)),
         FetchStatus::TooLarge, 200, "列表过大"},
        {"/brotli", ok({"Content-Encoding: br", "Content-Length: 3"}, "abc"),
         FetchStatus::BadEncoding, 200, "无法解码的压缩格式"},
        {"/broken-gzip", ok({"Content-Encoding: gzip", "Content-Length: 11"}, "not gzipped"),
         FetchStatus::BadEncoding, 200, "无法解码的压缩格式"},
        {"/gzip-unasked", ok({"Content-Length: " + std::to_string(packed.size())}, packed),
         FetchStatus::BadEncoding, 200, "无法解码的压缩格式"},
        {"/gone", RawHttpResponse("404 Not Found", {"Content-Length: 9"}, "not found"),
         FetchStatus::HttpError, 404, "未找到（404）"},
        {"/error", RawHttpResponse("500 Internal Server Error", {"Content-Length: 0"}, ""),
         FetchStatus::HttpError, 500, "服务器错误（500）"},
        {"/unasked-304", RawHttpResponse("304 Not Modified", {}, ""), FetchStatus::HttpError, 304,
         "服务器答复异常（304）"},
        {"/nowhere", RawHttpResponse("302 Found", {"Content-Length: 0"}, ""),
         FetchStatus::HttpError, 302, "服务器答复异常（302）"},
        {"/to-ftp", Redirect("302 Found", "ftp://127.0.0.1/list"), FetchStatus::BadAddress, 302,
         "地址无效"},
    };
    for (const Case& c : cases) {
        server.SetResponse(c.path, c.response);
        FetchResponse response = Fetch(c.path);
        EXPECT_EQ(c.status, response.status) << c.path << " " << response.systemError;
        EXPECT_EQ(c.httpStatus, response.httpStatus) << c.path;
        EXPECT_EQ(c.status == FetchStatus::Ok ? 1000u : 0u, response.body.size()) << c.path;
        EXPECT_EQ(c.reason, FetchFailureReason(response)) << c.path;
    }
}

// Relative and absolute locations, the query kept; five redirects are
// followed, a sixth is one too many.
TEST_F(HttpFetcherTest, RedirectsAreFollowedUpToTheLimit) {
    server.SetResponse("/r0", Redirect("302 Found", "/r1"));
    server.SetResponse("/r1", Redirect("301 Moved Permanently", "r2"));
    server.SetResponse("/r2", Redirect("302 Found", "/dir/r3?x=1"));
    server.SetResponse("/dir/r3?x=1", Redirect("303 See Other", server.Url("/dir/r4")));
    server.SetResponse("/dir/r4", Redirect("307 Temporary Redirect", "r5"));
    server.SetResponse("/dir/r5", Redirect("308 Permanent Redirect", "../list"));
    server.SetList("/list", kStamp, "0.0.0.0 r.example");

    FetchResponse response = Fetch("/r1");
    EXPECT_EQ(FetchStatus::Ok, response.status);
    EXPECT_EQ("0.0.0.0 r.example", response.body);
    EXPECT_EQ(kStamp, response.lastModified);
    EXPECT_EQ(server.Url("/list"), response.finalAddress);
    EXPECT_EQ((std::vector<std::string>{"/r1", "/r2", "/dir/r3?x=1", "/dir/r4", "/dir/r5",
                                        "/list"}),
              server.RequestedPaths());

    server.ClearRequests();
    response = Fetch("/r0");
    EXPECT_EQ(FetchStatus::TooManyRedirects, response.status);
    EXPECT_EQ(308u, response.httpStatus);
    EXPECT_EQ("重定向次数过多", FetchFailureReason(response));
    EXPECT_EQ(6u, server.Requests().size());
}

TEST_F(HttpFetcherTest, RedirectLoopEndsAtTheLimit) {
    server.SetResponse("/a", Redirect("302 Found", "/b"));
    server.SetResponse("/b", Redirect("302 Found", "/a"));
    EXPECT_EQ(FetchStatus::TooManyRedirects, Fetch("/a").status);
    EXPECT_EQ(6u, server.Requests().size());
}

// A server that goes silent, or drips bytes so that it is never silent
// for long, is given up on in bounded time.
TEST_F(HttpFetcherTest, SilentOrDrippingServersTimeOut) {
    FetchLimits limits;
    limits.idleMs = 1000;
    limits.totalMs = 3000;
    fetcher.SetLimits(limits);
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
    server.SetStalledResponse("/no-head", "");
    server.SetStalledResponse("/no-body", head);
    server.SetStalledResponse("/drip", head, std::string(1000, 'a'), 200);
    struct Case {
        const char* path;
        ULONGLONG atLeastMs;
        ULONGLONG belowMs;
    };
    const Case cases[] = {{"/no-head", 900, 2500}, {"/no-body", 900, 2500}, {"/drip", 2900, 4500}};
    for (const Case& c : cases) {
        const ULONGLONG start = GetTickCount64();
        FetchResponse response = Fetch(c.path);
        const ULONGLONG elapsed = GetTickCount64() - start;
        EXPECT_EQ(FetchStatus::TimedOut, response.status) << c.path << " " << response.systemError;
        EXPECT_EQ("连接超时", FetchFailureReason(response)) << c.path;
        EXPECT_GE(elapsed, c.atLeastMs) << c.path;
        EXPECT_LT(elapsed, c.belowMs) << c.path;
    }
}

TEST(FetchStamps, ContentDigestKnownAnswers) {
    EXPECT_EQ("sha256:e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
              ContentDigestStamp(""));
    EXPECT_EQ("sha256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
              ContentDigestStamp("abc"));
    EXPECT_EQ("sha256:cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
              ContentDigestStamp(std::string(1000000, 'a')));
}

TEST(FetchStamps, KindOfStamp) {
    const std::string hex63(63, 'a');
    struct Case {
        std::string stamp;
        bool etag;
        bool digest;
    };
    const Case cases[] = {
        {kStamp, false, false},
        {"\"5f-abc\"", true, false},
        {"W/\"5f-abc\"", true, false},
        {ContentDigestStamp("abc"), false, true},
        {"sha256:" + hex63, false, false},
        {"sha256:" + hex63 + "A", false, false},
        {"sha256:" + hex63 + "ab", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.etag, IsEtagStamp(c.stamp)) << c.stamp;
        EXPECT_EQ(c.digest, IsDigestStamp(c.stamp)) << c.stamp;
    }
}

TEST(FetchStamps, ListStampIsLastModifiedElseEtagElseDigest) {
    const std::string digest = ContentDigestStamp("abc");
    struct Case {
        FetchStatus status;
        std::string lastModified;
        std::string etag;
        std::string stamp;
    };
    const Case cases[] = {
        {FetchStatus::Ok, kStamp, "\"e1\"", kStamp},
        {FetchStatus::Ok, "", "\"e1\"", "\"e1\""},
        {FetchStatus::Ok, "", "W/\"e1\"", "W/\"e1\""},
        {FetchStatus::Ok, "", "", digest},
        // Unquoted, it would read back as a date.
        {FetchStatus::Ok, "", "e1", digest},
        {FetchStatus::NotModified, kStamp, "\"e1\"", ""},
        {FetchStatus::Cut, "", "", ""},
    };
    for (const Case& c : cases) {
        FetchResponse response;
        response.status = c.status;
        response.lastModified = c.lastModified;
        response.etag = c.etag;
        response.body = "abc";
        EXPECT_EQ(c.stamp, ListStampOf(response)) << c.lastModified << " " << c.etag;
    }
}

// The body of a GET through a WinINet session that takes the user's
// settings as they are, with no exception for loopback; "" on failure.
std::string GetWithUserSettings(const std::string& url) {
    struct Closer {
        void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
    };
    using Internet = std::unique_ptr<void, Closer>;
    Internet session(
        InternetOpenA("proxy check", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return "";
    Internet request(InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0,
                                      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request) return "";
    std::string body;
    char chunk[4096];
    DWORD read = 0;
    while (InternetReadFile(request.get(), chunk, sizeof chunk, &read) && read > 0) {
        body.append(chunk, read);
    }
    return body;
}

// The loopback server is reached directly even when the user's settings
// name a proxy (here a second server, which would answer 404). That the
// settings are in force shows first: an ordinary session sends a name only
// the proxy answers for (".invalid" is never resolved) to the proxy.
TEST_F(HttpFetcherTest, LoopbackIsNeverReachedThroughAProxy) {
    LoopbackHttpServer proxy;
    ASSERT_TRUE(proxy.IsRunning());
    const std::string elsewhere = "http://example.invalid/list";
    // A proxy is sent the whole address; Wine spells out the default port.
    proxy.SetList(elsewhere, kStamp, "0.0.0.0 proxied.example");
    proxy.SetList("http://example.invalid:80/list", kStamp, "0.0.0.0 proxied.example");
    server.SetList("/list", kStamp, "0.0.0.0 h.example");
    UserProxy userProxy("127.0.0.1:" + std::to_string(proxy.Port()));
    ASSERT_EQ(ERROR_SUCCESS, userProxy.Result());

    ASSERT_EQ("0.0.0.0 proxied.example", GetWithUserSettings(elsewhere));
    ASSERT_EQ(1u, proxy.Requests().size());
    proxy.ClearRequests();

    EXPECT_EQ("0.0.0.0 h.example", Fetch("/list").body);
    EXPECT_EQ((std::vector<std::string>{"/list"}), server.RequestedPaths());
    EXPECT_EQ(0, proxy.ConnectionCount());
}

// A public site (here behind the user's proxy, a loopback server, so that
// nothing leaves this machine) may not send the fetch on to this machine or
// its network, in whatever form the address is written; to another public
// site it may. A site on loopback itself may redirect there (the redirect
// tests above).
TEST_F(HttpFetcherTest, APublicSiteCannotRedirectToALocalAddress) {
    LoopbackHttpServer proxy;
    ASSERT_TRUE(proxy.IsRunning());
    UserProxy userProxy("127.0.0.1:" + std::to_string(proxy.Port()));
    ASSERT_EQ(ERROR_SUCCESS, userProxy.Result());
    server.SetList("/inside", kStamp, "0.0.0.0 inside.example");
    const char* const locals[] = {
        "http://127.0.0.1:PORT/inside", "http://localhost:PORT/inside", "http://127.1:PORT/inside",
        "http://0x7f000001:PORT/inside", "http://[::1]:PORT/inside", "http://[::ffff:127.0.0.1]:PORT/inside",
        "http://169.254.169.254/latest", "http://10.0.0.1/", "http://192.168.1.1/", "https://172.16.0.1/",
        "http://0.0.0.0:PORT/inside",
    };
    for (const char* local : locals) {
        std::string location = local;
        const std::size_t port = location.find("PORT");
        if (port != std::string::npos) location.replace(port, 4, std::to_string(server.Port()));
        for (const char* spelled : {"http://public.example/list", "http://public.example:80/list"}) {
            proxy.SetResponse(spelled, Redirect("302 Found", location));
        }
        server.ClearRequests();
        proxy.ClearRequests();
        const FetchResponse response = fetcher.Fetch("http://public.example/list");
        EXPECT_EQ(FetchStatus::RedirectToLocal, response.status) << location;
        EXPECT_EQ("拒绝转向本机或局域网地址", FetchFailureReason(response)) << location;
        EXPECT_EQ(1u, proxy.Requests().size()) << location;
        EXPECT_EQ(0, server.ConnectionCount()) << location;
    }
    for (const char* spelled : {"http://public.example/list", "http://public.example:80/list"}) {
        proxy.SetResponse(spelled, Redirect("302 Found", "http://other.example/list"));
    }
    proxy.SetList("http://other.example/list", kStamp, "0.0.0.0 other.example");
    proxy.SetList("http://other.example:80/list", kStamp, "0.0.0.0 other.example");
    const FetchResponse followed = fetcher.Fetch("http://public.example/list");
    EXPECT_EQ(FetchStatus::Ok, followed.status);
    EXPECT_EQ("0.0.0.0 other.example", followed.body);
}

TEST(HostAddress, KindOfEveryFormOfAddress) {
    const struct {
        const char* host;
        HostKind kind;
    } cases[] = {
        {"www.sitemoat.example", HostKind::Public},   {"8.8.8.8", HostKind::Public},
        {"127.0.0.1", HostKind::Loopback},            {"127.255.1.2", HostKind::Loopback},
        {"127.1", HostKind::Loopback},                {"2130706433", HostKind::Loopback},
        {"0x7f.0.0.1", HostKind::Loopback},           {"0177.0.0.1", HostKind::Loopback},
        {"127.0.0.1.", HostKind::Loopback},           {"LocalHost", HostKind::Loopback},
        {"a.localhost.", HostKind::Loopback},         {"notlocalhost", HostKind::Public},
        {"localhost.example", HostKind::Public},      {"169.254.169.254", HostKind::LinkLocal},
        {"10.1.2.3", HostKind::Private},              {"172.16.0.1", HostKind::Private},
        {"172.31.255.255", HostKind::Private},        {"172.32.0.1", HostKind::Public},
        {"192.168.0.1", HostKind::Private},           {"192.169.0.1", HostKind::Public},
        {"100.64.0.1", HostKind::Private},            {"0.0.0.0", HostKind::Private},
        {"0", HostKind::Private},                     {"256.0.0.1", HostKind::Public},
        {"1.2.3.4.5", HostKind::Public},              {"[::1]", HostKind::Loopback},
        {"::1", HostKind::Loopback},                  {"[0:0:0:0:0:0:0:1]", HostKind::Loopback},
        {"[::]", HostKind::Private},                  {"[fe80::1%25eth0]", HostKind::LinkLocal},
        {"[FEBF::1]", HostKind::LinkLocal},           {"[fc00::1]", HostKind::Private},
        {"[fd12:3456::1]", HostKind::Private},        {"[::ffff:127.0.0.1]", HostKind::Loopback},
        {"[::ffff:7f00:1]", HostKind::Loopback},      {"[::ffff:192.168.1.1]", HostKind::Private},
        {"[64:ff9b::10.0.0.1]", HostKind::Private},   {"[2001:db8::1]", HostKind::Public},
        {"[::ffff:8.8.8.8]", HostKind::Public},       {"[1:2:3:4:5:6:7:8:9]", HostKind::Public},
        {"[1::2::3]", HostKind::Public},              {"", HostKind::Public},
    };
    for (const auto& c : cases) EXPECT_EQ(c.kind, KindOfHost(c.host)) << c.host;
}

}  // namespace
