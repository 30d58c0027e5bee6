#include "update/HttpFetcher.h"

#include "settings/SettingsStore.h"
#include "tests/support/LoopbackHttpServer.h"
#include "tests/support/ProgramFiles.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

constexpr char kStamp[] = "Wed, 17 Mar 2021 08:51:11 GMT";
constexpr char kTarget[] = "fetched.txt";
constexpr char kOldTarget[] = "old list\r\n";

class HttpFetcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.IsRunning());
        WriteFileBesideProgram(kTarget, kOldTarget);
    }
    void TearDown() override { RemoveFileBesideProgram(kTarget); }

    int Download(const std::string& path) {
        return fetcher.DownloadToFile(server.Url(path), GetPathBesideProgram(kTarget));
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

TEST_F(HttpFetcherTest, RequestFormAsTheServerReceivesIt) {
    server.SetList("/host/host.txt", kStamp, "0.0.0.0 a.example\r\n");
    EXPECT_EQ(kStamp, fetcher.GetLastModified(server.Url("/host/host.txt?ignored=1")));
    EXPECT_EQ(kDownloadOk, Download("/host/host.txt"));

    std::vector<ReceivedRequest> requests = server.Requests();
    ASSERT_EQ(2u, requests.size());
    for (const ReceivedRequest& request : requests) {
        EXPECT_EQ("GET /host/host.txt HTTP/1.1", request.requestLine);
        EXPECT_EQ("Mozila/4.0 (compatible; MSIE 5.0;)", request.Header("User-Agent"));
        EXPECT_EQ((std::vector<std::string>{"Accept: */*",
                                            "Host: 127.0.0.1:" + std::to_string(server.Port()),
                                            "User-Agent: Mozila/4.0 (compatible; MSIE 5.0;)"}),
                  request.headers);
    }
}

TEST_F(HttpFetcherTest, StampIsTheLastModifiedTextAsSent) {
    server.SetList("/plain", kStamp, "x");
    server.SetList("/odd", "  Some Server's Own Words  ", "x");
    server.SetList("/none", "", "x");
    server.SetList("/long", std::string(250, 'a') + std::string(50, 'b'), "x");
    EXPECT_EQ(kStamp, fetcher.GetLastModified(server.Url("/plain")));
    EXPECT_EQ("Some Server's Own Words", fetcher.GetLastModified(server.Url("/odd")));
    EXPECT_EQ("", fetcher.GetLastModified(server.Url("/none")));
    EXPECT_EQ(std::string(250, 'a') + std::string(9, 'b'),
              fetcher.GetLastModified(server.Url("/long")));
}

TEST_F(HttpFetcherTest, WholeBodyLandsInTheFileByteForByte) {
    std::string body = BinaryBody(100000);
    server.SetList("/list", kStamp, body);
    EXPECT_EQ(kDownloadOk, Download("/list"));
    EXPECT_EQ(body, ReadFileBesideProgram(kTarget));
    // The object is used again, for a shorter list.
    server.SetList("/list", kStamp, "0.0.0.0 b.example");
    EXPECT_EQ(kDownloadOk, Download("/list"));
    EXPECT_EQ("0.0.0.0 b.example", ReadFileBesideProgram(kTarget));
}

TEST_F(HttpFetcherTest, StatusOtherThan200FailsBothOperations) {
    server.SetResponse("/gone", RawHttpResponse("404 Not Found",
                                                {"Content-Length: 9", "Last-Modified: x"},
                                                "not found"));
    server.SetResponse("/error", RawHttpResponse("500 Internal Server Error",
                                                 {"Content-Length: 5", "Last-Modified: x"},
                                                 "error"));
    EXPECT_EQ("", fetcher.GetLastModified(server.Url("/gone")));
    EXPECT_EQ("", fetcher.GetLastModified(server.Url("/error")));
    EXPECT_EQ(kDownloadRequestFailed, Download("/gone"));
    EXPECT_EQ(kDownloadRequestFailed, Download("/error"));
    EXPECT_EQ(kOldTarget, ReadFileBesideProgram(kTarget));
}

TEST_F(HttpFetcherTest, NoBodyLengthLeavesTheTargetUntouched) {
    server.SetResponse("/chunked",
                       RawHttpResponse("200 OK",
                                       {"Transfer-Encoding: chunked", "Last-Modified: x"},
                                       "12\r\n0.0.0.0 c.example\r\n\r\n0\r\n\r\n"));
    server.SetResponse("/zero", RawHttpResponse("200 OK", {"Content-Length: 0"}, ""));
    server.SetResponse("/words", RawHttpResponse("200 OK", {"Content-Length: many"}, "abc"));
    EXPECT_EQ(kDownloadNoLength, Download("/chunked"));
    EXPECT_EQ(kOldTarget, ReadFileBesideProgram(kTarget));
    EXPECT_EQ(kDownloadNoLength, Download("/zero"));
    EXPECT_EQ(kDownloadNoLength, Download("/words"));
    EXPECT_EQ(kOldTarget, ReadFileBesideProgram(kTarget));

    RemoveFileBesideProgram(kTarget);
    EXPECT_EQ(kDownloadNoLength, Download("/zero"));
    EXPECT_FALSE(FileBesideProgramExists(kTarget));
}

// The server closes the connection before the announced length: the file
// keeps what arrived, and the download is not a success.
TEST_F(HttpFetcherTest, BodyEndingBeforeTheAnnouncedLengthFails) {
    std::string body = BinaryBody(50000);
    server.SetResponse("/cut", RawHttpResponse("200 OK",
                                               {"Content-Length: 50000", "Last-Modified: x"},
                                               body.substr(0, 20000)));
    server.SetResponse("/cut-small", RawHttpResponse("200 OK", {"Content-Length: 100"},
                                                     "0.0.0.0 d.example"));
    EXPECT_EQ(kDownloadCut, Download("/cut"));
    EXPECT_EQ(body.substr(0, 20000), ReadFileBesideProgram(kTarget));
    EXPECT_EQ(kDownloadCut, Download("/cut-small"));
    EXPECT_EQ("0.0.0.0 d.example", ReadFileBesideProgram(kTarget));
}

TEST_F(HttpFetcherTest, TargetThatCannotBeCreated) {
    server.SetList("/list", kStamp, "0.0.0.0 e.example");
    std::string folder = GetPathBesideProgram("no-such-folder");
    EXPECT_EQ(kDownloadFileFailed,
              fetcher.DownloadToFile(server.Url("/list"), folder + "\\list.txt"));
}

TEST_F(HttpFetcherTest, OnlyHttpAddressesAreTried) {
    server.SetList("/list", kStamp, "0.0.0.0 f.example");
    std::string authority = "127.0.0.1:" + std::to_string(server.Port());
    for (std::string address : {"https://" + authority + "/list", "ftp://" + authority + "/list",
                                std::string("127.0.0.1/list"), std::string("")}) {
        EXPECT_EQ("", fetcher.GetLastModified(address)) << address;
        EXPECT_EQ(kDownloadRequestFailed,
                  fetcher.DownloadToFile(address, GetPathBesideProgram(kTarget)))
            << address;
    }
    EXPECT_EQ(0, server.ConnectionCount());
    EXPECT_EQ(kOldTarget, ReadFileBesideProgram(kTarget));
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
    EXPECT_EQ(kStamp, fetcher.GetLastModified(address(259)));
    EXPECT_EQ(1, server.ConnectionCount());

    server.ClearRequests();
    EXPECT_EQ("", fetcher.GetLastModified(address(260)));
    EXPECT_EQ(kDownloadRequestFailed,
              fetcher.DownloadToFile(address(260), GetPathBesideProgram(kTarget)));
    EXPECT_EQ("", fetcher.GetLastModified(address(400)));
    EXPECT_EQ(0, server.ConnectionCount());
    EXPECT_EQ(kOldTarget, ReadFileBesideProgram(kTarget));
}

// A proxy the user configured, switched on for the scope and off again
// after it. Result() tells whether the settings were written.
class UserProxy {
public:
    explicit UserProxy(const std::string& server) {
        result_ = RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key_, nullptr);
        if (result_ != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        result_ = SetEnabled(1);
        if (result_ != ERROR_SUCCESS) return;
        result_ = RegSetValueExA(key_, "ProxyServer", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(server.c_str()),
                                 DWORD(server.size() + 1));
    }
    ~UserProxy() {
        if (!key_) return;
        SetEnabled(0);
        RegDeleteValueA(key_, "ProxyServer");
        RegCloseKey(key_);
    }
    UserProxy(const UserProxy&) = delete;
    UserProxy& operator=(const UserProxy&) = delete;

    LONG Result() const { return result_; }

private:
    static constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    LONG SetEnabled(DWORD enabled) {
        return RegSetValueExA(key_, "ProxyEnable", 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&enabled), sizeof enabled);
    }
    HKEY key_ = nullptr;
    LONG result_ = ERROR_SUCCESS;
};

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

    EXPECT_EQ(kStamp, fetcher.GetLastModified(server.Url("/list")));
    EXPECT_EQ(kDownloadOk, Download("/list"));
    EXPECT_EQ((std::vector<std::string>{"/list", "/list"}), server.RequestedPaths());
    EXPECT_EQ(0, proxy.ConnectionCount());
}

}  // namespace
