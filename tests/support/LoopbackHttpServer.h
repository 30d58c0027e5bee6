#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One request as the server received it.
struct ReceivedRequest {
    std::string requestLine;           // "GET /host/host.txt HTTP/1.1"
    std::string path;                  // "/host/host.txt"
    std::vector<std::string> headers;  // "Name: value", in the order sent
    // The value of the first header of that name (any case), or "".
    std::string Header(const std::string& name) const;
};

// Makes the raw response to one request; runs on the server's thread.
using HttpHandler = std::function<std::string(const ReceivedRequest&)>;

// An HTTP server on 127.0.0.1, on a port the system chooses, running on a
// thread of the test process. Each connection gets one scripted response,
// sent byte for byte as given (so it may be broken on purpose: a short
// body, a missing header), and is then closed. Paths (with their query)
// without a script get a 404. Stopped and joined by the destructor.
class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool IsRunning() const { return port_ != 0; }
    unsigned short Port() const { return port_; }
    // "http://127.0.0.1:<port>" followed by path.
    std::string Url(const std::string& path) const;

    void SetResponse(const std::string& path, std::string rawResponse);
    // A complete 200 response: Content-Length, Last-Modified when the stamp
    // is not empty, then the body.
    void SetList(const std::string& path, const std::string& stamp, const std::string& body);
    // A list as a web server keeps it: 200 with the validators given (either
    // may be empty), or 304 and no body when the request's If-None-Match or
    // If-Modified-Since names them.
    void SetStaticList(const std::string& path, const std::string& lastModified,
                       const std::string& etag, const std::string& body);
    // The response is made afresh for each request.
    void SetHandler(const std::string& path, HttpHandler handler);
    // Sends head, then the bytes of drip one at a time, dripIntervalMs
    // apart, then nothing: the connection stays open until the client
    // gives up or the server stops.
    void SetStalledResponse(const std::string& path, std::string head,
                            std::string drip = std::string(), unsigned dripIntervalMs = 0);

    // Connections accepted so far, whether or not a request followed.
    int ConnectionCount() const { return connections_; }
    // Bytes written to all connections so far.
    long long BytesSent() const { return bytesSent_; }
    std::vector<ReceivedRequest> Requests() const;
    // Paths of the requests received so far, in order.
    std::vector<std::string> RequestedPaths() const;
    // Forgets the requests, connections and bytes sent so far.
    void ClearRequests();

private:
    struct Script {
        HttpHandler respond;
        bool stalls = false;
        std::string drip;
        unsigned dripIntervalMs = 0;
    };

    void Serve();
    void Answer(std::uintptr_t client);
    void SendAll(std::uintptr_t client, const std::string& bytes);
    void Stall(std::uintptr_t client, const Script& script);

    bool winsockStarted_ = false;
    std::uintptr_t listener_;  // SOCKET, owned
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<long long> bytesSent_{0};
    mutable std::mutex mutex_;
    std::map<std::string, Script> scripts_;
    std::vector<ReceivedRequest> requests_;
    std::thread thread_;
};

// "HTTP/1.1 <status>" response with the given header lines (each without
// CR LF) and body, nothing added.
std::string RawHttpResponse(const std::string& status, const std::vector<std::string>& headers,
                            const std::string& body);
