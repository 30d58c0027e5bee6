// Run by tools/tls-test, which starts the HTTPS servers of
// tests/support/tls_server.py and trusts their test authority for this
// process alone.
#include "update/HttpFetcher.h"

#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ProgramFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// "https://localhost:<port of the named server>" + path, or "" when the
// wrapper did not say where that server is.
std::string SecureUrl(const char* portVariable, const std::string& path) {
    const char* port = std::getenv(portVariable);
    if (!port || !*port) return std::string();
    return "https://localhost:" + std::string(port) + path;
}

std::string TrustedUrl(const std::string& path) {
    return SecureUrl("SITEMOAT_TLS_PORT_TRUSTED", path);
}

std::string ServedList() {
    const char* data = std::getenv("SITEMOAT_TEST_DATA");
    return ReadWholeFile(std::string(data ? data : "") + "anudeep-coinminer.hosts");
}

class HttpsFetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE("", TrustedUrl("/")) << "run through tools/tls-test";
        ASSERT_TRUE(server.IsRunning());
        list = ServedList();
        ASSERT_FALSE(list.empty());
    }

    LoopbackHttpServer server;  // plain HTTP, for the redirects
    HttpFetcher fetcher;
    std::string list;
};

// The server compresses the list when asked: it arrives decoded.
TEST_F(HttpsFetchTest, TrustedServerGivesTheWholeList) {
    FetchResponse response = fetcher.Fetch(TrustedUrl("/list"));
    EXPECT_EQ(FetchStatus::Ok, response.status) << response.systemError;
    EXPECT_EQ(200u, response.httpStatus);
    EXPECT_TRUE(response.body == list);
    EXPECT_EQ(TrustedUrl("/list"), response.finalAddress);
}

TEST_F(HttpsFetchTest, CertificatesNotToTrustAreRefused) {
    for (const char* server : {"SITEMOAT_TLS_PORT_EXPIRED", "SITEMOAT_TLS_PORT_WRONG_NAME",
                               "SITEMOAT_TLS_PORT_UNKNOWN_CA"}) {
        const std::string address = SecureUrl(server, "/list");
        ASSERT_NE("", address) << server;
        FetchResponse response = fetcher.Fetch(address);
        EXPECT_EQ(FetchStatus::CertificateError, response.status)
            << server << " " << response.systemError;
        EXPECT_NE(0u, response.systemError) << server;
        EXPECT_EQ(0u, response.httpStatus) << server;
        EXPECT_EQ("", response.body) << server;
        EXPECT_NE("", FetchFailureReason(response)) << server;
    }
}

TEST_F(HttpsFetchTest, HttpRedirectedToHttpsIsFollowed) {
    server.SetResponse("/list", RawHttpResponse("301 Moved Permanently",
                                                {"Location: " + TrustedUrl("/list"),
                                                 "Content-Length: 0"},
                                                ""));
    FetchResponse response = fetcher.Fetch(server.Url("/list"));
    EXPECT_EQ(FetchStatus::Ok, response.status) << response.systemError;
    EXPECT_TRUE(response.body == list);
    EXPECT_EQ(TrustedUrl("/list"), response.finalAddress);
}

// Anyone on the path of the plain request could rewrite the list.
TEST_F(HttpsFetchTest, HttpsRedirectedToHttpIsRefused) {
    server.SetList("/list", "", "0.0.0.0 rewritten.example\r\n");
    const std::string plain = server.Url("/list");
    FetchResponse response = fetcher.Fetch(TrustedUrl("/redirect?to=" + plain));
    EXPECT_EQ(FetchStatus::RedirectToHttp, response.status);
    EXPECT_EQ(302u, response.httpStatus);
    EXPECT_EQ("", response.body);
    EXPECT_EQ(plain, response.finalAddress);
    EXPECT_EQ(0, server.ConnectionCount());
}

// Wine reads TLS through a path of its own: its time-outs must hold too.
TEST_F(HttpsFetchTest, SilentServerTimesOut) {
    FetchLimits limits;
    limits.idleMs = 1000;
    limits.totalMs = 3000;
    fetcher.SetLimits(limits);
    for (const char* path : {"/no-head", "/no-body"}) {
        const ULONGLONG start = GetTickCount64();
        FetchResponse response = fetcher.Fetch(TrustedUrl(path));
        const ULONGLONG elapsed = GetTickCount64() - start;
        EXPECT_EQ(FetchStatus::TimedOut, response.status) << path << " " << response.systemError;
        EXPECT_GE(elapsed, 900u) << path;
        EXPECT_LT(elapsed, 2500u) << path;
    }
}

}  // namespace
